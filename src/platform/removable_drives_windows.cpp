#include <windows.h>
#include <winioctl.h>

#include "platform/removable_drives.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

// A USB hard disk reports itself as fixed; its bus type tells it from the internal disks.
bool onUsbBus(wchar_t letter) {
    const std::wstring volume = std::wstring(L"\\\\.\\") + letter + L":";
    HANDLE h = CreateFileW(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    alignas(8) unsigned char buffer[1024] = {};
    DWORD got = 0;
    const bool ok = DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer,
                                    sizeof buffer, &got, nullptr);
    CloseHandle(h);
    if (!ok || got < sizeof(STORAGE_DEVICE_DESCRIPTOR)) return false;
    return reinterpret_cast<STORAGE_DEVICE_DESCRIPTOR*>(buffer)->BusType == BusTypeUsb;
}

class WindowsDriveService : public DriveService {
  public:
    std::vector<RemovableDrive> listDrives() override {
        std::vector<RemovableDrive> drives;
        const DWORD letters = GetLogicalDrives();
        for (int i = 2; i < 26; ++i) {  // A: and B: are floppy drives
            if (!(letters & (1u << i))) continue;
            const wchar_t letter = static_cast<wchar_t>(L'A' + i);
            const std::wstring root = std::wstring(1, letter) + L":\\";
            const UINT type = GetDriveTypeW(root.c_str());
            if (type != DRIVE_REMOVABLE && !(type == DRIVE_FIXED && onUsbBus(letter))) continue;
            RemovableDrive d;
            d.device = utf8FromWide(std::wstring(1, letter) + L":");
            wchar_t label[MAX_PATH + 1] = {}, system[MAX_PATH + 1] = {};
            // An empty card reader has no volume: nothing to copy to.
            if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH, nullptr, nullptr, nullptr,
                                       system, MAX_PATH))
                continue;
            d.mountPoint = root;
            d.label = utf8FromWide(label);
            d.fileSystem = utf8FromWide(system);
            VolumeSpace space;
            if (volumeSpace(root, space)) {
                d.size = space.total;
                d.free = space.free;
            }
            drives.push_back(std::move(d));
        }
        return drives;
    }
    // Windows mounts a drive as it arrives.
    bool mount(RemovableDrive& drive, std::string& error) override {
        if (drive.mounted()) return true;
        error = "Windows gave the drive no letter";
        return false;
    }
    bool setLabel(const RemovableDrive& drive, const std::string& label,
                  std::string& error) override {
        const std::wstring root = drive.mountPoint.wstring();
        if (SetVolumeLabelW(root.c_str(), wideFromUtf8(label).c_str())) return true;
        error = "Windows refused the label (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    bool removeSafely(const RemovableDrive&, std::string& error) override {
        error = "use \"Safely Remove Hardware\" in the notification area";
        return false;
    }
};

}  // namespace

std::unique_ptr<DriveService> systemDriveService() {
    return std::make_unique<WindowsDriveService>();
}

}  // namespace rondivo::platform
