#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <thread>

#include "platform/file_io.h"
#include "platform/regular_file.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

std::FILE* openFile(const fs::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int openForReading(const fs::path& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int openRegularFile(const fs::path& path) {
    // Looked at before opening: opening a device can have effects of its own.
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) return -1;
    if (!S_ISREG(before.st_mode)) {
        errno = S_ISDIR(before.st_mode) ? EISDIR : ENOENT;
        return -1;
    }
    // Non-blocking: a FIFO put in its place since then must not hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        errno = ENOENT;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

int openForWriting(const fs::path& path, Create how, unsigned permissions) {
    const int flags =
        O_WRONLY | O_CREAT | O_CLOEXEC | (how == Create::Exclusive ? O_EXCL : O_TRUNC);
    return ::open(path.c_str(), flags, static_cast<mode_t>(permissions));
}

int closeFile(int fd) {
    return ::close(fd);
}

long readSome(int fd, void* buffer, std::size_t bytes) {
    return static_cast<long>(::read(fd, buffer, bytes));
}

long readAt(int fd, void* buffer, std::size_t bytes, std::uint64_t offset) {
    return static_cast<long>(::pread(fd, buffer, bytes, static_cast<off_t>(offset)));
}

long writeSome(int fd, const void* data, std::size_t bytes) {
    return static_cast<long>(::write(fd, data, bytes));
}

long writeAt(int fd, const void* data, std::size_t bytes, std::uint64_t offset) {
    return static_cast<long>(::pwrite(fd, data, bytes, static_cast<off_t>(offset)));
}

bool isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

void adviseSequential(int fd) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

long copyRange(int in, std::uint64_t* inOffset, int out, std::size_t bytes) {
    loff_t at = inOffset ? static_cast<loff_t>(*inOffset) : 0;
    ssize_t n = ::copy_file_range(in, inOffset ? &at : nullptr, out, nullptr, bytes, 0);
    if (n > 0 && inOffset) *inOffset = static_cast<std::uint64_t>(at);
    return static_cast<long>(n);
}

bool isTargetFullError(int err) {
    return err == ENOSPC || err == EDQUOT || err == EFBIG || err == EROFS;
}

bool openFileSize(int fd, std::uint64_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

int removeFile(const fs::path& path) {
    return ::unlink(path.c_str());
}

int renameFile(const fs::path& from, const fs::path& to) {
    return std::rename(from.c_str(), to.c_str());
}

bool utcTime(std::time_t t, std::tm& out) {
    return gmtime_r(&t, &out) != nullptr;
}

bool localTime(std::time_t t, std::tm& out, long& gmtOffsetSeconds) {
    if (!localtime_r(&t, &out)) return false;
    gmtOffsetSeconds = out.tm_gmtoff;
    return true;
}

namespace {

fs::file_type typeOfMode(mode_t mode) {
    if (S_ISREG(mode)) return fs::file_type::regular;
    if (S_ISDIR(mode)) return fs::file_type::directory;
    if (S_ISLNK(mode)) return fs::file_type::symlink;
    if (S_ISFIFO(mode)) return fs::file_type::fifo;
    if (S_ISSOCK(mode)) return fs::file_type::socket;
    if (S_ISCHR(mode)) return fs::file_type::character;
    if (S_ISBLK(mode)) return fs::file_type::block;
    return fs::file_type::unknown;
}

fs::file_type typeOfDirent(unsigned char type) {
    switch (type) {
        case DT_REG:
            return fs::file_type::regular;
        case DT_DIR:
            return fs::file_type::directory;
        case DT_LNK:
            return fs::file_type::symlink;
        case DT_FIFO:
            return fs::file_type::fifo;
        case DT_SOCK:
            return fs::file_type::socket;
        case DT_CHR:
            return fs::file_type::character;
        case DT_BLK:
            return fs::file_type::block;
        default:
            return fs::file_type::unknown;
    }
}

// Looks at the entry's target; a file system that gives no type in its
// listing is asked first whether the entry is a link.
void lookAt(int folderFd, FolderEntry& e) {
    struct stat st {};
    if (e.type == fs::file_type::unknown &&
        fstatat(folderFd, e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        e.isLink = S_ISLNK(st.st_mode);
    if (fstatat(folderFd, e.name.c_str(), &st, 0) != 0) {
        e.error = errno;
        return;
    }
    e.type = typeOfMode(st.st_mode);
    e.isFile = S_ISREG(st.st_mode);
    e.isFolder = S_ISDIR(st.st_mode);
    e.size = static_cast<std::uint64_t>(st.st_size);
    e.modified = st.st_mtime;
    e.executable = S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0;
}

// Looking at each entry is most of the cost of walking a big folder, and the
// kernel serves two lookups at once: a large folder is split between this
// thread and a second one.
void statAll(int folderFd, std::vector<FolderEntry>& entries) {
    auto range = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) lookAt(folderFd, entries[i]);
    };
    constexpr std::size_t kSplitFrom = 1024;
    const std::size_t n = entries.size();
    if (n >= kSplitFrom && std::thread::hardware_concurrency() > 1) {
        try {
            std::thread helper(range, n / 2, n);
            range(0, n / 2);
            helper.join();
            return;
        } catch (const std::system_error&) {
            // No thread to be had: the rest is done here.
        }
    }
    range(0, n);
}

}  // namespace

bool listFolder(const fs::path& folder, std::vector<FolderEntry>& out, FolderDetail detail) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return false;
    std::vector<FolderEntry> entries;
    while (const dirent* de = ::readdir(d)) {
        const char* n = de->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        FolderEntry e;
        e.name = n;
        e.node = de->d_ino;
        e.type = typeOfDirent(de->d_type);
        e.isLink = e.type == fs::file_type::symlink;
        e.isFile = e.type == fs::file_type::regular;
        e.isFolder = e.type == fs::file_type::directory;
        entries.push_back(std::move(e));
    }
    if (detail == FolderDetail::Full) {
        statAll(dirfd(d), entries);
    } else {
        // Links (followed) and file systems that do not tell the type.
        for (auto& e : entries)
            if (!e.isFile && !e.isFolder) lookAt(dirfd(d), e);
    }
    ::closedir(d);
    out = std::move(entries);
    return true;
}

bool fileIdentity(const fs::path& path, FileIdentity& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    out = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

namespace {

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Returns 0 or an errno value.
int copyBytes(int in, int out, std::uint64_t size) {
    // copy_file_range keeps the data in the kernel (and lets file systems
    // share extents); fall back to plain reads where it is not supported.
    std::uint64_t done = 0;
    bool useRange = true;
    while (useRange && done < size) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size - done, 0);
        if (n > 0) {
            done += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) return 0;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
            useRange = false;
            break;
        }
        return errno;
    }
    // Whatever is left (no copy_file_range) goes the plain way. Never more
    // than `size`: a file that grows while it is copied cannot fill the disk.
    static thread_local std::vector<char> buffer(1 << 20);
    while (done < size) {
        std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - done));
        ssize_t n = ::read(in, buffer.data(), want);
        if (n == 0) return 0;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::uint64_t>(n);
        char* p = buffer.data();
        while (n > 0) {
            ssize_t w = ::write(out, p, static_cast<std::size_t>(n));
            if (w < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            p += w;
            n -= w;
        }
    }
    return 0;
}

}  // namespace

int copyFileData(const fs::path& source, const fs::path& target, std::uint64_t& bytes) {
    // Non-blocking: a FIFO put in place of the file must not hold the copy.
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.fd < 0) return errno;
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return ENODEV;
    mode_t mode = (st.st_mode & 0777) | S_IWUSR | S_IRUSR;
    int outFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (outFd < 0 && (errno == EACCES || errno == EPERM)) {
        // A read-only target is overwritten, as the author expects of a rebuild.
        ::chmod(target.c_str(), S_IRUSR | S_IWUSR);
        outFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    }
    if (outFd < 0) return errno;
    Fd out(outFd);
    if (int e = copyBytes(in.fd, out.fd, static_cast<std::uint64_t>(st.st_size))) return e;
    bytes += static_cast<std::uint64_t>(st.st_size);
    int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0) return errno;
    return 0;
}

void makeWritable(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR))
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR | (S_ISDIR(st.st_mode) ? S_IXUSR : 0));
}

void markHidden(const fs::path&) {}

}  // namespace rondivo::platform
