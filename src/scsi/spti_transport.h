#pragma once
// Windows pass-through: IOCTL_SCSI_PASS_THROUGH_DIRECT on "\\.\X:" for each
// CD-ROM drive letter.
#include <string>
#include <vector>

#include "scsi/scsi_transport.h"

namespace rondivo::burn {

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

  private:
    bool openDevice(const std::string& device);

    void* handle_ = nullptr;
    std::string openDevice_;
};

}  // namespace rondivo::burn
