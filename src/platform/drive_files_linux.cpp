#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/drive_files.h"
#include "platform/eject.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {
// Direct I/O wants the buffer, offsets and sizes aligned to the device's
// logical block; 4096 covers every block size in use.
constexpr std::size_t kAlignment = 4096;
}  // namespace

bool syncFile(int fd) {
    return ::fsync(fd) == 0;
}

bool syncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // Some file systems refuse fsync on a folder; their entries are then
    // written with the file system's flush.
    bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return ok;
}

bool flushFileSystem(const fs::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

bool volumeSpace(const fs::path& path, VolumeSpace& out) {
    struct statvfs st {};
    if (::statvfs(path.c_str(), &st) != 0) return false;
    const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    out.total = static_cast<std::uint64_t>(st.f_blocks) * unit;
    out.free = static_cast<std::uint64_t>(st.f_bavail) * unit;
    out.blockSize = unit ? unit : 4096;
    return true;
}

std::string fileSystemType(const fs::path& path) {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    text << in.rdbuf();
    auto entry = mountHolding(path, text.str());
    return entry ? entry->type : std::string();
}

DeviceReader::DeviceReader() {
    buffer_ = static_cast<char*>(std::aligned_alloc(kAlignment, kChunk));
}

DeviceReader::~DeviceReader() {
    close();
    std::free(buffer_);
}

bool DeviceReader::open(const fs::path& path) {
    close();
    if (!buffer_) {
        errno = ENOMEM;
        return false;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECT);
    direct_ = fd_ >= 0;
    if (fd_ < 0) {
        if (errno != EINVAL) return false;
        // No direct I/O here: write back whatever is pending, then drop the
        // cached pages so the reads have to go to the device.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return false;
        ::fdatasync(fd_);
        posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
    }
    return true;
}

long DeviceReader::read(const char*& data) {
    data = buffer_;
    std::size_t got = 0;
    // A short read ends the file only at its end; direct reads come in whole
    // blocks, so the loop also keeps the next read's offset aligned.
    while (got < kChunk) {
        ssize_t n = ::read(fd_, buffer_ + got, kChunk - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
        if (direct_ && got % kAlignment != 0) break;
    }
    return static_cast<long>(got);
}

void DeviceReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace rondivo::platform
