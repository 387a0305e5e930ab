#pragma once
// The command sequences a disc burn runs around its data: checking and
// preparing the medium before the first write, writing one block with the
// retry rules, closing track and session as the medium needs it, and the tray
// at the end. They are drive operations only; the writing engine calls them in
// order.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "burn/disc_capacity.h"
#include "burn/drive_operations.h"

namespace rondivo::burn {

// What a burn will do to the medium, decided before the image is built,
// because the image's sector numbers depend on where the first write goes.
struct BurnPlan {
    scsi::MediaType media = scsi::MediaType::None;
    bool erase = false;                    // quick-blank a used CD-RW or DVD-RW first
    bool formatRestricted = false;         // quick-format a blank DVD-RW to restricted overwrite
    bool formatBluRay = false;             // format a blank BD-RE (with spare areas)
    bool overwritable = false;             // written from sector 0 over what is there
    bool discAtOnce = false;               // DVD-R/-RW: one reserved track, closed by the drive
    std::optional<std::uint8_t> linkSize;  // incremental DVD-R/-RW
    std::uint32_t writeStart = 0;
    std::uint32_t discEnd = 0;  // sectors the disc holds from its start (the speed's range)
};

enum class PlanOutcome {
    Ready,
    NeedsErasing,  // a used rewritable disc: erasing it first would do
    Refused,
};

inline constexpr std::chrono::seconds kReadyLimit{120};

// Waits for the drive to become ready (at most `readyLimit`), reads the
// medium and decides the plan from the state's choices (finalize, erase).
// Refuses, before anything is written, blanked or formatted, a disc whose
// state a new session cannot follow (a damaged or part-written track) and one
// too small for `volumeSectors` as they will be written. `message` says why.
// Sends only questions.
PlanOutcome planBurn(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                     std::string& message, const Sleeper& sleep = sleepFor,
                     std::chrono::seconds readyLimit = kReadyLimit);

// On the writer thread before the first write: locks the tray, erases or
// formats as planned, decides the write type from what the medium takes now,
// sends the Write Parameters page the medium takes, the speed, time stamp and
// track reservation, and checks that the drive's next writable address is
// where the image was built for. A refusal that matters stops the burn (the
// text says why; empty when all went well); a refused speed or time stamp is
// a note in the state.
std::string prepareForWriting(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                              const scsi::UtcTime& now, const Sleeper& sleep = sleepFor);

enum class WriteOutcome { Written, Failed };
// WRITE (10), repeated every 100 ms (up to kWriteRetries times) only while the
// drive says the condition will pass; any other failure, and a command that
// never reached the drive, ends at once.
WriteOutcome writeWithRetry(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
                            std::span<const std::uint8_t> data, const Sleeper& sleep = sleepFor);
inline constexpr int kWriteRetries = 5000;
// SYNCHRONIZE CACHE and CLOSE TRACK/SESSION are repeated every second while
// the drive says the condition will pass, this many times at most.
inline constexpr int kCloseRetries = 600;

// Flushes the cache and closes track and session as the medium needs (also
// after a failed write). Empty when the drive did all, else why not.
std::string closeMedium(DriveState& state, const BurnPlan& plan, const Sleeper& sleep = sleepFor);

// What the disc holds after a burn that did not finish: `written` sectors
// went to it, `closeError` is what closeMedium said (empty: closed).
std::string discStateAfterFailure(const BurnPlan& plan, std::uint32_t written,
                                  const std::string& closeError);

// After every burn: unlocks the tray.
void finishTray(DriveState& state);

}  // namespace rondivo::burn
