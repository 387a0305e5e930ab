#pragma once
// How a CommandBlock reaches a drive. Each platform has its own transport
// (SG_IO on Linux, SCSI pass-through on "\\.\X:" on Windows); the virtual
// drive sits behind the same interface.
#include <cstdint>
#include <string>
#include <vector>

#include "scsi/scsi_command.h"

namespace rondivo::scsi {

enum class TransportKind {
    PassThrough,  // the operating system's pass-through on a device handle
    Virtual,      // a drive simulated in this process
};

// One drive as a transport finds it.
struct DriveCandidate {
    std::string device;  // "/dev/sr0", or the image file of a virtual drive
    char letter = '?';
    bool hasAddress = false;  // the address request answered
    std::uint8_t hostAdapter = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
};

class ScsiTransport {
  public:
    virtual ~ScsiTransport() = default;
    virtual TransportKind kind() const = 0;

    // The drives this transport reaches, in the order a user would expect.
    virtual std::vector<DriveCandidate> listDrives() = 0;

    // Runs `block` on `device`, opening a handle when none is open for it. Sets the
    // block's status (done or error), target status, host adapter status and sense
    // data; `data` holds block.dataLength bytes. Returns true when the device
    // reported that its medium may have changed, so that the caller retries once
    // with a fresh handle.
    virtual bool execute(const std::string& device, CommandBlock& block, std::uint8_t* data) = 0;

    // Closes the open handle, if any.
    virtual void closeHandle() = 0;

    // Opens the handle every command of a burn goes through: writable and
    // exclusive, so that no other program reaches the drive until it is
    // closed. False with lastFailure() saying why when that is not possible.
    virtual bool openExclusive(const std::string& device) {
        (void)device;
        return true;
    }

    // Why the last command did not reach the drive ("your user cannot write to
    // /dev/sr0: ..."), empty when the transport has nothing to add.
    virtual std::string lastFailure() const { return {}; }
};

}  // namespace rondivo::scsi
