#pragma once
// The writing engine: an image producer thread that turns the metadata and
// the source files into 64 KiB blocks on a queue of at most 128 blocks, and a
// writer thread that takes them off and hands them to a sink (an image file
// or a disc), then closes the sink and reports through a completion callback.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "burn/image_sink.h"
#include "iso/image_source.h"
#include "iso/iso_image.h"

namespace rondivo::burn {

inline constexpr std::size_t kQueueBytes = 8u << 20;
inline constexpr std::size_t kQueueBlocks = kQueueBytes >> 16;

// Receives the error flag (0: success), once per started operation, on the
// writer thread.
using CompletionCallback = std::function<void(int error)>;

// Producer priorities, in the Windows scale the rule is written in.
enum ProducerPriority : int {
    kPriorityUnset = -1,
    kPriorityHighest = 2,
    kPriorityNormal = 0,
    kPriorityLowest = -2,
    kPriorityIdle = -15,
};

// The producer's priority after a piece, from the queued block count and the
// capacity: high when the queue runs low, low when it is nearly full.
int nextProducerPriority(std::size_t queued, std::size_t capacity, int current);

class ImageWriter {
  public:
    explicit ImageWriter(iso::IsoImage& session, std::size_t capacityBlocks = kQueueBlocks);
    ~ImageWriter();
    ImageWriter(const ImageWriter&) = delete;
    ImageWriter& operator=(const ImageWriter&) = delete;

    // Emits the metadata, starts the producer, waits until the queue is
    // first full (or holds the whole image), then starts the writer. false
    // when nothing was started: busy, no valid layout (error code 1), a
    // source file that cannot be opened (error code 2); message() tells why.
    // The session's start sector must be set before.
    bool start(std::unique_ptr<ImageSink> sink, CompletionCallback callback);

    // True from a successful start() until the completion callback returned.
    bool busy() const { return running_.load(); }
    // Waits for both threads to end. Not from inside the completion callback.
    void wait();

    std::uint32_t sectorsWritten() const { return sectorsWritten_.load(); }
    std::uint32_t volumeSize() const { return volumeSize_; }
    std::string message() const;
    // Files that grew while they were written: the image holds their start.
    std::vector<std::string> notes() const;
    // Highest number of blocks allocated at once (queue plus the two in hand).
    std::size_t peakBlocks() const { return peakBlocks_.load(); }

  private:
    using Block = std::unique_ptr<std::uint8_t[]>;
    struct Queued {
        Block block;  // empty for a range of a file
        iso::Piece piece;
    };

    void producerMain(std::unique_ptr<iso::ImageSource> source);
    void writerMain();
    Block allocateBlock();
    void recycle(Block block);
    // Queues a piece, then waits while `highMark` or more pieces are queued.
    bool push(Queued item, std::size_t highMark);
    // The next block, or nullptr when everything was delivered or the
    // operation failed.
    bool take(Queued& out);
    void setMessage(const std::string& text);
    void applyPriority(int value);
    void joinThreads();

    iso::IsoImage& session_;
    const std::size_t maxCapacity_;
    std::size_t capacity_;  // for the operation running: see ImageSink::queueBlocks

    std::mutex queueMutex_;
    std::condition_variable notEmpty_;
    std::condition_variable notFull_;
    std::condition_variable readyChanged_;
    std::deque<Queued> queue_;
    std::vector<Block> spare_;
    std::size_t allocated_ = 0;
    std::atomic<std::size_t> peakBlocks_{0};
    std::uint64_t sectorsToDeliver_ = 0;
    bool ready_ = false;
    bool producerFailed_ = false;
    bool producerDone_ = false;
    std::atomic<bool> abort_{false};

    std::unique_ptr<ImageSink> sink_;
    CompletionCallback callback_;
    std::mutex callbackMutex_;

    std::thread producer_;
    std::thread writer_;
    std::atomic<bool> running_{false};
    std::atomic<std::uint32_t> sectorsWritten_{0};
    std::uint32_t volumeSize_ = 0;
    int priority_ = kPriorityUnset;
    int baseNice_ = 0;
    bool canRaise_ = false;

    mutable std::mutex messageMutex_;
    std::string message_;
    std::vector<std::string> notes_;
};

}  // namespace rondivo::burn
