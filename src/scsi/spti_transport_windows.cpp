#include <windows.h>
// After windows.h:
#include <ntddscsi.h>
#include <winioctl.h>

#include <cstddef>
#include <cstring>

#include "scsi/scsi_sense.h"
#include "scsi/spti_transport.h"
#include "scsi/system_transport.h"

namespace rondivo::burn {

namespace {

// The request and the sense bytes that follow it in one buffer, as the
// driver expects them (SenseInfoOffset points behind the request).
struct PassThroughRequest {
    SCSI_PASS_THROUGH_DIRECT request;
    ULONG align;
    UCHAR sense[kSenseAreaSize];
};

std::wstring deviceName(char letter) {
    return std::wstring(L"\\\\.\\") + static_cast<wchar_t>(letter) + L':';
}

HANDLE openVolume(const std::wstring& name) {
    // Read and write access for writing commands; a user without them can
    // still ask the drive with read access.
    HANDLE h =
        CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h;
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
    std::vector<DriveCandidate> drives;
    for (char letter : cdromDriveLetters()) {
        HANDLE h = openVolume(deviceName(letter));
        if (h == INVALID_HANDLE_VALUE) continue;
        DriveCandidate c;
        c.device = std::string("\\\\.\\") + letter + ':';
        c.letter = letter;
        SCSI_ADDRESS address{};
        address.Length = sizeof address;
        DWORD returned = 0;
        if (DeviceIoControl(h, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address, sizeof address,
                            &returned, nullptr)) {
            c.hasAddress = true;
            c.hostAdapter = address.PortNumber;
            c.target = address.TargetId;
            c.lun = address.Lun;
        }
        CloseHandle(h);
        drives.push_back(c);
    }
    return drives;
}

bool SptiTransport::openDevice(const std::string& device) {
    if (handle_ && openDevice_ == device) return true;
    closeHandle();
    HANDLE h = openVolume(std::wstring(device.begin(), device.end()));
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    openDevice_ = device;
    return true;
}

void SptiTransport::closeHandle() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    openDevice_.clear();
}

bool SptiTransport::execute(const std::string& device, CommandBlock& block, std::uint8_t* data) {
    block.status = kStatusError;
    if (!openDevice(device)) {
        block.hostAdapterStatus = 0xFF;
        return false;
    }
    PassThroughRequest pt{};
    SCSI_PASS_THROUGH_DIRECT& r = pt.request;
    r.Length = sizeof r;
    r.CdbLength = block.cdbLength;
    r.SenseInfoLength =
        static_cast<UCHAR>(std::min<std::size_t>(block.senseLength, kSenseAreaSize));
    r.SenseInfoOffset = offsetof(PassThroughRequest, sense);
    r.TimeOutValue = 12000;  // seconds: a full-disc close or format can take many minutes
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

}  // namespace rondivo::burn
