#include <windows.h>
// windows.h first: the device headers build on its types.
#include <cfgmgr32.h>
#include <initguid.h>
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

// The storage device number of a volume ("E:") or a disk interface path.
bool deviceNumber(const std::wstring& path, STORAGE_DEVICE_NUMBER& out) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    const bool ok = DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &out,
                                    sizeof out, &got, nullptr);
    CloseHandle(h);
    return ok;
}

// The disk holding the drive letter, as a device node: its interface path
// "\\?\usbstor#disk&ven_x#123&0#{guid}" names the instance "USBSTOR\DISK&VEN_X\123&0".
bool diskNode(const std::string& letter, DEVINST& node) {
    STORAGE_DEVICE_NUMBER volume{};
    if (!deviceNumber(L"\\\\.\\" + wideFromUtf8(letter), volume)) return false;
    GUID disks = GUID_DEVINTERFACE_DISK;
    ULONG size = 0;
    if (CM_Get_Device_Interface_List_SizeW(&size, &disks, nullptr,
                                           CM_GET_DEVICE_INTERFACE_LIST_PRESENT) != CR_SUCCESS)
        return false;
    std::wstring list(size, L'\0');
    if (CM_Get_Device_Interface_ListW(&disks, nullptr, list.data(), size,
                                      CM_GET_DEVICE_INTERFACE_LIST_PRESENT) != CR_SUCCESS)
        return false;
    for (const wchar_t* p = list.c_str(); *p; p += wcslen(p) + 1) {
        STORAGE_DEVICE_NUMBER disk{};
        if (!deviceNumber(p, disk) || disk.DeviceType != volume.DeviceType ||
            disk.DeviceNumber != volume.DeviceNumber)
            continue;
        std::wstring id = p;
        if (id.rfind(L"\\\\?\\", 0) == 0) id.erase(0, 4);
        if (auto guid = id.rfind(L"#{"); guid != std::wstring::npos) id.erase(guid);
        for (wchar_t& c : id)
            if (c == L'#') c = L'\\';
        return CM_Locate_DevNodeW(&node, id.data(), CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS;
    }
    return false;
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
    // Windows flushes and dismounts the volume itself before it agrees.
    bool removeSafely(const RemovableDrive& drive, std::string& error) override {
        DEVINST disk = 0, parent = 0;
        if (!diskNode(drive.device, disk)) {
            error = "Windows does not name the device that holds " + drive.device;
            return false;
        }
        // The stick itself is the disk's parent (the USB mass storage device).
        DEVINST target = CM_Get_Parent(&parent, disk, 0) == CR_SUCCESS ? parent : disk;
        PNP_VETO_TYPE veto = PNP_VetoTypeUnknown;
        wchar_t vetoName[MAX_PATH] = {};
        if (CM_Request_Device_EjectW(target, &veto, vetoName, MAX_PATH, 0) == CR_SUCCESS &&
            veto == PNP_VetoTypeUnknown)
            return true;
        error = "a program still uses the drive";
        if (vetoName[0]) error += " (" + utf8FromWide(vetoName) + ")";
        return false;
    }
};

}  // namespace

std::unique_ptr<DriveService> systemDriveService() {
    return std::make_unique<WindowsDriveService>();
}

}  // namespace rondivo::platform
