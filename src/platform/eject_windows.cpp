#include <windows.h>
// After windows.h:
#include <winioctl.h>

#include "platform/eject.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

std::optional<fs::path> opticalDriveRoot(const fs::path& folder) {
    std::error_code ec;
    const std::wstring name = fs::absolute(folder, ec).root_name().wstring();
    if (name.size() != 2 || name[1] != L':') return std::nullopt;
    const std::wstring root = name + L"\\";
    if (GetDriveTypeW(root.c_str()) != DRIVE_CDROM) return std::nullopt;
    return fs::path(root);
}

bool ejectDiscHolding(const fs::path& folder) {
    auto root = opticalDriveRoot(folder);
    if (!root) return false;
    const std::wstring device = L"\\\\.\\" + root->root_name().wstring();
    HANDLE h = CreateFileW(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const bool ok =
        DeviceIoControl(h, IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned, nullptr);
    CloseHandle(h);
    return ok;
}

}  // namespace rondivo::platform
