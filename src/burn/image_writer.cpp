#include "burn/image_writer.h"

#include <algorithm>

#include "iso/iso_bytes.h"
#include "iso/iso_metadata.h"
#include "platform/thread_priority.h"

namespace rondivo::burn {

namespace {

// Each side wakes the other in batches, not for every block: a context
// switch per 64 KiB costs more than the copy.
constexpr std::size_t kWakeBatch = 8;

// Windows thread priorities as nice offsets from the thread's start value.
// Idle is only one step down: the producer sleeps while the queue is full
// anyway, and a nice-19 thread on a busy machine wakes too late to refill it.
int niceOffset(int priority) {
    switch (priority) {
        case kPriorityHighest:
            return -2;
        case kPriorityLowest:
            return 1;
        case kPriorityIdle:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

int nextProducerPriority(std::size_t queued, std::size_t capacity, int current) {
    (void)current;
    if (queued < capacity / 4) return kPriorityHighest;
    if (queued < capacity / 2) return kPriorityNormal;
    return kPriorityLowest;
}

ImageWriter::ImageWriter(iso::IsoImage& session, std::size_t capacityBlocks)
    : session_(session),
      maxCapacity_(std::max<std::size_t>(capacityBlocks, 2)),
      capacity_(maxCapacity_) {}

ImageWriter::~ImageWriter() {
    abort_ = true;
    {
        std::lock_guard lock(queueMutex_);
        notEmpty_.notify_all();
        notFull_.notify_all();
        readyChanged_.notify_all();
    }
    joinThreads();
}

void ImageWriter::joinThreads() {
    if (producer_.joinable() && producer_.get_id() != std::this_thread::get_id()) producer_.join();
    if (writer_.joinable() && writer_.get_id() != std::this_thread::get_id()) writer_.join();
}

void ImageWriter::wait() {
    joinThreads();
}

std::string ImageWriter::message() const {
    std::lock_guard lock(messageMutex_);
    return message_;
}

std::vector<std::string> ImageWriter::notes() const {
    std::lock_guard lock(messageMutex_);
    return notes_;
}

void ImageWriter::setMessage(const std::string& text) {
    std::lock_guard lock(messageMutex_);
    if (message_.empty()) message_ = text;
}

bool ImageWriter::start(std::unique_ptr<ImageSink> sink, CompletionCallback callback) {
    if (running_) {
        std::lock_guard lock(messageMutex_);
        message_ = "An image is already being written.";
        return false;
    }
    joinThreads();
    {
        std::lock_guard lock(messageMutex_);
        message_.clear();
        notes_.clear();
    }
    session_.errorCode = iso::kErrorNone;
    if (!sink) {
        setMessage("There is nowhere to write the image.");
        return false;
    }
    if (!iso::emitMetadata(session_)) {
        setMessage("The image has not been laid out.");
        return false;
    }
    {
        std::lock_guard lock(queueMutex_);
        queue_.clear();
        sectorsToDeliver_ = session_.layout.volumeSize;
        ready_ = producerFailed_ = producerDone_ = false;
    }
    capacity_ = std::max<std::size_t>(std::min(maxCapacity_, sink->queueBlocks()), 2);
    volumeSize_ = session_.layout.volumeSize;
    sectorsWritten_ = 0;
    abort_ = false;
    priority_ = kPriorityUnset;
    sink_ = std::move(sink);
    callback_ = std::move(callback);
    running_ = true;

    auto source = iso::ImageSource::fromSession(session_);
    source->deliverRanges(sink_->rangeMinimum());
    producer_ = std::thread(&ImageWriter::producerMain, this, std::move(source));
    bool failed;
    {
        std::unique_lock lock(queueMutex_);
        readyChanged_.wait(lock, [&] { return ready_ || producerFailed_; });
        failed = producerFailed_;
    }
    if (failed) {
        producer_.join();
        sink_.reset();  // an image file sink removes its partial file
        running_ = false;
        return false;
    }
    writer_ = std::thread(&ImageWriter::writerMain, this);
    return true;
}

ImageWriter::Block ImageWriter::allocateBlock() {
    std::lock_guard lock(queueMutex_);
    if (!spare_.empty()) {
        Block b = std::move(spare_.back());
        spare_.pop_back();
        return b;
    }
    ++allocated_;
    if (allocated_ > peakBlocks_) peakBlocks_ = allocated_;
    return Block(new std::uint8_t[iso::kBlockBytes]);
}

void ImageWriter::recycle(Block block) {
    if (!block) return;
    // Blocks are reused for the whole operation: allocating and touching
    // fresh 64 KiB blocks costs page faults on every one.
    std::lock_guard lock(queueMutex_);
    spare_.push_back(std::move(block));
}

void ImageWriter::applyPriority(int value) {
    if (value == priority_) return;
    priority_ = value;
    // A thread that lowered its nice value may not raise it again without
    // privilege, and a producer stuck at idle would starve the writer: then
    // the rule is followed in bookkeeping only.
    if (canRaise_) platform::setCurrentThreadNice(baseNice_ + niceOffset(value));
}

bool ImageWriter::push(Queued item, std::size_t highMark) {
    std::unique_lock lock(queueMutex_);
    queue_.push_back(std::move(item));
    if (queue_.size() >= std::min(kWakeBatch, highMark)) notEmpty_.notify_one();
    while (queue_.size() >= highMark && !abort_) {
        if (!ready_) {
            ready_ = true;
            readyChanged_.notify_all();
        }
        notFull_.wait(lock);
    }
    return !abort_;
}

void ImageWriter::producerMain(std::unique_ptr<iso::ImageSource> source) {
    baseNice_ = platform::currentThreadNice();
    canRaise_ = platform::mayRaiseThreadPriority(baseNice_);
    // A block is taken only when the last one went into the queue: a range
    // of a file needs none.
    Block block;
    for (;;) {
        bool metadataBlock = !source->metadataDone();
        if (!block) block = allocateBlock();
        Queued item;
        iso::ImageSource::Result r = source->next(block.get(), item.piece);
        // Kept before the piece is queued: the writer may end with it.
        for (std::string& note : source->takeNotes()) {
            std::lock_guard lock(messageMutex_);
            notes_.push_back(std::move(note));
        }
        if (r == iso::ImageSource::Result::End) {
            recycle(std::move(block));
            break;
        }
        if (r == iso::ImageSource::Result::Error) {
            recycle(std::move(block));
            setMessage(source->message());
            session_.errorCode = iso::kErrorSourceFile;
            std::lock_guard lock(queueMutex_);
            producerFailed_ = true;
            abort_ = true;
            notEmpty_.notify_all();
            readyChanged_.notify_all();
            return;
        }
        // While metadata is queued the whole queue may fill; file data
        // leaves one place.
        std::size_t mark = metadataBlock ? capacity_ : capacity_ - 1;
        if (!metadataBlock) {
            std::size_t queued;
            {
                std::lock_guard lock(queueMutex_);
                queued = queue_.size() + 1;
            }
            applyPriority(queued >= capacity_ - 1
                              ? kPriorityIdle
                              : nextProducerPriority(queued, capacity_, priority_));
        }
        if (!item.piece.file) item.block = std::move(block);
        if (!push(std::move(item), mark)) return;
    }
    std::lock_guard lock(queueMutex_);
    producerDone_ = true;
    ready_ = true;
    readyChanged_.notify_all();
    notEmpty_.notify_all();
}

bool ImageWriter::take(Queued& out) {
    std::unique_lock lock(queueMutex_);
    if (queue_.empty()) {
        notEmpty_.wait(lock, [&] {
            return queue_.size() >= std::min(kWakeBatch, capacity_ - 1) || sectorsToDeliver_ == 0 ||
                   producerFailed_ || producerDone_ || abort_;
        });
    }
    if (sectorsToDeliver_ == 0 || producerFailed_ || abort_ || queue_.empty()) return false;
    out = std::move(queue_.front());
    queue_.pop_front();
    sectorsToDeliver_ -=
        std::min<std::uint64_t>(sectorsToDeliver_, iso::sectorsFor(out.piece.bytes));
    if (queue_.size() <= capacity_ / 2) notFull_.notify_one();
    return true;
}

void ImageWriter::writerMain() {
    // The writer runs below normal priority; lowering needs no privilege.
    platform::setCurrentThreadNice(platform::currentThreadNice() + 1);
    session_.status = iso::kStatusWriting;
    bool failed = false;
    if (!sink_->setup()) {
        failed = true;
        setMessage(sink_->message());
    }
    while (!failed) {
        Queued q;
        if (!take(q)) break;
        const iso::Piece& piece = q.piece;
        bool written;
        if (piece.file) {
            std::string sourceError;
            FileRange range{piece.file->fd, piece.file->path, piece.offset, piece.length,
                            piece.bytes};
            written = sink_->writeRange(range, sourceError);
            if (!written && !sourceError.empty()) {
                // The same error as a file the producer could not read.
                session_.errorCode = iso::kErrorSourceFile;
                setMessage(sourceError);
            }
        } else {
            written = sink_->writeBlock(q.block.get(), piece.bytes);
        }
        recycle(std::move(q.block));
        if (!written) {
            failed = true;
            setMessage(sink_->message());
            break;
        }
        sectorsWritten_ += static_cast<std::uint32_t>(iso::sectorsFor(piece.bytes));
    }
    bool incomplete = false;
    {
        std::lock_guard lock(queueMutex_);
        incomplete = !failed && sectorsToDeliver_ != 0 && !producerFailed_;
        if (failed || incomplete) {
            abort_ = true;
            notFull_.notify_all();
        }
    }
    if (incomplete) {
        failed = true;
        setMessage("The image stream ended early.");
    }
    session_.status = failed ? iso::kStatusWriteFailed : iso::kStatusLastBlock;

    bool error = failed || session_.errorCode != iso::kErrorNone;
    if (!sink_->finish(error) && !error) {
        error = true;
        setMessage(sink_->message());
    }
    if (error) {
        const std::string afterword = sink_->afterword();
        std::lock_guard lock(messageMutex_);
        if (!afterword.empty()) message_ += (message_.empty() ? "" : " ") + afterword;
    }
    {
        std::lock_guard lock(queueMutex_);
        spare_.clear();
        allocated_ = 0;
    }
    {
        std::lock_guard lock(callbackMutex_);
        if (callback_) callback_(error ? 1 : 0);
    }
    session_.status = iso::kStatusIdle;
    running_ = false;
}

}  // namespace rondivo::burn
