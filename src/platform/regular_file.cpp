#include "platform/regular_file.h"

#include <cerrno>

#include "platform/file_io.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

std::FILE* openRegularFileStream(const fs::path& path) {
    const int fd = openRegularFile(path);
    if (fd < 0) return nullptr;
#ifdef _WIN32
    std::FILE* f = _fdopen(fd, "rb");
#else
    std::FILE* f = fdopen(fd, "rb");
#endif
    if (!f) {
        const int err = errno;
        closeFile(fd);
        errno = err;
    }
    return f;
}

bool readRegularFile(const fs::path& path, std::vector<char>& out, std::uint64_t limit) {
    out.clear();
    const int fd = openRegularFile(path);
    if (fd < 0) return false;
    std::uint64_t size = 0;
    bool ok = openFileSize(fd, size) && size <= limit;
    if (ok) out.reserve(static_cast<std::size_t>(size));
    char chunk[1 << 16];
    while (ok) {
        const long got = readSome(fd, chunk, sizeof chunk);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        // The file may have grown since its size was taken.
        ok = out.size() + static_cast<std::uint64_t>(got) <= limit;
        if (ok) out.insert(out.end(), chunk, chunk + got);
    }
    closeFile(fd);
    if (!ok) out.clear();
    return ok;
}

RegularFileStream::RegularFileStream(const fs::path& path) : std::istream(nullptr) {
    buffer_.fd = openRegularFile(path);
    rdbuf(&buffer_);
    if (buffer_.fd < 0) setstate(std::ios::failbit);
}

RegularFileStream::~RegularFileStream() {
    if (buffer_.fd >= 0) closeFile(buffer_.fd);
}

RegularFileStream::Buffer::int_type RegularFileStream::Buffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (fd < 0) return traits_type::eof();
    const long got = readSome(fd, data_, sizeof data_);
    if (got <= 0) return traits_type::eof();
    setg(data_, data_, data_ + got);
    return traits_type::to_int_type(*gptr());
}

}  // namespace rondivo::platform
