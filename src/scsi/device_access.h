#pragma once
// What opening a drive's device handle allows, in words a user can act on.
// Portable: the pass-through transports and the virtual drive share it.
#include <cstdint>
#include <string>

namespace rondivo::burn {

// Whether the system lets `opcode` through on a handle opened read-only
// (Linux refuses every command that writes or changes the drive).
bool readOnlyHandleAllows(std::uint8_t opcode);
// The message for an open of `device` for writing that failed with `error` (errno).
std::string openFailureText(const std::string& device, int error);

}  // namespace rondivo::burn
