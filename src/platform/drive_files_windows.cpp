#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>

#include <cerrno>

#include "platform/drive_files.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

// FILE_FLAG_NO_BUFFERING wants sector-aligned buffers and sizes.
constexpr std::size_t kAlignment = 4096;

std::wstring volumeRoot(const fs::path& path) {
    wchar_t root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(fs::absolute(path).c_str(), root, MAX_PATH)) return {};
    return root;
}

}  // namespace

bool syncFile(int fd) {
    return _commit(fd) == 0;
}

// Windows writes a folder's entries with the files' own flushes.
bool syncFolder(const fs::path&) {
    return true;
}

// Flushing a whole volume needs administrator rights on Windows; each file
// was flushed on its own.
bool flushFileSystem(const fs::path&) {
    return true;
}

bool volumeSpace(const fs::path& path, VolumeSpace& out) {
    ULARGE_INTEGER avail{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(path.c_str(), &avail, &total, &free)) {
        errno = errnoFromWindowsError(GetLastError());
        return false;
    }
    out.total = total.QuadPart;
    out.free = avail.QuadPart;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    const std::wstring root = volumeRoot(path);
    if (!root.empty() && GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector,
                                           &freeClusters, &clusters))
        out.blockSize = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
    if (out.blockSize == 0) out.blockSize = 4096;
    return true;
}

std::string fileSystemType(const fs::path& path) {
    const std::wstring root = volumeRoot(path);
    wchar_t name[MAX_PATH + 1] = {};
    if (root.empty() ||
        !GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH))
        return {};
    return utf8FromWide(name);
}

DeviceReader::DeviceReader() {
    buffer_ = static_cast<char*>(_aligned_malloc(kChunk, kAlignment));
}

DeviceReader::~DeviceReader() {
    close();
    _aligned_free(buffer_);
}

bool DeviceReader::open(const fs::path& path) {
    close();
    if (!buffer_) {
        errno = ENOMEM;
        return false;
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    direct_ = h != INVALID_HANDLE_VALUE;
    if (!direct_)
        h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errnoFromWindowsError(GetLastError());
        return false;
    }
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd_ < 0) {
        CloseHandle(h);
        return false;
    }
    return true;
}

long DeviceReader::read(const char*& data) {
    data = buffer_;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    std::size_t got = 0;
    while (got < kChunk) {
        DWORD n = 0;
        if (!ReadFile(h, buffer_ + got, static_cast<DWORD>(kChunk - got), &n, nullptr)) {
            errno = errnoFromWindowsError(GetLastError());
            return -1;
        }
        if (n == 0) break;
        got += n;
        if (direct_ && got % kAlignment != 0) break;
    }
    return static_cast<long>(got);
}

void DeviceReader::close() {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
}

}  // namespace rondivo::platform
