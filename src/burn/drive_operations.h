#pragma once
// Drive operations over the current drive: one function per command of the
// writing engine, plus the few sequences built from them (media type, Write
// Parameters page, eject, the waits while a drive is busy with a long job).
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "burn/drive_state.h"
#include "scsi/scsi_sense.h"

namespace rondivo::burn {

// Commands. Each returns true when the drive completed it; answers are kept in
// `state` (data buffer, disc/track information, configuration).
bool testUnitReady(DriveState& state);
// FORMAT UNIT with one descriptor, immediate.
bool formatUnit(DriveState& state, const scsi::FormatDescriptor& format);
bool readFormatCapacities(DriveState& state, scsi::FormatCapacities& out);
bool blank(DriveState& state);  // quick, immediate
bool inquiry(DriveState& state, std::uint8_t allocation);
bool loadMedium(DriveState& state, bool immediate);
bool ejectMedium(DriveState& state, bool immediate);
bool preventMediumRemoval(DriveState& state);
bool allowMediumRemoval(DriveState& state);
// `data` holds blocks × 2048 bytes.
bool write10(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
             std::span<const std::uint8_t> data);
bool synchronizeCache(DriveState& state, bool immediate);
bool readAtip(DriveState& state);
bool getConfiguration(DriveState& state, std::uint16_t startingFeature, std::uint16_t allocation);
bool readDiscInformation(DriveState& state, std::uint16_t allocation);
bool readTrackInformation(DriveState& state, std::uint8_t track);
bool reserveTrack(DriveState& state, std::uint32_t sectors);
bool modeSense10(DriveState& state, std::uint8_t page, bool defaults, std::uint16_t allocation);
bool modeSelect10(DriveState& state, std::span<const std::uint8_t> parameters);
bool closeTrackSession(DriveState& state, bool immediate, std::uint8_t function,
                       std::uint32_t track);
bool readBufferCapacity(DriveState& state);
bool setStreaming(DriveState& state, std::span<const std::uint8_t> descriptor);
bool setCdSpeed(DriveState& state, std::uint8_t readFactor, std::uint8_t writeFactor);
bool sendDiscStructure(DriveState& state, std::uint8_t format,
                       std::span<const std::uint8_t> parameters);

// A burn takes the drive: closes whatever handle is open and opens the one
// exclusive handle all its commands go through. False (with the transport's
// reason in the state) when another program has the drive.
bool beginExclusiveUse(DriveState& state);
// Gives the drive back: closes the burn's handle so the system sees the disc.
void endExclusiveUse(DriveState& state);

// Sense of the last command (all zero after a success).
scsi::SenseInfo lastSense(const DriveState& state);
// Why the last command failed, for a message: the transport's words when the
// command never reached the drive, else the drive's sense.
std::string failureText(const DriveState& state);

// GET CONFIGURATION, then the ATIP, then disc information, then TEST UNIT READY;
// stores and returns the media type code.
scsi::MediaType DetermineMediaType(DriveState& state);

// MODE SENSE of the Write Parameters page, rebuilt from `settings` (buffer
// underrun protection only when the capabilities page offers it), sent back
// with MODE SELECT.
bool sendWriteParameters(DriveState& state, scsi::WriteSettings settings);

// Where the next write goes on a sequential medium: the next writable address
// of the last track in the last session when the drive marks it valid, 0 for
// the negative address some drives report on blank media, nothing otherwise.
// Reads disc and track information.
std::optional<std::uint32_t> nextWritableAddress(DriveState& state);

// SYNCHRONIZE CACHE, allow medium removal, eject (waiting for the tray).
bool ejectDisc(DriveState& state);

using Sleeper = std::function<void(std::chrono::milliseconds)>;
void sleepFor(std::chrono::milliseconds ms);

// Polls TEST UNIT READY every second until the drive is ready, showing the
// progress the drive reports under `operation`. Keeps waiting while the drive
// is becoming ready, busy, formatting, writing or running an operation, and
// over the unit attentions of a reset; "initializing command required",
// "manual intervention required" and "cause not reportable" end it after a
// short grace, anything else at once, and so does `limit`. Returns an empty
// text when ready, else why not.
inline constexpr std::chrono::seconds kPollInterval{1};
inline constexpr int kNotReadyGracePolls = 10;
std::string waitForDrive(DriveState& state, LongOperation operation, std::chrono::seconds limit,
                         const Sleeper& sleep = sleepFor);

// Row of the drive whose device is `device` ("/dev/sr0"), or -1.
int findDriveRow(const DriveState& state, const std::string& device);
// Device holding `path`, from a mount table in /proc/mounts format; empty if none.
std::string mountDeviceFor(const std::string& path, const std::string& mountTable);

}  // namespace rondivo::burn
