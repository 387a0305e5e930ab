#include <windows.h>
// After windows.h:
#include <ntddscsi.h>
#include <setupapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "scsi/mmc_commands.h"
#include "scsi/scsi_sense.h"
#include "scsi/spti_transport.h"
#include "scsi/system_transport.h"

namespace rondivo::scsi {

namespace {

// The request and the sense bytes that follow it in one buffer, as the
// driver expects them (SenseInfoOffset points behind the request).
struct PassThroughRequest {
    SCSI_PASS_THROUGH_DIRECT request;
    ULONG align;
    UCHAR sense[kSenseAreaSize];
};

// IOCTL_CDROM_EXCLUSIVE_ACCESS and its structures (ntddcdrm.h; MinGW's
// headers lack them).
constexpr DWORD kIoctlCdromExclusiveAccess = 0x0002C05C;
constexpr ULONG kExclusiveAccessLockDevice = 1;
constexpr ULONG kExclusiveAccessUnlockDevice = 2;
constexpr ULONG kCdromLockIgnoreVolume = 1;
struct CdromExclusiveLock {
    ULONG requestType;
    ULONG flags;
    UCHAR callerName[64];  // letters, digits, blanks and a few marks only
};

// GUID_DEVINTERFACE_CDROM, defined here rather than taken from a library.
const GUID kCdromInterface = {
    0x53f56308, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

std::wstring deviceName(char letter) {
    return std::wstring(L"\\\\.\\") + static_cast<wchar_t>(letter) + L':';
}

HANDLE openDeviceHandle(const std::wstring& name, DWORD access) {
    return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Which storage device a handle reaches: a drive's letter and its device
// interface lead to the same number.
bool deviceNumber(HANDLE h, STORAGE_DEVICE_NUMBER& number) {
    DWORD returned = 0;
    return DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                           &returned, nullptr) != 0;
}

// What a handle without access rights can still learn: the address and the device number.
DriveCandidate describe(const std::string& device, char letter, HANDLE h) {
    DriveCandidate c;
    c.device = device;
    c.letter = letter;
    SCSI_ADDRESS address{};
    address.Length = sizeof address;
    DWORD returned = 0;
    if (DeviceIoControl(h, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address, &returned,
                        nullptr)) {
        c.hasAddress = true;
        c.hostAdapter = address.PortNumber;
        c.target = address.TargetId;
        c.lun = address.Lun;
    }
    return c;
}

// The device paths of every CD-ROM device interface: a writer without a drive
// letter is found only this way.
std::vector<std::wstring> cdromInterfacePaths() {
    std::vector<std::wstring> paths;
    HDEVINFO set = SetupDiGetClassDevsW(&kCdromInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return paths;
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &kCdromInterface, i, &item); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &item, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        std::vector<std::uint8_t> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &item, detail, size, nullptr, nullptr))
            paths.emplace_back(detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

std::string deviceLabel(const std::string& device) {
    // "\\.\D:" reads "drive D:"; an interface path stays as it is.
    if (device.size() == 6 && device.rfind("\\\\.\\", 0) == 0) return "drive " + device.substr(4);
    return "the drive " + device;
}

}  // namespace

std::unique_ptr<ScsiTransport> makeSystemTransport() {
    return std::make_unique<SptiTransport>();
}

std::vector<char> cdromDriveLetters() {
    std::vector<char> letters;
    const DWORD present = GetLogicalDrives();
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (!(present & (1u << (letter - 'A')))) continue;
        const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', 0};
        if (GetDriveTypeW(root) == DRIVE_CDROM) letters.push_back(letter);
    }
    return letters;
}

SptiTransport::~SptiTransport() {
    closeHandle();
}

std::vector<DriveCandidate> SptiTransport::listDrives() {
    // Listed with no access rights asked: a user who may not write still sees
    // the drive, and is told why when a command needs the rights.
    std::vector<DriveCandidate> drives;
    std::vector<DWORD> seen;
    for (char letter : cdromDriveLetters()) {
        HANDLE h = openDeviceHandle(deviceName(letter), 0);
        if (h == INVALID_HANDLE_VALUE) continue;
        drives.push_back(describe(std::string("\\\\.\\") + letter + ':', letter, h));
        STORAGE_DEVICE_NUMBER number{};
        if (deviceNumber(h, number)) seen.push_back(number.DeviceNumber);
        CloseHandle(h);
    }
    for (const std::wstring& path : cdromInterfacePaths()) {
        HANDLE h = openDeviceHandle(path, 0);
        if (h == INVALID_HANDLE_VALUE) continue;
        STORAGE_DEVICE_NUMBER number{};
        const bool known = deviceNumber(h, number) &&
                           std::find(seen.begin(), seen.end(), number.DeviceNumber) != seen.end();
        if (!known) {
            std::string device;
            for (wchar_t ch : path) device.push_back(static_cast<char>(ch));  // ASCII paths
            drives.push_back(describe(device, '?', h));
        }
        CloseHandle(h);
    }
    return drives;
}

bool SptiTransport::openDevice(const std::string& device) {
    if (handle_ && openDevice_ == device) return true;
    closeHandle();
    // Pass-through needs read and write access, for questions too; there is
    // no read-only way that would work, so say what is missing.
    HANDLE h =
        openDeviceHandle(std::wstring(device.begin(), device.end()), GENERIC_READ | GENERIC_WRITE);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_ACCESS_DENIED)
            failure_ = "writing to " + deviceLabel(device) +
                       " needs administrator rights (or the right to use the device): start "
                       "the program as administrator";
        else if (err == ERROR_SHARING_VIOLATION)
            failure_ = "another program is using " + deviceLabel(device);
        else
            failure_ =
                "cannot open " + deviceLabel(device) + " (error " + std::to_string(err) + ")";
        return false;
    }
    handle_ = h;
    openDevice_ = device;
    return true;
}

