#pragma once
// The one object the dialogs talk to: it owns the burn session (the image
// tree and its layout) and the writing engine, and forwards to them.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "burn/image_sink.h"
#include "burn/image_writer.h"
#include "iso/iso_image.h"

namespace rondivo::scsi {
struct UtcTime;
class ScsiTransport;
}  // namespace rondivo::scsi

namespace rondivo::burn {

// Kept out of this header: the drive side brings the command set's names,
// which the image side's users need not see.
struct DriveState;

class CDiscBurner {
  public:
    // Finds the drives of this machine (and the virtual drive when
    // RONDIVO_VIRTUAL_DRIVE names one).
    CDiscBurner();
    // Uses the drives of the transports `makeTransports` gives instead.
    using TransportFactory = std::function<std::vector<std::unique_ptr<scsi::ScsiTransport>>()>;
    explicit CDiscBurner(const TransportFactory& makeTransports);
    explicit CDiscBurner(std::vector<std::unique_ptr<scsi::ScsiTransport>> transports);
    ~CDiscBurner();
    CDiscBurner(const CDiscBurner&) = delete;
    CDiscBurner& operator=(const CDiscBurner&) = delete;

    // The image. Refused while an image is being written (the producer
    // still reads the tree).
    void ClearImage();
    iso::ImageDir* AddFolder(std::string_view target, const std::filesystem::path& folder,
                             std::string_view pattern, bool recurse);
    // Volume size in sectors; 0 when the folder cannot be made into an image
    // (LastMessage() says why).
    std::uint32_t ComputeLayout();
    void SetVolumeLabel(std::string_view text);

    // Writes the laid-out image into `path`. 1 when writing has started, 0
    // when not: busy, no layout (error code 1), the file cannot be created
    // (error code 3), a source file cannot be opened (error code 2).
    int StartSaveImage(const std::filesystem::path& path, CompletionCallback callback);

    // The drives. A drive row must be selected before a burn.
    bool SelectDrive(int row);
    std::string GetDriveDescription(int row) const;
    bool IsDriveRecordable() const;
    std::uint8_t GetCurrentWriteSpeed();
    std::uint8_t GetMaxWriteSpeed();
    // Stores the factor and sends it to the drive at once (reading at the
    // drive's maximum). Refused while writing: the drive belongs to the writer.
    void SetWriteSpeed(std::uint8_t factor);
    void SetFinalize(bool finalize);
    // Quick-erase a used CD-RW or DVD-RW before the next burn.
    void setErase(bool erase);
    // The last StartBurn was refused because the disc is used but erasable.
    bool needsErasing() const { return needsErasing_; }
    // The long drive operation under way ("Erasing", "Formatting", "Closing", or
    // empty) and its share done in percent (-1: the drive does not say).
    std::string operationName() const;
    int operationPercent() const;
    // Flushes, unlocks and opens the tray. False while writing or when the
    // drive refused.
    bool EjectDisc();
    // The engine's error code when set, else the drive's last error; both
    // are cleared.
    int TakeLastError();

    // Writes the laid-out image to the selected drive: checks the medium and
    // decides where the new session starts, then runs the writer. 1 when
    // writing has started, 0 when not (busy, no drive, no layout, no disc or
    // one that cannot take the image, a source file that cannot be opened).
    int StartBurn(CompletionCallback callback);

    // Reads the disc in the selected drive without waiting for it and says
    // whether the laid-out image could be burnt to it: empty when it could,
    // else why not (NeedsErasing() tells whether erasing would do). Sends
    // questions only.
    std::string checkDisc();

    // Stops a running burn at its next command; what was written is closed.
    void cancelBurn();
    // The last burn ended because it was cancelled.
    bool wasCancelled() const;

    // Starts writing the laid-out image to any sink, with every location in
    // the metadata counted from `sessionStart`. StartSaveImage uses it with
    // an image file at 0; a disc burn uses it with a drive and the start of
    // the new session.
    int startWriting(std::unique_ptr<ImageSink> sink, std::uint32_t sessionStart,
                     CompletionCallback callback);

    bool isBusy() const { return writer_.busy(); }
    // Blocks until a started operation has ended (its callback has run).
    // Not from inside the completion callback.
    void waitUntilDone() { writer_.wait(); }

    std::uint16_t status() const { return session_.status.load(); }
    int errorCode() const { return session_.errorCode.load(); }
    std::uint32_t sectorsWritten() const { return writer_.sectorsWritten(); }
    std::uint32_t volumeSize() const { return session_.layout.volumeSize; }
    // Why the last operation failed, for the author; empty when it did not.
    std::string lastMessage() const;
    // How the image differs from the folder though it could be made (left
    // out, taken from outside, label changed, a file that grew while it was
    // written): to be shown with the outcome, success or not.
    std::vector<std::string> notes() const;

    DriveState& drive();
    // Waits of the disc sequences (5 s polls, 100 ms retries); tests make
    // them instant.
    void setSleeper(std::function<void(std::chrono::milliseconds)> sleep);
    // The time stamped on a DVD-R.
    void setClock(std::function<scsi::UtcTime()> clock);

    iso::IsoImage& session() { return session_; }
    const iso::IsoImage& session() const { return session_; }

  private:
    struct DiscParts;
    std::unique_ptr<DiscParts> disc_;
    DriveState& drive_;
    iso::IsoImage session_;
    ImageWriter writer_;
    std::string message_;
    bool needsErasing_ = false;
};

}  // namespace rondivo::burn
