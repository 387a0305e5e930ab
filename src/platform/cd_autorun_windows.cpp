#include <windows.h>

#include "platform/cd_autorun.h"

namespace rondivo::platform {

namespace {

// The user's AutoPlay settings, as Settings → AutoPlay and the AutoPlay
// control panel write them: one switch for all media, and the action chosen
// for "Software and games" (a disc with autorun.inf).
constexpr wchar_t kAutoplayHandlers[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers";
constexpr wchar_t kChosenHandlers[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers\\"
    L"UserChosenExecuteHandlers";
constexpr wchar_t kDefaultHandlers[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers\\"
    L"EventHandlersDefaultSelection";
constexpr wchar_t kSoftwareEvent[] = L"AutorunINFLegacyArrival";
constexpr wchar_t kRunProgram[] = L"MSAutoRun";
constexpr wchar_t kNoAction[] = L"MSTakeNoAction";
constexpr wchar_t kExplorerPolicies[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr DWORD kCdromDriveBit = 1u << DRIVE_CDROM;  // 0x20 in NoDriveTypeAutoRun

bool readDword(HKEY root, const wchar_t* key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

std::wstring readString(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[128] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return {};
    return buffer;
}

LONG writeValue(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY h = nullptr;
    LONG status =
        RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExW(h, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(h);
    return status;
}

LONG writeString(const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    return writeValue(key, name, REG_SZ, text.c_str(),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// A policy (an administrator's) that stops autorun on CD drives whatever the user chooses.
bool policyStopsCdAutorun() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        DWORD value = 0;
        if (readDword(root, kExplorerPolicies, L"NoDriveTypeAutoRun", value) &&
            (value & kCdromDriveBit))
            return true;
        if (readDword(root, kExplorerPolicies, L"NoAutorun", value) && value == 1) return true;
    }
    return false;
}

void add(std::string& text, const std::string& sentence) {
    text += (text.empty() ? "" : " ") + sentence;
}

}  // namespace

CdAutorunReport setCdAutorun(bool enabled) {
    CdAutorunReport report;
    report.available = true;
    DWORD disabled = 0;
    if (enabled && readDword(HKEY_CURRENT_USER, kAutoplayHandlers, L"DisableAutoplay", disabled) &&
        disabled != 0) {
        const DWORD on = 0;
        if (writeValue(kAutoplayHandlers, L"DisableAutoplay", REG_DWORD, &on, sizeof on) ==
            ERROR_SUCCESS) {
            add(report.text, "AutoPlay was switched on for all media and devices.");
        } else {
            report.failed = true;
            add(report.text, "AutoPlay could not be switched on.");
        }
    }
    const std::wstring want = enabled ? kRunProgram : kNoAction;
    if (readString(HKEY_CURRENT_USER, kChosenHandlers, kSoftwareEvent) != want) {
        const bool ok = writeString(kChosenHandlers, kSoftwareEvent, want) == ERROR_SUCCESS &&
                        writeString(kDefaultHandlers, kSoftwareEvent, want) == ERROR_SUCCESS;
        report.failed = report.failed || !ok;
        if (!ok)
            add(report.text, "The AutoPlay choice for software on CDs could not be changed.");
        else if (enabled)
            add(report.text,
                "AutoPlay now starts the program of a CD with software (\"Install or run "
                "program from your media\").");
        else
            add(report.text, "AutoPlay now takes no action for a CD with software.");
    }
    if (enabled && policyStopsCdAutorun())
        add(report.text,
            "A policy of this computer turns AutoRun off for CD drives; only an administrator "
            "can change it.");
    return report;
}

}  // namespace rondivo::platform
