#pragma once
// Drive operations over the current drive: one function per command of the
// writing engine, plus the few sequences built from them (media type, Write
// Parameters page, eject, the waits while a drive is busy with a long job).
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>

#include "burn/drive_state.h"

namespace rondivo::burn {

// Commands. Each returns true when the drive completed it; answers are kept in
// `state` (data buffer, disc/track information, configuration).
bool testUnitReady(DriveState& state);
bool rezeroUnit(DriveState& state);
bool formatUnit(DriveState& state);  // the DVD-RW quick-grow format, immediate
bool inquiry(DriveState& state, std::uint8_t allocation);
bool loadMedium(DriveState& state, bool immediate);
bool ejectMedium(DriveState& state, bool immediate);
bool preventMediumRemoval(DriveState& state);
bool allowMediumRemoval(DriveState& state);
// `data` holds blocks × 2048 bytes. A status of 0 counts as success, as some
// transports report a finished write that way.
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

// ASC of the last command (0 after a success).
std::uint8_t lastAsc(const DriveState& state);

// GET CONFIGURATION, then the ATIP, then disc information, then TEST UNIT READY;
// stores and returns the media type code.
MediaType DetermineMediaType(DriveState& state);

// MODE SENSE of the Write Parameters page, rebuilt for state.mediaType with the
// multi-session field given (0 or 3), sent back with MODE SELECT.
bool sendWriteParameters(DriveState& state, std::uint8_t multiSession);

// Track start of the last track in the last session (disc information must have
// been read), falling back to track 1; nothing when both fail.
std::optional<std::uint32_t> lastTrackStart(DriveState& state);
// Next writable address of that track, falling back to track 1's start; nothing
// when both fail.
std::optional<std::uint32_t> nextWritableAddress(DriveState& state);

// SYNCHRONIZE CACHE, allow medium removal, eject (waiting for the tray).
bool ejectDisc(DriveState& state);

// Waits for long drive jobs, polling every 5 s while the drive answers "not
// ready" (ASC 04h). They have no limit: a drive formatting or closing a disc
// may take many minutes and stopping early would ruin the disc.
using Sleeper = std::function<void(std::chrono::milliseconds)>;
void sleepFor(std::chrono::milliseconds ms);
// repeat { sleep; READ DISC INFORMATION (42) } while not ready
void waitWhileFormatting(DriveState& state, const Sleeper& sleep = sleepFor);
// the above, then repeat { TEST UNIT READY; sleep } while not ready
void waitForDrive(DriveState& state, const Sleeper& sleep = sleepFor);
// repeat { READ DISC INFORMATION (42); sleep if not ready } while not ready
void waitUntilReady(DriveState& state, const Sleeper& sleep = sleepFor);

// Row of the drive whose device is `device` ("/dev/sr0"), or -1.
int findDriveRow(const DriveState& state, const std::string& device);
// Device holding `path`, from a mount table in /proc/mounts format; empty if none.
std::string mountDeviceFor(const std::string& path, const std::string& mountTable);

}  // namespace rondivo::burn
