#pragma once
// Steps the medium families share: the used-disc and last-track rules, erasing
// and formatting, the sequential DVD write types, the speed and the close
// commands. Each family's file puts them together in its own order.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "burn/drive_sequences.h"

namespace rondivo::burn {

inline constexpr std::chrono::seconds kLongOperationLimit = std::chrono::minutes(90);

inline std::uint32_t roundUp(std::uint32_t n, std::uint32_t unit) {
    return (n + unit - 1) / unit * unit;
}

// "The drive refused <what>: ..." or, when the system stopped the command,
// "The drive was not reached (<what>): ...".
std::string refused(const DriveState& state, const std::string& what);

// A used disc: appendable media take another session, an erasable one is
// erased when the author asked for it, the rest must be erased or are closed.
PlanOutcome checkUsedDisc(DriveState& state, BurnPlan& plan, bool erasable, std::string& message);

// Where a write-once session starts: the next writable address, behind a
// last track that must be blank.
PlanOutcome planNextSession(DriveState& state, BurnPlan& plan, bool erasable, std::string& message);

// The end of a disc written after its last session: the next writable
// address plus the free blocks of the track read for it.
std::uint32_t sessionDiscEnd(const DriveState& state, const BurnPlan& plan);

// Whether the drive offers the format `type` for the medium; `out` is its descriptor.
bool offersFormat(DriveState& state, std::uint8_t type, scsi::FormatDescriptor& out);
std::string format(DriveState& state, const scsi::FormatDescriptor& d, const Sleeper& sleep);
std::string eraseDisc(DriveState& state, const Sleeper& sleep);

// Sequential DVD-R/-RW: one reserved track (disc at once) or packets with the
// drive's link size; the page for either; the time stamp and reservation.
void chooseDvdWriteType(DriveState& state, BurnPlan& plan, bool blank);
scsi::WriteSettings sequentialDvdSettings(const DriveState& state, const BurnPlan& plan);
std::string prepareSequentialDvd(DriveState& state, const BurnPlan& plan,
                                 std::uint32_t volumeSectors, const scsi::UtcTime& now,
                                 bool timestamp);

// The chosen speed over the disc's range (SET STREAMING, not on CD), else SET
// CD SPEED; a drive that takes neither is a note.
void setWriteSpeed(DriveState& state, const BurnPlan& plan, bool cd);
// The drive's next writable address must be where the image was built for.
std::string checkWriteStart(DriveState& state, const BurnPlan& plan);

// CLOSE TRACK/SESSION, repeated while the drive says it will pass, then waited for.
std::string closeAndWait(DriveState& state, std::uint8_t function, std::uint32_t track,
                         const Sleeper& sleep);
std::string closeTrackAndSession(DriveState& state, std::uint8_t sessionFunction,
                                 const Sleeper& sleep);

// Repeats `command` every `interval` while the drive says the condition will
// pass (busy, in progress, reset), `limit` times at most.
template <typename Command>
bool retryWhileItPasses(DriveState& state, const Sleeper& sleep, int limit,
                        std::chrono::milliseconds interval, Command command) {
    for (int attempt = 0;; ++attempt) {
        if (command()) return true;
        if (state.transportFailed) return false;
        const bool again =
            state.busy || scsi::judgeSense(lastSense(state)) == scsi::SenseVerdict::TryAgain;
        if (!again || attempt >= limit) return false;
        sleep(interval);
    }
}

}  // namespace rondivo::burn
