#pragma once
// The image as a stream of pieces: the metadata, then every file's contents
// padded with zeros to whole sectors, then zeros up to the volume size. A
// piece is a block of up to 64 KiB in memory or, for a large file when the
// sink can copy files itself, a range of that file. The producer thread pulls
// pieces from it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "iso/iso_image.h"

namespace rondivo::iso {

inline constexpr std::size_t kBlockBytes = 65536;
inline constexpr std::uint32_t kSectorsPerBlock = kBlockBytes / 2048;

inline constexpr std::size_t kRangeBytes = 1u << 20;

// How a source file that cannot be read, or became shorter since the layout,
// is reported, whoever reads it (the producer, or a sink copying a range).
std::string sourceReadError(std::string_view path, int err);
std::string sourceShorterError(std::string_view path);
// A file that became longer is copied as far as the layout reserved room for
// it; the image is complete but holds only its start, which is said.
std::string sourceLongerNote(std::string_view path, std::uint64_t size);

// The path is the image entry's own: the tree is not changed while it is
// written, and a copy of every path costs as much memory as the names.
struct SourceFile {
    std::string_view path;
    std::uint64_t size = 0;
};

// An open source file shared by the pieces that still refer to it.
struct SourceHandle {
    int fd = -1;
    std::string path;
    SourceHandle(int f, std::string p) : fd(f), path(std::move(p)) {}
    ~SourceHandle();
    SourceHandle(const SourceHandle&) = delete;
    SourceHandle& operator=(const SourceHandle&) = delete;
};

struct Piece {
    std::size_t bytes = 0;  // bytes of the stream, whole sectors
    // Set for a range: `length` bytes of the file from `offset`, then zeros
    // up to `bytes`. Unset: `bytes` bytes in the block.
    std::shared_ptr<const SourceHandle> file;
    std::uint64_t offset = 0;
    std::size_t length = 0;
};

class ImageSource {
  public:
    ImageSource(std::vector<std::uint8_t> metadata, std::vector<SourceFile> files,
                std::uint32_t volumeSectors);
    ~ImageSource();
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;

    // Takes the metadata out of a session whose metadata has been emitted,
    // and the files in stream order.
    static std::unique_ptr<ImageSource> fromSession(IsoImage& session);

    // Files of at least `minimum` bytes are delivered as ranges (in pieces
    // of kRangeBytes); 0, the default, delivers everything in blocks.
    void deliverRanges(std::uint64_t minimum) { rangeMinimum_ = minimum; }

    enum class Result { Piece, End, Error };
    // The next piece of the stream, in `block` (kBlockBytes) or as a range.
    // Blocks are full except the one before a file delivered as ranges.
    // Error: a source file cannot be opened or read, or no longer has the
    // size it had when the image was laid out; message() names it.
    Result next(std::uint8_t* block, Piece& piece);

    bool metadataDone() const { return metadataPos_ >= metadata_.size(); }
    const std::string& message() const { return message_; }
    // Notes on files that grew since the layout, gathered since the last call.
    std::vector<std::string> takeNotes() {
        std::vector<std::string> out;
        out.swap(notes_);
        return out;
    }
    std::uint64_t totalBytes() const { return total_; }

  private:
    bool openNext();
    // Reads the current file into block[pos, limit); false with message().
    bool readFile(std::uint8_t* block, std::size_t& pos, std::size_t limit);
    void closeFile();
    // Called when all of the current file's bytes are delivered.
    void noteIfGrown(int fd);
    bool startsRange() const;
    Result nextRange(Piece& piece);

    std::vector<std::uint8_t> metadata_;
    std::size_t metadataPos_ = 0;
    std::vector<SourceFile> files_;
    std::size_t fileIndex_ = 0;
    int fd_ = -1;
    std::uint64_t fileLeft_ = 0;
    std::uint64_t rangeMinimum_ = 0;
    std::shared_ptr<const SourceHandle> rangeFile_;
    std::uint64_t produced_ = 0;
    std::uint64_t total_ = 0;
    std::string message_;
    std::vector<std::string> notes_;
};

}  // namespace rondivo::iso
