#pragma once
// The one way the program copies a file: a regular file only (a FIFO,
// socket or device is never opened), no more bytes than it held when it was
// opened, written under a temporary name beside the target and renamed over
// it (read-only or not) only when whole. A failed copy leaves the target as
// it was and names the reason.
#include <cstdint>
#include <filesystem>
#include <string>

namespace rondivo::platform {

// How one file copy ended; the two causes an author can act on are told apart.
struct FileCopyResult {
    std::string reason;           // empty on success
    bool notRegularFile = false;  // a FIFO, socket or device: never read
    bool diskFull = false;        // the target's disk (or quota) is full
    bool ok() const { return reason.empty(); }
};

// `bytes`, when given, grows by the bytes copied.
FileCopyResult copyRegularFile(const std::filesystem::path& source,
                               const std::filesystem::path& target, std::uint64_t* bytes = nullptr);

}  // namespace rondivo::platform
