#include "designer/folder_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>
#include <utility>

namespace rondivo {

namespace fs = std::filesystem;

namespace {

std::string errnoText(int e) {
    return std::strerror(e);
}

// Returns 0 or an errno value. Copies at most `size` bytes: a file that grows
// while it is copied (a log, a device) cannot fill the disk.
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
    // Whatever is left (no copy_file_range) goes the plain way.
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

const char* specialKind(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a file";
}

FileCopyResult failed(int e) {
    return {errnoText(e), false, e == ENOSPC || e == EDQUOT};
}

FileCopyResult notRegular(mode_t mode) {
    return {std::string("not a regular file (") + specialKind(mode) + ")", true, false};
}

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

FileCopyResult copyFileImpl(const fs::path& source, const fs::path& target, std::uint64_t* bytes) {
    // A FIFO is never opened (that waits for a writer for ever), nor a
    // device read (that may never end).
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0) return failed(errno);
    if (S_ISDIR(st.st_mode)) return failed(EISDIR);
    if (!S_ISREG(st.st_mode)) return notRegular(st.st_mode);
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.fd < 0) return failed(errno);
    if (::fstat(in.fd, &st) != 0) return failed(errno);
    if (!S_ISREG(st.st_mode)) return notRegular(st.st_mode);
    mode_t mode = (st.st_mode & 0777) | S_IWUSR | S_IRUSR;
    int outFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (outFd < 0 && (errno == EACCES || errno == EPERM)) {
        // A read-only target is overwritten, as the author expects of a rebuild.
        ::chmod(target.c_str(), S_IRUSR | S_IWUSR);
        outFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    }
    if (outFd < 0) return failed(errno);
    Fd out(outFd);
    if (int e = copyBytes(in.fd, out.fd, static_cast<std::uint64_t>(st.st_size))) return failed(e);
    if (bytes) *bytes += static_cast<std::uint64_t>(st.st_size);
    int fd = out.fd;
    out.fd = -1;
    if (::close(fd) != 0) return failed(errno);
    return {};
}

struct TreeCopier {
    const std::function<void(const fs::path&)>& onFile;
    FolderCopyReport report;
    std::set<std::pair<dev_t, ino_t>> visited;
    std::set<std::pair<dev_t, ino_t>> skip;

    void fail(const fs::path& p, std::string why) {
        report.failures.push_back({p, std::move(why)});
    }

    void copyDir(const fs::path& src, const fs::path& dst) {
        struct stat st {};
        if (::stat(src.c_str(), &st) != 0) return fail(src, errnoText(errno));
        if (skip.count({st.st_dev, st.st_ino})) return;
        if (!visited.insert({st.st_dev, st.st_ino}).second) return;
        std::error_code ec;
        fs::create_directories(dst, ec);
        if (ec && !fs::is_directory(dst)) return fail(src, ec.message());
        ++report.folders;

        struct Entry {
            ino_t ino;
            unsigned char type;
            std::string name;
        };
        std::vector<Entry> entries;
        DIR* dir = ::opendir(src.c_str());
        if (!dir) return fail(src, errnoText(errno));
        while (const dirent* de = ::readdir(dir)) {
            std::string_view name = de->d_name;
            if (name == "." || name == "..") continue;
            entries.push_back({de->d_ino, de->d_type, std::string(name)});
        }
        ::closedir(dir);
        // Inode order reads a large folder front to back on the disk instead
        // of in the directory's hash order.
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.ino < b.ino; });

        for (const auto& e : entries) {
            const fs::path from = src / e.name;
            bool isDir = e.type == DT_DIR;
            if (e.type != DT_DIR && e.type != DT_REG) {
                // Links (followed) and file systems that do not tell the type.
                struct stat est {};
                if (::stat(from.c_str(), &est) != 0) {
                    fail(from, errnoText(errno));
                    continue;
                }
                isDir = S_ISDIR(est.st_mode);
            }
            if (isDir) {
                copyDir(from, dst / e.name);
                if (report.diskFull) return;
                continue;
            }
            if (onFile) onFile(from);
            FileCopyResult r = copyFileImpl(from, dst / e.name, &report.bytes);
            if (r.ok()) {
                ++report.files;
                continue;
            }
            fail(from, r.reason);
            if (r.diskFull) {
                // Every further file would fail the same way.
                report.diskFull = true;
                return;
            }
        }
    }
};

}  // namespace

FileCopyResult copyRegularFile(const fs::path& source, const fs::path& target) {
    return copyFileImpl(source, target, nullptr);
}

std::string copyFileOver(const fs::path& source, const fs::path& target) {
    return copyFileImpl(source, target, nullptr).reason;
}

FolderCopyReport copyFolderTree(const fs::path& sourceDir, const fs::path& targetDir,
                                const std::function<void(const fs::path&)>& onFile,
                                const std::vector<fs::path>& alsoSkip) {
    TreeCopier copier{onFile, {}, {}, {}};
    std::error_code ec;
    fs::create_directories(targetDir, ec);
    for (const fs::path& p : alsoSkip) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0) copier.skip.insert({st.st_dev, st.st_ino});
    }
    struct stat st {};
    if (::stat(targetDir.c_str(), &st) == 0) copier.skip.insert({st.st_dev, st.st_ino});
    copier.copyDir(sourceDir, targetDir);
    return std::move(copier.report);
}

void clearReadOnly(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR))
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
}

bool deleteFolderTree(const fs::path& path) {
    std::error_code ec;
    bool ok = true;
    fs::directory_iterator it(path, ec);
    if (ec) return false;
    std::vector<fs::path> entries;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return false;
        entries.push_back(it->path());
    }
    for (const auto& e : entries) {
        // Folders copied read-only cannot be emptied until they are writable again.
        if (fs::is_directory(fs::symlink_status(e, ec))) ::chmod(e.c_str(), 0700);
        fs::remove_all(e, ec);
        if (ec) ok = false;
    }
    return ok;
}

}  // namespace rondivo
