#include <windows.h>
// After windows.h:
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/user_folders.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

fs::path knownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    fs::path result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path))) result = path;
    CoTaskMemFree(path);
    return result;
}

}  // namespace

fs::path homeFolder() {
    return knownFolder(FOLDERID_Profile);
}

fs::path desktopFolder() {
    return knownFolder(FOLDERID_Desktop);
}

fs::path localAppDataFolder() {
    return knownFolder(FOLDERID_LocalAppData);
}

fs::path tempFolder() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
    if (n == 0 || n > MAX_PATH + 1) return localAppDataFolder() / L"Temp";
    return fs::path(buffer);
}

fs::path runtimeFolder() {
    return tempFolder();
}

fs::path windowsFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? fs::path(L"C:\\Windows") : fs::path(buffer);
}

fs::path systemFolder() {
    wchar_t buffer[MAX_PATH];
    const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? windowsFolder() / L"System32" : fs::path(buffer);
}

std::string systemDrive() {
    const std::wstring system = systemFolder().wstring();
    return system.size() >= 2 && system[1] == L':' ? std::string{static_cast<char>(system[0]), ':'}
                                                   : std::string("C:");
}

fs::path programFilesFolder() {
    // Not FOLDERID_ProgramFiles: on 64-bit Windows that depends on the bitness
    // of the asker; the links on a disc mean the folder by its usual name.
    const std::wstring windows = windowsFolder().wstring();
    const wchar_t drive = windows.empty() ? L'C' : windows[0];
    return fs::path(std::wstring{drive, L':', L'\\'} + L"Program Files");
}

}  // namespace rondivo::platform
