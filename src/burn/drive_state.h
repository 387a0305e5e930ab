#pragma once
// The state of the CD/DVD drives: the table found at start-up, the selected
// drive and what the last commands left behind.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scsi/mmc_commands.h"
#include "scsi/scsi_command.h"
#include "scsi/scsi_transport.h"

namespace rondivo::burn {

inline constexpr std::size_t kMaxDriveRows = 26;
inline constexpr std::size_t kMaxDescription = 127;
inline constexpr std::uint8_t kNoDrive = 127;
inline constexpr std::size_t kDataBufferSize = 512;

struct DriveEntry {
    char letter = 0;
    std::uint8_t hostAdapter = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    std::string description;  // empty when INQUIRY failed
    std::string device;
    ScsiTransport* transport = nullptr;  // owned by DriveState::transports
};

struct DriveState {
    DriveState() = default;
    DriveState(const DriveState&) = delete;
    DriveState& operator=(const DriveState&) = delete;

    // Current drive.
    std::uint8_t hostAdapter = kNoDrive;
    std::uint8_t target = kNoDrive;
    std::uint8_t lun = kNoDrive;
    int currentRow = -1;
    char letter = static_cast<char>(kNoDrive);

    bool available = false;
    TransportKind transportKind = TransportKind::PassThrough;
    std::vector<std::unique_ptr<ScsiTransport>> transports;
    std::vector<DriveEntry> drives;  // at most kMaxDriveRows
    std::size_t rowCount() const { return drives.size(); }

    // Close the handle after every command: around tray and lock commands, and
    // while a burn closes its session, so that the system sees the new disc.
    bool releaseHandle = false;

    MediaType mediaType = kMediaNone;
    std::array<std::uint8_t, kSenseAreaSize> sense{};
    std::atomic<bool> busy{false};
    bool finalize = false;
    bool testWrite = false;
    bool bufferUnderrunRequested = true;
    std::uint8_t writeSpeed = 0;
    std::uint8_t readSpeed = 0;               // 0: the drive's maximum
    std::atomic<std::uint16_t> lastError{0};  // ASC << 8 | ASCQ, kept until taken

    std::function<void(int error, std::uintptr_t userValue)> completion;
    std::uintptr_t completionUserValue = 0;

    std::array<std::uint8_t, kDataBufferSize> data{};

    std::array<std::uint8_t, kReadTrackInformationLength> trackInformationRaw{};
    TrackInformation trackInformation;
    std::array<std::uint8_t, 66> discInformationRaw{};
    DiscInformation discInformation;
    std::array<std::uint8_t, 114> configuration{};

    std::array<std::uint8_t, kCapabilitiesCopySize> capabilities{};
    std::uint8_t maxWriteSpeed = 0;
    std::uint8_t currentWriteSpeed = 0;

    std::array<std::uint8_t, 72> writeParameters{};
};

}  // namespace rondivo::burn
