#pragma once
// The state of the CD/DVD drives: the table found at start-up, the selected
// drive and what the last commands left behind.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "scsi/mmc_commands.h"
#include "scsi/scsi_command.h"
#include "scsi/scsi_transport.h"

namespace rondivo::burn {

inline constexpr std::size_t kMaxDriveRows = 26;
inline constexpr std::size_t kMaxDescription = 127;
inline constexpr std::size_t kDataBufferSize = 512;

struct DriveEntry {
    char letter = 0;
    std::uint8_t hostAdapter = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    std::string description;  // empty when INQUIRY failed
    std::string device;
    scsi::ScsiTransport* transport = nullptr;  // owned by DriveState::transports
};

// The long drive operations whose progress a window or terminal shows.
enum class LongOperation : int { None, Erasing, Formatting, Closing };

struct DriveState {
    DriveState() = default;
    DriveState(const DriveState&) = delete;
    DriveState& operator=(const DriveState&) = delete;

    int currentRow = -1;
    std::vector<std::unique_ptr<scsi::ScsiTransport>> transports;
    std::vector<DriveEntry> drives;  // at most kMaxDriveRows
    std::size_t rowCount() const { return drives.size(); }

    // Close the handle after every command: around tray and lock commands, so
    // that the system sees the change.
    bool releaseHandle = false;
    // A burn owns the drive: one exclusive handle stays open from its first
    // command to the eject. Closing it would let the kernel unlock the tray
    // and a desktop automounter take the drive between two commands.
    bool holdHandle = false;
    // Set from any thread to stop a burn at its next command.
    std::atomic<bool> cancelRequested{false};

    scsi::MediaType mediaType = scsi::MediaType::None;
    // Answer of the last command: sense data, or a transport failure without any.
    std::array<std::uint8_t, scsi::kSenseAreaSize> sense{};
    bool transportFailed = false;
    std::string transportMessage;
    std::atomic<bool> busy{false};
    std::atomic<std::uint16_t> lastError{0};  // ASC << 8 | ASCQ, kept until taken

    // Choices of the next burn.
    bool finalize = false;
    bool blankFirst = false;  // erase a used CD-RW or DVD-RW before writing
    std::uint8_t writeSpeed = 0;

    // The long operation running, and its share done in percent (-1: unknown).
    std::atomic<LongOperation> operation{LongOperation::None};
    std::atomic<int> operationPercent{-1};

    // What a burn did differently from what was asked without failing (the
    // drive kept its own speed, refused the time stamp), for the author.
    void addNote(std::string text) {
        std::lock_guard lock(notesMutex);
        notes.push_back(std::move(text));
    }
    std::vector<std::string> currentNotes() const {
        std::lock_guard lock(notesMutex);
        return notes;
    }
    void clearNotes() {
        std::lock_guard lock(notesMutex);
        notes.clear();
    }

    std::array<std::uint8_t, kDataBufferSize> data{};
    scsi::TrackInformation trackInformation;
    scsi::DiscInformation discInformation;

    std::array<std::uint8_t, scsi::kCapabilitiesCopySize> capabilities{};
    std::uint8_t maxWriteSpeed = 0;
    std::uint8_t currentWriteSpeed = 0;

  private:
    mutable std::mutex notesMutex;
    std::vector<std::string> notes;
};

}  // namespace rondivo::burn
