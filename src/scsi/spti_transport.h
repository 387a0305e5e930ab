#pragma once
// Windows pass-through: IOCTL_SCSI_PASS_THROUGH_DIRECT on "\\.\X:" for each
// CD-ROM drive letter, and on the device path of a CD-ROM device without one.
// While the engine keeps the tray locked the drive is held for this program
// alone (IOCTL_CDROM_EXCLUSIVE_ACCESS) and the tray is locked by the system
// (IOCTL_STORAGE_EJECTION_CONTROL), both released when the handle closes.
#include <string>
#include <vector>

#include "scsi/scsi_transport.h"

namespace rondivo::scsi {

// The letters C to Z whose drive type is CD-ROM, in order.
std::vector<char> cdromDriveLetters();

class SptiTransport final : public ScsiTransport {
  public:
    SptiTransport() = default;
    ~SptiTransport() override;
    SptiTransport(const SptiTransport&) = delete;
    SptiTransport& operator=(const SptiTransport&) = delete;

    TransportKind kind() const override { return TransportKind::PassThrough; }
    std::vector<DriveCandidate> listDrives() override;
    bool execute(const std::string& device, CommandBlock& block, std::uint8_t* data) override;
    void closeHandle() override;
    std::string lastFailure() const override { return failure_; }

  private:
    bool openDevice(const std::string& device);
    // Locks (or releases) the tray and exclusive access; false when the tray lock failed.
    bool holdDrive(bool hold);

    void* handle_ = nullptr;
    std::string openDevice_;
    std::string failure_;
    bool exclusive_ = false;
    bool trayLocked_ = false;
};

}  // namespace rondivo::scsi
