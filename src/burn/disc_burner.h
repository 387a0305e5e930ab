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

namespace rondivo::burn {

// Kept out of this header: the drive side brings the command set's names,
// which the image side's users need not see.
struct DriveState;
struct UtcTime;
class ScsiTransport;

class CDiscBurner {
  public:
    // Finds the drives of this machine (and the virtual drive when
    // RONDIVO_VIRTUAL_DRIVE names one).
    CDiscBurner();
    // Uses the drives of `transports` instead: for tests and tools.
    explicit CDiscBurner(std::vector<std::unique_ptr<ScsiTransport>> transports);
    ~CDiscBurner();
    CDiscBurner(const CDiscBurner&) = delete;
    CDiscBurner& operator=(const CDiscBurner&) = delete;

    // The image. Refused while an image is being written (the producer
    // still reads the tree).
    void ClearImage();
    ImageDir* AddFolder(std::string_view target, const std::filesystem::path& folder,
                        std::string_view pattern, bool recurse);
    // Volume size in sectors; 0 when the folder cannot be made into an image
    // (LastMessage() says why).
    std::uint32_t ComputeLayout();
    void SetVolumeLabel(std::string_view text);

    // Writes the laid-out image into `path`. 1 when writing has started, 0
    // when not: busy, no layout (error code 1), the file cannot be created
    // (error code 3), a source file cannot be opened (error code 2).
    int StartSaveImage(const std::filesystem::path& path, CompletionCallback callback,
                       std::intptr_t user);

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
    // Flushes, unlocks and opens the tray. False while writing or when the
    // drive refused.
    bool EjectDisc();
    // The engine's error code when set, else the drive's last error; both
    // are cleared.
    int TakeLastError();

    // Writes the laid-out image to the selected drive: media type, Write
    // Parameters page and the start of the new session, then the writer. 1
    // when writing has started, 0 when not (busy, no drive, no layout, a
    // source file that cannot be opened).
    int StartBurn(CompletionCallback callback, std::intptr_t user);

    // Starts writing the laid-out image to any sink, with every location in
    // the metadata counted from `sessionStart`. StartSaveImage uses it with
    // an image file at 0; a disc burn uses it with a drive and the start of
    // the new session.
    int StartWriting(std::unique_ptr<ImageSink> sink, std::uint32_t sessionStart,
                     CompletionCallback callback, std::intptr_t user);

    bool IsBusy() const { return writer_.busy(); }
    // Blocks until a started operation has ended (its callback has run).
    // Not from inside the completion callback.
    void WaitUntilDone() { writer_.wait(); }

    std::uint16_t Status() const { return session_.status.load(); }
    int ErrorCode() const { return session_.errorCode.load(); }
    std::uint32_t SectorsWritten() const { return writer_.sectorsWritten(); }
    std::uint32_t VolumeSize() const { return session_.layout.volumeSize; }
    // Why the last operation failed, for the author; empty when it did not.
    std::string LastMessage() const;

    DriveState& Drive();
    // Waits of the disc sequences (5 s polls, 100 ms retries); tests make
    // them instant.
    void SetSleeper(std::function<void(std::chrono::milliseconds)> sleep);
    // The time stamped on a DVD-R.
    void SetClock(std::function<UtcTime()> clock);

    BurnSession& Session() { return session_; }
    const BurnSession& Session() const { return session_; }

  private:
    struct DiscParts;
    std::unique_ptr<DiscParts> disc_;
    DriveState& drive_;
    BurnSession session_;
    ImageWriter writer_;
    std::string message_;
};

}  // namespace rondivo::burn
