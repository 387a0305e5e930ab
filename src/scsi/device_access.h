#pragma once
// What opening a drive's device handle allows, in words a user can act on.
// Portable: the pass-through transports and the virtual drive share it.
#include <cstdint>
#include <string>

namespace rondivo::scsi {

// Whether the system lets `opcode` through on a handle opened read-only
// (Linux refuses every command that writes or changes the drive).
bool readOnlyHandleAllows(std::uint8_t opcode);
// The message for an open of `device` for writing that failed with `error` (errno).
std::string openFailureText(const std::string& device, int error);
// The message for a pass-through request the system itself refused with
// `error` (errno): EPERM is the kernel's command filter, not the drive.
std::string passThroughFailureText(const std::string& device, int error);
// What went wrong on the way to the drive, from the SG_IO host and driver
// status; empty when the command reached the drive and it answered (a CHECK
// CONDITION with sense data is the drive's answer, not a transport failure).
std::string hostFailureText(unsigned hostStatus, unsigned driverStatus, unsigned timeoutSeconds);

}  // namespace rondivo::scsi
