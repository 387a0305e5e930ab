#include "burn/image_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <system_error>

namespace rondivo::burn {

namespace {

std::string errnoText(int err) {
    return std::generic_category().message(err);
}

}  // namespace

ImageFileSink::ImageFileSink(std::filesystem::path target) : target_(std::move(target)) {}

ImageFileSink::~ImageFileSink() {
    // An operation that never reached finish() must not leave its partial image behind.
    if (fd_ >= 0) discard();
}

bool ImageFileSink::create() {
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    if (target_.filename().empty()) {
        message_.assign(1, '"');
        message_ += target_.string();
        message_ += "\" is not a file name.";
        return false;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(target_, ec)) {
        message_ = "\"" + target_.string() + "\" is a folder.";
        return false;
    }
    // O_EXCL with our own random name rather than mkstemp: mkstemp makes the
    // file private, and the umask should decide, as for any document.
    std::random_device random;
    int fd = -1;
    std::string name;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string leaf(1, '.');
        leaf += target_.filename().string();
        leaf += ".partial-";
        leaf += std::to_string(random() % 1000000000u);
        name = (folder / leaf).string();
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        message_ = "Cannot create \"" + target_.string() + "\": " + errnoText(errno) + ".";
        return false;
    }
    fd_ = fd;
    temp_ = name;
    return true;
}

long ImageFileSink::writeSome(int fd, const std::uint8_t* data, std::size_t bytes) {
    return static_cast<long>(::write(fd, data, bytes));
}

bool ImageFileSink::writeBlock(const std::uint8_t* data, std::size_t bytes) {
    if (fd_ < 0) {
        message_ = "The image file is not open.";
        return false;
    }
    while (bytes > 0) {
        long n = writeSome(fd_, data, bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : ENOSPC;
            message_ = "Cannot write \"" + target_.string() + "\": " + errnoText(err) + ".";
            return false;
        }
        data += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

void ImageFileSink::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool ImageFileSink::finish(bool failed) {
    if (failed) {
        discard();
        return false;
    }
    if (fd_ < 0) {
        message_ = "The image file is not open.";
        return false;
    }
    int fd = fd_;
    fd_ = -1;
    // close() is where some file systems (NFS, full quotas) report lost writes.
    if (::close(fd) != 0) {
        message_ = "Cannot write \"" + target_.string() + "\": " + errnoText(errno) + ".";
        ::unlink(temp_.c_str());
        return false;
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        message_ = "Cannot create \"" + target_.string() + "\": " + errnoText(errno) + ".";
        ::unlink(temp_.c_str());
        return false;
    }
    return true;
}

}  // namespace rondivo::burn
