#pragma once
// Where the writer thread puts the image stream. An image file is one sink;
// a disc drive is another: the engine (queue, producer, writer, callback) is
// the same for both, only setup, block writing and closing differ.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace rondivo::burn {

// A piece of one source file in the stream: `length` bytes of the open file
// `fd` from `offset`, followed by zeros up to `bytes` (whole sectors).
struct FileRange {
    int fd = -1;
    std::string_view path;  // for messages
    std::uint64_t offset = 0;
    std::size_t length = 0;
    std::size_t bytes = 0;
};

class ImageSink {
  public:
    virtual ~ImageSink() = default;

    // Runs on the writer thread before the first block (for a disc: cache
    // flush, write parameters, speed, reservation). false stops the
    // operation as a write failure; message() tells why.
    virtual bool setup() = 0;

    // Writes `bytes` (a whole number of 2048-byte sectors, 64 KiB except
    // possibly for the last block) at the next position of the stream.
    // false is a write failure.
    virtual bool writeBlock(const std::uint8_t* data, std::size_t bytes) = 0;

    // The most blocks worth queueing for this sink; the writer's queue is
    // the smaller of this and its own size. A disc needs the whole queue to
    // keep the drive busy while files are opened and read.
    virtual std::size_t queueBlocks() const { return static_cast<std::size_t>(-1); }

    // Files of at least this many bytes reach the sink as FileRanges rather
    // than through the queue's blocks; 0 (the default): never.
    virtual std::uint64_t rangeMinimum() const { return 0; }

    // Writes a piece of a source file. The default reads it into a buffer
    // and passes it to writeBlock. false is a failure: `sourceError` is set
    // when the source could not be read (or became shorter), else message()
    // tells why the sink failed.
    virtual bool writeRange(const FileRange& range, std::string& sourceError);

    // Runs on the writer thread after the last block or after a failure
    // (`failed`): closes the track and session, or the file. Returns false
    // when closing itself failed, which also makes the operation fail.
    virtual bool finish(bool failed) = 0;

    // The reason of the last failure, in words the author can read.
    virtual std::string message() const = 0;
    // After finish() of a failed operation: what the target holds now
    // ("Nothing was written to the disc."); empty when there is nothing to say.
    virtual std::string afterword() const { return {}; }
};

// Writes the image into a file. Nothing appears under the final name until
// every byte has been written: the stream goes to a hidden temporary file in
// the same folder, which is renamed at the end or removed on failure, so a
// failed save never leaves an image that looks complete (nor destroys an
// earlier image of the same name).
class ImageFileSink : public ImageSink {
  public:
    explicit ImageFileSink(std::filesystem::path target);
    ~ImageFileSink() override;

    // Creates the temporary file; false (with message()) when it cannot be
    // created. Called on the starting thread, before the writer runs.
    bool create();

    bool setup() override { return true; }
    // A file takes each block as it comes and never runs dry as a drive
    // does: 2 MiB keep both threads busy, and more only costs memory.
    std::size_t queueBlocks() const override { return 32; }
    bool writeBlock(const std::uint8_t* data, std::size_t bytes) override;
    // Large files are copied inside the kernel, file to file: no pass
    // through user memory, which is most of the cost of saving big files.
    std::uint64_t rangeMinimum() const override { return kCopyMinimum; }
    bool writeRange(const FileRange& range, std::string& sourceError) override;
    bool finish(bool failed) override;
    std::string message() const override { return message_; }

    const std::filesystem::path& target() const { return target_; }
    const std::filesystem::path& temporaryPath() const { return temp_; }

  protected:
    // One write(2) call; a seam for tests that simulate a full disk.
    virtual long writeSome(int fd, const std::uint8_t* data, std::size_t bytes);
    // One copy_file_range(2) call from `in` at `*offset` to the image file.
    virtual long copySome(int in, std::uint64_t* offset, int out, std::size_t bytes);

  private:
    static constexpr std::uint64_t kCopyMinimum = 256 * 1024;
    void discard();
    void writeFailed(int err);

    void removeStalePartials(const std::filesystem::path& folder);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    // Cleared when the kernel cannot copy between these two files (another
    // file system, an old kernel): the buffered path takes over.
    bool copyWorks_ = true;
    std::string message_;
};

}  // namespace rondivo::burn
