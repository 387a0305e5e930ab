#include "iso/image_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "iso/iso_bytes.h"
#include "platform/file_io.h"

namespace rondivo::iso {

ImageSource::ImageSource(std::vector<std::uint8_t> metadata, std::vector<SourceFile> files,
                         std::uint32_t volumeSectors)
    : metadata_(std::move(metadata)),
      files_(std::move(files)),
      total_(static_cast<std::uint64_t>(volumeSectors) * kSectorSize) {}

std::string sourceReadError(std::string_view path, int err) {
    std::string text = "Cannot read \"";
    text += path;
    text += "\": " + std::generic_category().message(err) + ".";
    return text;
}

std::string sourceShorterError(std::string_view path) {
    std::string text(1, '"');
    text += path;
    text += "\" became shorter while the image was written.";
    return text;
}

std::string sourceLongerNote(std::string_view path, std::uint64_t size) {
    std::string text(1, '"');
    text += path;
    text += "\" became longer while the image was written; only its first " + std::to_string(size) +
            " bytes are in the image.";
    return text;
}

void ImageSource::noteIfGrown(int fd) {
    const SourceFile& f = files_[fileIndex_];
    std::uint64_t now = 0;
    if (platform::openFileSize(fd, now) && now > f.size)
        notes_.push_back(sourceLongerNote(f.path, f.size));
}

SourceHandle::~SourceHandle() {
    if (fd >= 0) platform::closeFile(fd);
}

ImageSource::~ImageSource() {
    closeFile();
}

std::unique_ptr<ImageSource> ImageSource::fromSession(IsoImage& session) {
    std::vector<SourceFile> files;
    for (auto& e : session.entries)
        if (!e->dir && e->size > 0 && !e->source.empty()) files.push_back({e->source, e->size});
    auto source = std::make_unique<ImageSource>(std::move(session.metadata), std::move(files),
                                                session.layout.volumeSize);
    session.metadata = {};
    return source;
}

void ImageSource::closeFile() {
    if (fd_ >= 0) platform::closeFile(fd_);
    fd_ = -1;
}

bool ImageSource::openNext() {
    const SourceFile& f = files_[fileIndex_];
    fd_ = platform::openForReading(platform::u8path(f.path));
    if (fd_ < 0) {
        message_ = "Cannot open \"" + std::string(f.path) +
                   "\": " + std::generic_category().message(errno) + ".";
        return false;
    }
    // A file read in one block gains nothing from read-ahead advice, and
    // the call costs as much as the read for the many small files of a site.
    if (f.size > kBlockBytes) platform::adviseSequential(fd_);
    fileLeft_ = f.size;
    return true;
}

bool ImageSource::startsRange() const {
    return rangeMinimum_ > 0 && fd_ < 0 && fileIndex_ < files_.size() &&
           files_[fileIndex_].size >= rangeMinimum_ && metadataDone();
}

ImageSource::Result ImageSource::nextRange(Piece& piece) {
    if (!rangeFile_) {
        if (!openNext()) return Result::Error;
        rangeFile_ =
            std::make_shared<const SourceHandle>(fd_, std::string(files_[fileIndex_].path));
        fd_ = -1;
    }
    const SourceFile& f = files_[fileIndex_];
    std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(kRangeBytes, fileLeft_));
    piece.file = rangeFile_;
    piece.offset = f.size - fileLeft_;
    piece.length = length;
    fileLeft_ -= length;
    // Pieces inside the file are kRangeBytes, whole sectors; the last one
    // carries the file's padding.
    piece.bytes = static_cast<std::size_t>(sectorsFor(length) * kSectorSize);
    if (fileLeft_ == 0) {
        noteIfGrown(rangeFile_->fd);
        rangeFile_.reset();
        ++fileIndex_;
    }
    produced_ += piece.bytes;
    return Result::Piece;
}

bool ImageSource::readFile(std::uint8_t* block, std::size_t& pos, std::size_t limit) {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(limit - pos, fileLeft_));
    // One byte more than the file should hold, where the block has room,
    // tells without another system call whether it grew; the byte lands
    // where padding or the next file goes.
    const bool probe = want == fileLeft_ && pos + want < limit;
    long got = platform::readSome(fd_, block + pos, want + (probe ? 1 : 0));
    if (got < 0 && errno == EINTR) return true;
    const SourceFile& f = files_[fileIndex_];
    if (got <= 0) {
        message_ = got < 0 ? sourceReadError(f.path, errno) : sourceShorterError(f.path);
        closeFile();
        return false;
    }
    const bool grew = static_cast<std::size_t>(got) > want;
    const std::size_t taken = grew ? want : static_cast<std::size_t>(got);
    pos += taken;
    fileLeft_ -= taken;
    if (fileLeft_ == 0) {
        // Zeros up to the sector boundary; the block holds whole sectors.
        std::size_t padded = static_cast<std::size_t>(sectorsFor(pos) * kSectorSize);
        std::memset(block + pos, 0, padded - pos);
        pos = padded;
        if (grew)
            notes_.push_back(sourceLongerNote(f.path, f.size));
        else if (!probe)
            noteIfGrown(fd_);
        closeFile();
        ++fileIndex_;
    }
    return true;
}

ImageSource::Result ImageSource::next(std::uint8_t* block, Piece& piece) {
    piece = {};
    if (produced_ >= total_) return Result::End;
    if (rangeFile_ || startsRange()) return nextRange(piece);
    const std::size_t limit =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, total_ - produced_));
    std::size_t pos = 0;
    while (pos < limit) {
        if (metadataPos_ < metadata_.size()) {
            std::size_t n = std::min(limit - pos, metadata_.size() - metadataPos_);
            std::memcpy(block + pos, metadata_.data() + metadataPos_, n);
            pos += n;
            metadataPos_ += n;
            if (metadataPos_ >= metadata_.size()) {
                // The metadata can be large; it is not needed any more.
                metadata_ = {};
                metadataPos_ = 1;
            }
            continue;
        }
        if (fileIndex_ < files_.size()) {
            // A file that goes as ranges starts with the next piece; this
            // block ends at a sector boundary.
            if (startsRange()) break;
            if (fd_ < 0 && !openNext()) return Result::Error;
            if (!readFile(block, pos, limit)) return Result::Error;
            continue;
        }
        // Filler up to the volume size.
        std::memset(block + pos, 0, limit - pos);
        pos = limit;
    }
    piece.bytes = pos;
    produced_ += pos;
    return Result::Piece;
}

}  // namespace rondivo::iso
