#pragma once
// What copying onto a removable drive needs beyond plain file I/O: getting
// the data onto the device before the author pulls the stick out, reading it
// back from the device rather than from the system's cache, and the space
// and file system of the volume a folder lies on.
#include <cstdint>
#include <filesystem>
#include <string>

namespace rondivo::platform {

// Flushes an open file's data and size to the device. False with errno.
bool syncFile(int fd);
// Flushes a folder's entries (new and renamed names) to the device; true
// where the system has no such call.
bool syncFolder(const std::filesystem::path& folder);
// Flushes everything pending on the file system that holds `path`.
bool flushFileSystem(const std::filesystem::path& path);

struct VolumeSpace {
    std::uint64_t total = 0;
    std::uint64_t free = 0;          // what an unprivileged writer may use
    std::uint64_t blockSize = 4096;  // allocation unit: every file takes whole ones
};
// False with errno when the volume cannot be asked.
bool volumeSpace(const std::filesystem::path& path, VolumeSpace& out);

// The file system `path` lies on, as the system names it ("vfat", "exfat",
// "tmpfs"; on Windows "FAT32", "exFAT", "NTFS"); "" when unknown.
std::string fileSystemType(const std::filesystem::path& path);

// Reads a file from the device, past the system's page cache: direct I/O
// where the file system allows it, else the cached pages are dropped first.
class DeviceReader {
  public:
    DeviceReader();
    ~DeviceReader();
    DeviceReader(const DeviceReader&) = delete;
    DeviceReader& operator=(const DeviceReader&) = delete;

    // False with errno.
    bool open(const std::filesystem::path& path);
    // The next bytes in `data` (valid until the next call): their number, 0
    // at the end, -1 with errno.
    long read(const char*& data);
    void close();
    // Whether the reads bypass the cache by direct I/O (else by dropping it).
    bool direct() const { return direct_; }

    static constexpr std::size_t kChunk = 1 << 20;

  private:
    int fd_ = -1;
    bool direct_ = false;
    char* buffer_ = nullptr;  // aligned for direct I/O
};

}  // namespace rondivo::platform
