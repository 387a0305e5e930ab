#pragma once
// Linux pass-through: SG_IO on /dev/sr*, drives found in /sys/class/block.
#include <filesystem>

#include "scsi/scsi_transport.h"

namespace rondivo::scsi {

class SgTransport final : public ScsiTransport {
  public:
    // The roots are parameters so tests can lay out a fake sysfs.
    explicit SgTransport(std::filesystem::path sysClassBlock = "/sys/class/block",
                         std::filesystem::path devFolder = "/dev");
    ~SgTransport() override;
    SgTransport(const SgTransport&) = delete;
    SgTransport& operator=(const SgTransport&) = delete;

    TransportKind kind() const override { return TransportKind::PassThrough; }
    std::vector<DriveCandidate> listDrives() override;
    bool execute(const std::string& device, CommandBlock& block, std::uint8_t* data) override;
    void closeHandle() override;
    bool openExclusive(const std::string& device) override;
    std::string lastFailure() const override { return failure_; }

  private:
    bool openDevice(const std::string& device, bool forWriting);

    std::filesystem::path sysClassBlock_;
    std::filesystem::path devFolder_;
    int fd_ = -1;
    std::string openDevice_;
    bool writable_ = false;
    std::string failure_;
};

// "1:0:0:0" (host:channel:target:lun, the name of a SCSI device in sysfs).
struct ScsiAddress {
    int host = 0, channel = 0, target = 0, lun = 0;
};
bool parseScsiAddress(const std::string& text, ScsiAddress& out);

}  // namespace rondivo::scsi
