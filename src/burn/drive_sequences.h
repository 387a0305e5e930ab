#pragma once
// The command sequences a disc burn runs around its data: preparing the medium
// before the first write, writing one block with the retry rules, closing the
// track or session as the medium needs it, and the tray commands at the end.
// They are drive operations only; the writing engine calls them in order.
#include <cstdint>
#include <span>

#include "burn/drive_operations.h"

namespace rondivo::burn {

struct WriterSetup {
    std::uint32_t writeStart = 0;        // sector of the first WRITE (10)
    std::uint16_t completeSessions = 0;  // closed sessions before this burn ("k")
};

// Before the first write: flush, rezero, Write Parameters (last session), disc
// information, the DVD-RW format and its wait, the write start, Write Parameters
// again (DVD+R without finalize leaves the disc open), the write speed, the count
// of closed sessions and, for DVD-R, streaming, timestamp and track reservation.
// state.mediaType must have been determined. Clears the release flag.
WriterSetup prepareForWriting(DriveState& state, std::uint32_t volumeSectors, const UtcTime& now,
                              const Sleeper& sleep = sleepFor);

enum class WriteOutcome { Written, Failed };
// WRITE (10) with the retry rules: a failure that is neither "not ready" nor
// "busy" ends at once; otherwise it is repeated every 100 ms, up to 5000 times.
WriteOutcome writeWithRetry(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
                            std::span<const std::uint8_t> data, const Sleeper& sleep = sleepFor);
inline constexpr int kWriteRetries = 5000;

// Closes track and session as the medium needs (also after a failed write),
// with the release flag set so the system sees the new disc afterwards.
void closeMedium(DriveState& state, std::uint16_t completeSessions,
                 const Sleeper& sleep = sleepFor);

// After every disc: unlock, load (not immediate), rezero, test unit ready.
void finishTray(DriveState& state);

}  // namespace rondivo::burn
