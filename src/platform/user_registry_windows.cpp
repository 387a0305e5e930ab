#include <windows.h>

#include "platform/user_registry.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace {

std::string failure(const char* what, LONG status) {
    return std::string(what) + " failed (error " + std::to_string(status) + ")";
}

}  // namespace

ScopedUserRegistryValue::ScopedUserRegistryValue(std::string subkey, std::string name,
                                                 std::uint32_t value)
    : subkey_(std::move(subkey)), name_(std::move(name)) {
    const std::wstring key = wideFromUtf8(subkey_);
    const std::wstring wname = wideFromUtf8(name_);
    HKEY h = nullptr;
    DWORD disposition = 0;
    // wxWidgets' own setter only opens the key, which a fresh profile lacks.
    LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &h, &disposition);
    if (status != ERROR_SUCCESS) {
        problem_ = failure("RegCreateKeyExW", status);
        return;
    }
    createdKey_ = disposition == REG_CREATED_NEW_KEY;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(h, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof data) {
        hadValue_ = true;
        earlier_ = data;
    }
    const DWORD want = value;
    status = RegSetValueExW(h, wname.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&want),
                            sizeof want);
    RegCloseKey(h);
    if (status != ERROR_SUCCESS) {
        problem_ = failure("RegSetValueExW", status);
        return;
    }
    applied_ = true;
    // Found as we want it: we changed nothing and leave it to whoever set it
    // (another copy of the player, still running, removes its own at its end).
    unchanged_ = hadValue_ && earlier_ == value;
}

ScopedUserRegistryValue::~ScopedUserRegistryValue() {
    if (!applied_ || unchanged_) return;
    const std::wstring key = wideFromUtf8(subkey_);
    const std::wstring wname = wideFromUtf8(name_);
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &h) !=
        ERROR_SUCCESS)
        return;
    if (hadValue_) {
        const DWORD data = earlier_;
        RegSetValueExW(h, wname.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                       sizeof data);
        RegCloseKey(h);
        return;
    }
    RegDeleteValueW(h, wname.c_str());
    DWORD subkeys = 0, values = 0;
    const bool empty =
        RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0;
    RegCloseKey(h);
    if (createdKey_ && empty) RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace rondivo::platform