bool SptiTransport::holdDrive(bool hold) {
    HANDLE h = static_cast<HANDLE>(handle_);
    DWORD returned = 0;
    PREVENT_MEDIA_REMOVAL prevent{};
    prevent.PreventMediaRemoval = hold ? TRUE : FALSE;
    // The system's own tray lock, released with the handle if the program dies
    // (a PREVENT sent through pass-through would outlive it).
    const bool locked = DeviceIoControl(h, IOCTL_STORAGE_EJECTION_CONTROL, &prevent, sizeof prevent,
                                        nullptr, 0, &returned, nullptr) != 0;
    if (hold && !exclusive_) {
        CdromExclusiveLock lock{};
        lock.requestType = kExclusiveAccessLockDevice;
        std::memcpy(lock.callerName, "Rondivo", 8);
        // A mounted file system first tries to go; a blank disc has none.
        DeviceIoControl(h, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
        DeviceIoControl(h, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
        exclusive_ = DeviceIoControl(h, kIoctlCdromExclusiveAccess, &lock, sizeof lock, nullptr, 0,
                                     &returned, nullptr) != 0;
        if (!exclusive_) {
            lock.flags = kCdromLockIgnoreVolume;
            exclusive_ = DeviceIoControl(h, kIoctlCdromExclusiveAccess, &lock, sizeof lock, nullptr,
                                         0, &returned, nullptr) != 0;
        }
    } else if (!hold && exclusive_) {
        CdromExclusiveLock unlock{};
        unlock.requestType = kExclusiveAccessUnlockDevice;
        DeviceIoControl(h, kIoctlCdromExclusiveAccess, &unlock, 8, nullptr, 0, &returned, nullptr);
        exclusive_ = false;
    }
    trayLocked_ = hold && locked;
    return locked;
}

void SptiTransport::closeHandle() {
    if (handle_) {
        if (trayLocked_ || exclusive_) holdDrive(false);
        CloseHandle(static_cast<HANDLE>(handle_));
    }
    handle_ = nullptr;
    openDevice_.clear();
}

bool SptiTransport::execute(const std::string& device, CommandBlock& block, std::uint8_t* data) {
    block.status = kStatusError;
    failure_.clear();
    if (!openDevice(device)) {
        block.hostAdapterStatus = 0xFF;
        return false;
    }
    // The engine locks the tray for the burn and unlocks it at the end: here
    // that also holds the drive for this program alone.
    if (block.opcode() == op::kPreventAllowMediumRemoval && holdDrive((block.cdb[4] & 0x01) != 0)) {
        block.hostAdapterStatus = 0;
        block.targetStatus = kScsiStatusGood;
        block.status = kStatusDone;
        return false;
    }
    PassThroughRequest pt{};
    SCSI_PASS_THROUGH_DIRECT& r = pt.request;
    r.Length = sizeof r;
    r.CdbLength = block.cdbLength;
    r.SenseInfoLength =
        static_cast<UCHAR>(std::min<std::size_t>(block.senseLength, kSenseAreaSize));
    r.SenseInfoOffset = offsetof(PassThroughRequest, sense);
    r.TimeOutValue = commandTimeoutSeconds(block);
    if (block.dataLength > 0 && (block.readsData() || block.writesData())) {
        r.DataIn = block.readsData() ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
        r.DataTransferLength = block.dataLength;
        r.DataBuffer = data;
    } else {
        r.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
    }
    std::memcpy(r.Cdb, block.cdb.data(), std::min<std::size_t>(block.cdbLength, sizeof r.Cdb));
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(static_cast<HANDLE>(handle_), IOCTL_SCSI_PASS_THROUGH_DIRECT,
                                    &pt, sizeof pt, &pt, sizeof pt, &returned, nullptr);
    if (!ok) {
        const DWORD err = GetLastError();
        block.hostAdapterStatus = 0xFF;
        if (err == ERROR_SEM_TIMEOUT)
            failure_ = "the drive did not answer within " +
                       std::to_string(commandTimeoutSeconds(block)) + " seconds";
        else if (err == ERROR_ACCESS_DENIED)
            failure_ = "the system refused the command on " + deviceLabel(device) +
                       ": writing needs administrator rights";
        else if (err != ERROR_MEDIA_CHANGED)
            failure_ = "the system refused the command (error " + std::to_string(err) + ")";
        // A new medium: the caller reopens and asks once more.
        return err == ERROR_MEDIA_CHANGED;
    }
    block.hostAdapterStatus = 0;
    block.targetStatus = r.ScsiStatus;
    if (r.ScsiStatus == kScsiStatusGood) {
        block.status = kStatusDone;
        return false;
    }
    std::memcpy(block.sense.data(), pt.sense, kSenseAreaSize);
    return decodeSense(block.sense).mediumMayHaveChanged();
}

}  // namespace rondivo::scsi
