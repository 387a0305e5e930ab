#include "burn/image_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

#include "iso/image_source.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace rondivo::burn {

namespace {

std::string errnoText(int err) {
    return std::generic_category().message(err);
}

}  // namespace

bool ImageSink::writeRange(const FileRange& range, std::string& sourceError) {
    constexpr std::size_t kChunk = 65536;
    auto buffer = std::make_unique<std::uint8_t[]>(kChunk);
    std::uint64_t offset = range.offset;
    std::size_t left = range.length;
    std::size_t bytes = range.bytes;
    while (bytes > 0) {
        std::size_t chunk = std::min(kChunk, bytes);
        std::size_t want = std::min(chunk, left);
        std::size_t got = 0;
        while (got < want) {
            long n = platform::readAt(range.fd, buffer.get() + got, want - got, offset + got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                sourceError = iso::sourceReadError(range.path, errno);
                return false;
            }
            if (n == 0) {
                sourceError = iso::sourceShorterError(range.path);
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        std::memset(buffer.get() + want, 0, chunk - want);
        if (!writeBlock(buffer.get(), chunk)) return false;
        offset += want;
        left -= want;
        bytes -= chunk;
    }
    return true;
}

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
    removeStalePartials(folder);
    // O_EXCL with our own random name rather than mkstemp: mkstemp makes the
    // file private, and the umask should decide, as for any document.
    std::random_device random;
    int fd = -1;
    std::filesystem::path name;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        std::string leaf(1, '.');
        leaf += platform::u8string(target_.filename());
        leaf += ".partial-";
        leaf += std::to_string(random() % 1000000000u);
        name = folder / platform::u8path(leaf);
        fd = platform::openForWriting(name, platform::Create::Exclusive);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        message_ = "Cannot create \"" + target_.string() + "\": " + errnoText(errno) + ".";
        return false;
    }
    platform::markInUse(fd);
    fd_ = fd;
    temp_ = name;
    return true;
}

// Partial files of earlier saves of this file that were killed: ".NAME.partial-"
// and digits, as create() names them, and not being written by a save still running.
void ImageFileSink::removeStalePartials(const std::filesystem::path& folder) {
    std::string prefix(1, '.');
    prefix += platform::u8string(target_.filename());
    prefix += ".partial-";
    std::vector<platform::FolderEntry> entries;
    if (!platform::listFolder(folder, entries, platform::FolderDetail::Types)) return;
    for (const auto& e : entries) {
        if (e.isLink || e.name.size() <= prefix.size() || e.name.compare(0, prefix.size(), prefix))
            continue;
        if (e.name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
        platform::removeUnlessInUse(folder / platform::u8path(e.name));
    }
}

long ImageFileSink::writeSome(int fd, const std::uint8_t* data, std::size_t bytes) {
    return platform::writeSome(fd, data, bytes);
}

long ImageFileSink::copySome(int in, std::uint64_t* offset, int out, std::size_t bytes) {
    return platform::copyRange(in, offset, out, bytes);
}

void ImageFileSink::writeFailed(int err) {
    message_ = "Cannot write \"" + target_.string() + "\": " + errnoText(err) + ".";
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
            writeFailed(n < 0 ? errno : ENOSPC);
            return false;
        }
        data += n;
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ImageFileSink::writeRange(const FileRange& range, std::string& sourceError) {
    if (fd_ < 0) {
        message_ = "The image file is not open.";
        return false;
    }
    FileRange rest = range;
    while (copyWorks_ && rest.length > 0) {
        long n = copySome(rest.fd, &rest.offset, fd_, rest.length);
        if (n > 0) {
            rest.length -= static_cast<std::size_t>(n);
            rest.bytes -= static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            sourceError = iso::sourceShorterError(range.path);
            return false;
        }
        if (errno == EINTR) continue;
        if (platform::isTargetFullError(errno)) {
            writeFailed(errno);
            return false;
        }
        // Not supported between these files, or an error whose side is
        // unclear: the buffered path finishes the piece and, on failure,
        // tells a read error from a write error.
        copyWorks_ = false;
    }
    if (rest.length > 0) return ImageSink::writeRange(rest, sourceError);
    static const std::uint8_t zeros[2048] = {};
    return rest.bytes == 0 || writeBlock(zeros, rest.bytes);
}

void ImageFileSink::discard() {
    if (fd_ >= 0) platform::closeFile(fd_);
    fd_ = -1;
    if (!temp_.empty()) platform::removeFile(temp_);
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
    if (platform::closeFile(fd) != 0) {
        writeFailed(errno);
        platform::removeFile(temp_);
        return false;
    }
    if (platform::renameFile(temp_, target_) != 0) {
        message_ = "Cannot create \"" + target_.string() + "\": " + errnoText(errno) + ".";
        platform::removeFile(temp_);
        return false;
    }
    return true;
}

}  // namespace rondivo::burn
