#pragma once
// Reading files a disc names (autorun.inf, autorun.dat, the splash picture, the
// icon, a sound, an ".enc" page). A disc or a folder the player is started in
// may hold a FIFO, a socket or a device under any of those names; opening or
// reading one waits for ever on the window thread. These open regular files
// only (links followed), never wait while opening, and report anything else
// as a missing file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <streambuf>
#include <vector>

namespace rondivo::platform {

// A descriptor for reading, or -1 with errno (ENOENT for anything but a
// regular file, EISDIR for a folder).
int openRegularFile(const std::filesystem::path& path);

// The same as a stdio stream opened "rb"; null with errno.
std::FILE* openRegularFileStream(const std::filesystem::path& path);

// The whole file, or false when it is not a regular file or holds more than
// `limit` bytes.
bool readRegularFile(const std::filesystem::path& path, std::vector<char>& out,
                     std::uint64_t limit);

// An input stream over a regular file; in the failed state when the file is
// missing or not a regular file.
class RegularFileStream : public std::istream {
  public:
    explicit RegularFileStream(const std::filesystem::path& path);
    ~RegularFileStream() override;
    RegularFileStream(const RegularFileStream&) = delete;
    RegularFileStream& operator=(const RegularFileStream&) = delete;

  private:
    class Buffer : public std::streambuf {
      public:
        int fd = -1;

      protected:
        int_type underflow() override;

      private:
        char data_[8192];
    };
    Buffer buffer_;
};

}  // namespace rondivo::platform
