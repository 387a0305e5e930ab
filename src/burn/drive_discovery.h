#pragma once
// Finding the drives, selecting one, and running commands on it.
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "burn/drive_state.h"

namespace rondivo::burn {

// Fills the drive table from `transports` (kept in `state`) and returns true when
// a transport was found. The first pass-through or bus-scan transport with an
// addressed drive supplies the table; virtual drives follow it.
bool DiscoverDrives(DriveState& state,
                    std::vector<std::unique_ptr<scsi::ScsiTransport>> transports);

// Makes `row` current, sends INQUIRY and reads the capabilities page. False for
// a row beyond the table or when INQUIRY failed.
bool SelectDrive(DriveState& state, int row);

// The row's description, or empty beyond the table.
std::string GetDriveDescription(const DriveState& state, int row);

bool IsDriveRecordable(const DriveState& state);
std::uint8_t GetCurrentWriteSpeed(DriveState& state);
std::uint8_t GetMaxWriteSpeed(DriveState& state);

// Reads the capabilities page (defaults, then current values) into `state`.
void readCapabilities(DriveState& state);

// Runs one command on the current drive and returns the block's status. Data
// moves through `data` (block.dataLength bytes); with no span given the shared
// 512-byte buffer of `state` is used.
std::uint8_t ExecuteCommand(DriveState& state, scsi::CommandBlock& block,
                            std::span<std::uint8_t> data = {});

// The engine's error code when it is non-zero (and clears it), else the drive's
// last error (ASC << 8 | ASCQ, cleared too).
int TakeLastError(DriveState& state, int& engineError);
int TakeLastError(DriveState& state);

// "H:T:L,X: VENDOR   PRODUCT          REV  " from an INQUIRY answer (36 bytes at
// least); control characters in the identification become spaces.
std::string formatDriveDescription(std::uint8_t host, std::uint8_t target, std::uint8_t lun,
                                   char letter, std::span<const std::uint8_t> inquiry);

}  // namespace rondivo::burn
