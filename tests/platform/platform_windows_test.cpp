// The Windows services, against the system itself (Wine in CI).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "platform/cd_autorun.h"
#include "platform/eject.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/user_folders.h"
#include "platform/user_registry.h"
#include "test_support.h"

namespace rondivo::platform {
namespace {

namespace fs = std::filesystem;

TEST(WindowsShell, ResultCodesAreTheShells) {
    test::TempDir dir;
    test::writeFile(dir / "Docs/readme.txt", "x");
    EXPECT_EQ(shellExecute("Docs\\missing.txt", "", dir.path()), kShellFileNotFound);
    // Windows says "path not found" here; Wine says "file not found".
    EXPECT_THAT(shellExecute("nodir\\missing.txt", "", dir.path()),
                ::testing::AnyOf(kShellFileNotFound, kShellPathNotFound));
    test::writeFile(dir / "Docs/data.rondivo-no-such-type", "x");
    EXPECT_EQ(shellExecute("Docs\\data.rondivo-no-such-type", "", dir.path()), kShellNoAssociation);
}

TEST(WindowsShell, ProgramsRunWithTheirParameters) {
    test::TempDir dir;
    ASSERT_TRUE(shellSucceeded(shellExecute("cmd.exe", "/c echo ran> ran.txt", dir.path())));
    // cmd creates the file before it writes to it.
    std::string text;
    for (int i = 0; i < 500 && text.size() < 3; ++i, Sleep(10))
        text = test::readFile(dir / "ran.txt");
    EXPECT_EQ(text.substr(0, 3), "ran");
}

TEST(WindowsProcess, SpawnAndWait) {
    auto ok = spawnProcess({"cmd.exe", "/c", "exit 7"});
    ASSERT_TRUE(ok.started());
    EXPECT_EQ(waitForExit(ok.pid), 7);
    EXPECT_FALSE(spawnProcess({"no-such-program-rondivo"}).started());
}

TEST(WindowsFolders, KnownFoldersExist) {
    for (const fs::path& p :
         {desktopFolder(), localAppDataFolder(), tempFolder(), windowsFolder(), systemFolder()}) {
        EXPECT_TRUE(p.is_absolute()) << p;
        EXPECT_TRUE(fs::is_directory(p)) << p;
    }
    const std::string drive = systemDrive();
    ASSERT_EQ(drive.size(), 2u);
    EXPECT_EQ(drive[1], ':');
    EXPECT_EQ(programFilesFolder(), fs::path(drive + "\\Program Files"));
}

TEST(WindowsSingleInstance, NamedMutexKeepsASecondDesignerOut) {
    const std::string name = "RONDIVO_TEST_" + std::to_string(GetCurrentProcessId());
    {
        SingleInstance first(name);
        ASSERT_TRUE(first.acquire());
        EXPECT_TRUE(first.owned());
        SingleInstance second(name);
        EXPECT_FALSE(second.acquire());
        EXPECT_FALSE(second.owned());
        // No window titled "Rondivo!" exists in this test: nothing to raise.
        EXPECT_FALSE(second.sendRaiseRequest());
    }
    SingleInstance again(name);
    EXPECT_TRUE(again.acquire());
}

// Reads a DWORD, or -1 when the value is missing.
long long registryValue(HKEY root, const wchar_t* key, const wchar_t* name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return -1;
    return value;
}

void restoreValue(HKEY root, const wchar_t* key, const wchar_t* name, long long value) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (value < 0) {
        RegDeleteValueW(h, name);
    } else {
        DWORD v = static_cast<DWORD>(value);
        RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }
    RegCloseKey(h);
}

bool keyExists(const wchar_t* key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

TEST(WindowsUserRegistry, AValueLastsAsLongAsItsOwnerAndAnEarlierOneComesBack) {
    // A fresh profile lacks the key: it is created, and removed again with the value.
    const std::string parent = "Software\\RondivoTest" + std::to_string(GetCurrentProcessId());
    const std::string sub = parent + "\\FeatureControl";
    const std::wstring wsub(sub.begin(), sub.end());
    const std::wstring wparent(parent.begin(), parent.end());
    {
        ScopedUserRegistryValue v(sub, "autorun.exe", kIe11Emulation);
        ASSERT_TRUE(v.applied()) << v.problem();
        EXPECT_EQ(registryValue(HKEY_CURRENT_USER, wsub.c_str(), L"autorun.exe"), 0x2af9);
    }
    EXPECT_FALSE(keyExists(wsub.c_str()));

    // A value the user had (another program of that name) keeps its data.
    restoreValue(HKEY_CURRENT_USER, wsub.c_str(), L"autorun.exe", 7000);
    restoreValue(HKEY_CURRENT_USER, wsub.c_str(), L"other.exe", 8000);
    {
        ScopedUserRegistryValue v(sub, "autorun.exe", kIe11Emulation);
        ASSERT_TRUE(v.applied()) << v.problem();
        EXPECT_EQ(registryValue(HKEY_CURRENT_USER, wsub.c_str(), L"autorun.exe"), 11001);
    }
    EXPECT_EQ(registryValue(HKEY_CURRENT_USER, wsub.c_str(), L"autorun.exe"), 7000);
    EXPECT_EQ(registryValue(HKEY_CURRENT_USER, wsub.c_str(), L"other.exe"), 8000);

    // Two copies of the player: the second finds the first one's value, and
    // whichever ends last leaves nothing behind.
    restoreValue(HKEY_CURRENT_USER, wsub.c_str(), L"autorun.exe", -1);
    auto first = std::make_unique<ScopedUserRegistryValue>(sub, "autorun.exe", kIe11Emulation);
    auto second = std::make_unique<ScopedUserRegistryValue>(sub, "autorun.exe", kIe11Emulation);
    first.reset();
    second.reset();
    EXPECT_EQ(registryValue(HKEY_CURRENT_USER, wsub.c_str(), L"autorun.exe"), -1);
    restoreValue(HKEY_CURRENT_USER, wsub.c_str(), L"other.exe", -1);
    RegDeleteKeyW(HKEY_CURRENT_USER, wsub.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, wparent.c_str());
}

std::wstring registryText(const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[128] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return L"(none)";
    return buffer;
}

void setRegistryText(const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
        return;
    if (text == L"(none)")
        RegDeleteValueW(h, name);
    else
        RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
}

TEST(WindowsCdAutorun, ChangesTheUsersAutoPlayChoiceAndSaysSo) {
    const wchar_t* handlers =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers";
    const wchar_t* chosen =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers\\"
        L"UserChosenExecuteHandlers";
    const wchar_t* cdrom = L"SYSTEM\\CurrentControlSet\\Services\\Cdrom";
    const wchar_t* policies = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    const long long oldDisable = registryValue(HKEY_CURRENT_USER, handlers, L"DisableAutoplay");
    const std::wstring oldChoice = registryText(chosen, L"AutorunINFLegacyArrival");
    const long long oldDriver = registryValue(HKEY_LOCAL_MACHINE, cdrom, L"Autorun");
    const long long oldPolicy = registryValue(HKEY_CURRENT_USER, policies, L"NoDriveTypeAutoRun");

    // A user who turned AutoPlay off, and chose "Take no action" for software.
    restoreValue(HKEY_CURRENT_USER, handlers, L"DisableAutoplay", 1);
    setRegistryText(chosen, L"AutorunINFLegacyArrival", L"MSTakeNoAction");
    restoreValue(HKEY_CURRENT_USER, policies, L"NoDriveTypeAutoRun", -1);
    CdAutorunReport r = setCdAutorun(true);
    EXPECT_TRUE(r.available);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(registryValue(HKEY_CURRENT_USER, handlers, L"DisableAutoplay"), 0);
    EXPECT_EQ(registryText(chosen, L"AutorunINFLegacyArrival"), L"MSAutoRun");
    EXPECT_NE(r.text.find("AutoPlay was switched on"), std::string::npos) << r.text;
    EXPECT_NE(r.text.find("Install or run program"), std::string::npos) << r.text;
    // Nothing left to change: nothing to say.
    EXPECT_EQ(setCdAutorun(true).text, "");

    // An administrator's policy is reported, never changed; nor is the driver's value.
    restoreValue(HKEY_CURRENT_USER, policies, L"NoDriveTypeAutoRun", 0xFF);
    r = setCdAutorun(true);
    EXPECT_NE(r.text.find("only an administrator"), std::string::npos) << r.text;
    EXPECT_EQ(registryValue(HKEY_CURRENT_USER, policies, L"NoDriveTypeAutoRun"), 0xFF);
    EXPECT_EQ(registryValue(HKEY_LOCAL_MACHINE, cdrom, L"Autorun"), oldDriver);

    restoreValue(HKEY_CURRENT_USER, handlers, L"DisableAutoplay", oldDisable);
    setRegistryText(chosen, L"AutorunINFLegacyArrival", oldChoice);
    restoreValue(HKEY_CURRENT_USER, policies, L"NoDriveTypeAutoRun", oldPolicy);
}

TEST(WindowsEject, AFolderOnAHardDiskIsNoDisc) {
    test::TempDir dir;
    EXPECT_FALSE(opticalDriveRoot(dir.path()));
    EXPECT_FALSE(ejectDiscHolding(dir.path()));
}

}  // namespace
}  // namespace rondivo::platform
