#pragma once
// The image as a stream of 64 KiB blocks: the metadata, then every file's
// contents padded with zeros to whole sectors, then zeros up to the volume
// size. The producer thread pulls blocks from it; tests read it whole.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "burn/iso_image.h"

namespace rondivo::burn {

inline constexpr std::size_t kBlockBytes = 65536;
inline constexpr std::uint32_t kSectorsPerBlock = kBlockBytes / 2048;

struct SourceFile {
    std::string path;
    std::uint64_t size = 0;
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
    static std::unique_ptr<ImageSource> fromSession(BurnSession& session);

    enum class Result { Block, End, Error };
    // Fills `block` (kBlockBytes) with the next block of the stream. The
    // volume size is a whole number of blocks, so every block is full.
    // Error: a source file cannot be opened or read, or no longer has the
    // size it had when the image was laid out; message() names it.
    Result next(std::uint8_t* block);

    bool metadataDone() const { return metadataPos_ >= metadata_.size(); }
    const std::string& message() const { return message_; }
    std::uint64_t totalBytes() const { return total_; }

  private:
    bool openNext();
    void closeFile();

    std::vector<std::uint8_t> metadata_;
    std::size_t metadataPos_ = 0;
    std::vector<SourceFile> files_;
    std::size_t fileIndex_ = 0;
    int fd_ = -1;
    std::uint64_t fileLeft_ = 0;
    std::uint64_t produced_ = 0;
    std::uint64_t total_ = 0;
    std::string message_;
};

}  // namespace rondivo::burn
