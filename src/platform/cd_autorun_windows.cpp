#include <windows.h>

#include "platform/cd_autorun.h"

namespace rondivo::platform {

namespace {

constexpr wchar_t kCdromService[] = L"SYSTEM\\CurrentControlSet\\Services\\Cdrom";
constexpr wchar_t kExplorerPolicies[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr DWORD kCdromDriveBit = 1u << DRIVE_CDROM;  // 0x20 in NoDriveTypeAutoRun

bool readDword(HKEY root, const wchar_t* key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

bool writeDword(HKEY root, const wchar_t* key, const wchar_t* name, DWORD value) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof value) == ERROR_SUCCESS;
    RegCloseKey(h);
    return ok;
}

}  // namespace

bool setCdAutorun(bool enabled) {
    // The CD-ROM driver's switch. Writing it needs administrator rights;
    // without them it fails quietly, as the designer expects.
    const DWORD want = enabled ? 1 : 0;
    DWORD value = 0;
    bool set = readDword(HKEY_LOCAL_MACHINE, kCdromService, L"Autorun", value) && value == want;
    if (!set) set = writeDword(HKEY_LOCAL_MACHINE, kCdromService, L"Autorun", want);

    // Since XP the Explorer policy decides: a CD-ROM bit in the user's
    // NoDriveTypeAutoRun stops autorun whatever the driver says. Only a value
    // the user has is changed; none means the system default.
    if (readDword(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun", value)) {
        const DWORD wantPolicy = enabled ? (value & ~kCdromDriveBit) : (value | kCdromDriveBit);
        if (wantPolicy != value)
            set = writeDword(HKEY_CURRENT_USER, kExplorerPolicies, L"NoDriveTypeAutoRun",
                             wantPolicy) &&
                  set;
    }
    return set;
}

}  // namespace rondivo::platform
