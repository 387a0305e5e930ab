#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

FileLock::~FileLock() {
    release();
}

bool FileLock::held() const {
    return fd_ >= 0;
}

FileLock::Result FileLock::tryAcquire(const fs::path& file) {
    release();
    // A holder removes the file as it lets go: a lock taken on a file that is
    // no longer the one under that name locks nothing, so look again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return Result::Failed;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            errno = err;
            return err == EWOULDBLOCK ? Result::Busy : Result::Failed;
        }
        struct stat opened {
        }, named{};
        if (::fstat(fd, &opened) == 0 && ::stat(file.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            fd_ = fd;
            file_ = file;
            return Result::Acquired;
        }
        ::close(fd);
    }
    return Result::Busy;
}

void FileLock::release() {
    if (fd_ < 0) return;
    ::unlink(file_.c_str());
    ::close(fd_);
    fd_ = -1;
}

bool markInUse(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool removeUnlessInUse(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool removed = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        removed = ::unlink(file.c_str()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace rondivo::platform
