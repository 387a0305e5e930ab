#pragma once
// Multimedia command set (MMC-6, SPC-4): request builders and answer parsers.
// Everything here is pure: a builder fills a CommandBlock, a parser reads bytes.
#include <cstdint>
#include <optional>
#include <span>

#include "scsi/scsi_command.h"

namespace rondivo::burn {

// A WRITE(10) block of a data disc (Mode 1 / DVD): the size of an ISO 9660 sector.
inline constexpr std::uint32_t kWriteBlockBytes = 2048;

namespace op {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRezeroUnit = 0x01;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kFormatUnit = 0x04;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kStartStopUnit = 0x1B;
inline constexpr std::uint8_t kPreventAllowMediumRemoval = 0x1E;
inline constexpr std::uint8_t kWrite10 = 0x2A;
inline constexpr std::uint8_t kSynchronizeCache = 0x35;
inline constexpr std::uint8_t kReadTocPmaAtip = 0x43;
inline constexpr std::uint8_t kGetConfiguration = 0x46;
inline constexpr std::uint8_t kReadDiscInformation = 0x51;
inline constexpr std::uint8_t kReadTrackInformation = 0x52;
inline constexpr std::uint8_t kReserveTrack = 0x53;
inline constexpr std::uint8_t kModeSelect10 = 0x55;
inline constexpr std::uint8_t kModeSense10 = 0x5A;
inline constexpr std::uint8_t kCloseTrackSession = 0x5B;
inline constexpr std::uint8_t kReadBufferCapacity = 0x5C;
inline constexpr std::uint8_t kSetStreaming = 0xB6;
inline constexpr std::uint8_t kSetCdSpeed = 0xBB;
inline constexpr std::uint8_t kSendDiscStructure = 0xBF;
}  // namespace op

// Media type codes, from the current MMC profile. 7 is not used.
enum MediaType : std::uint8_t {
    kMediaNone = 0,
    kMediaCdRom = 1,
    kMediaCdR = 2,
    kMediaCdRw = 3,
    kMediaDvdRom = 4,
    kMediaDvdR = 5,
    kMediaDvdRam = 6,
    kMediaDvdRwRestricted = 8,
    kMediaDvdRwSequential = 9,
    kMediaDvdPlusRw = 10,
    kMediaDvdPlusR = 11,
    kMediaDdcdRom = 12,
    kMediaDdcdR = 13,
    kMediaDdcdRw = 14,
};

// CLOSE TRACK/SESSION close functions (MMC-6 6.3).
inline constexpr std::uint8_t kCloseTrack = 1;
inline constexpr std::uint8_t kCloseSession = 2;
inline constexpr std::uint8_t kCloseFinal = 3;  // DVD+R/+RW: close session and finalize
// Track field of a close without a number.
inline constexpr std::uint32_t kAnyTrack = 0xFF;

// Mode pages the engine reads.
inline constexpr std::uint8_t kPageWriteParameters = 0x05;
inline constexpr std::uint8_t kPageVendorBufferProtection = 0x30;
inline constexpr std::uint8_t kPageCapabilities = 0x2A;

// Builders, one per command. "immediate" asks the drive to answer before the
// operation has finished (IMMED bit).
CommandBlock makeTestUnitReady();
CommandBlock makeRezeroUnit();
CommandBlock makeFormatUnit();  // 12-byte parameter list follows, see formatParameterList
CommandBlock makeInquiry(std::uint8_t allocation);
CommandBlock makeStartStopUnit(bool immediate, bool load);  // load false: eject
CommandBlock makePreventAllowMediumRemoval(bool prevent);
CommandBlock makeWrite10(std::uint32_t lba, std::uint16_t blocks);
CommandBlock makeSynchronizeCache(bool immediate);
CommandBlock makeReadAtip();
CommandBlock makeGetConfiguration(std::uint16_t startingFeature, std::uint16_t allocation);
CommandBlock makeReadDiscInformation(std::uint16_t allocation);
CommandBlock makeReadTrackInformation(std::uint8_t track);
CommandBlock makeReserveTrack(std::uint32_t sectors);
CommandBlock makeModeSelect10(std::uint16_t parameterLength);
CommandBlock makeModeSense10(std::uint8_t page, bool defaults, std::uint16_t allocation);
CommandBlock makeCloseTrackSession(bool immediate, std::uint8_t function, std::uint32_t track);
CommandBlock makeReadBufferCapacity();
CommandBlock makeSetStreaming(std::uint16_t parameterLength);
CommandBlock makeSetCdSpeed(std::uint16_t readKbps, std::uint16_t writeKbps);
CommandBlock makeSendDiscStructure(std::uint8_t format, std::uint16_t parameterLength);

inline constexpr std::uint16_t kReadTrackInformationLength = 38;
inline constexpr std::uint16_t kAtipLength = 30;
inline constexpr std::uint16_t kReadBufferCapacityLength = 32;
inline constexpr std::uint16_t kStreamingDescriptorLength = 28;
inline constexpr std::uint16_t kTimestampStructureLength = 22;

// Parameter lists.
// FORMAT UNIT for DVD-RW: options valid + immediate, one descriptor of type 13h
// ("quick grow last session") with type parameter 16.
std::array<std::uint8_t, 12> formatParameterList();
// SET STREAMING performance descriptor: whole DVD-R, about 44 MB/s read, 1.4 MB/s write.
std::array<std::uint8_t, kStreamingDescriptorLength> dvdRStreamingDescriptor();
// SEND DISC STRUCTURE format 0Fh (timestamp): "YYYYMMDDhhmmss" as ASCII digits.
struct UtcTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
std::array<std::uint8_t, kTimestampStructureLength> timestampStructure(const UtcTime& t);

// Drive speed: a "factor" is a multiple of the 1x CD rate, 176 kB/s when sent
// and 176.46 kB/s when read back from the capabilities page.
std::uint16_t speedFactorToKbps(std::uint8_t factor);  // 0 asks for the maximum: FFFFh
std::uint8_t speedFactorFromKbps(std::uint16_t kbps);

// Media type code of an MMC profile number; 0 when the profile is not one of ours.
MediaType mediaTypeFromProfile(std::uint16_t profile);
// Current profile from a GET CONFIGURATION answer header (bytes 6-7).
std::uint16_t currentProfile(std::span<const std::uint8_t> answer);
// From the ATIP of READ TOC format 4: CD-R or CD-RW when the ATIP is there, else CD-ROM.
MediaType mediaTypeFromAtip(std::span<const std::uint8_t> answer);
// From READ DISC INFORMATION: CD-R, or CD-RW when the erasable bit is set.
MediaType mediaTypeFromDiscInformation(std::span<const std::uint8_t> answer);

// Offset of mode page `page` in a MODE SENSE (10) answer: the page follows the
// 8-byte header directly or after one 8-byte block descriptor.
std::optional<std::size_t> findModePage(std::span<const std::uint8_t> answer, std::uint8_t page);

struct DiscInformation {
    bool erasable = false;
    std::uint8_t lastSessionState = 0;  // 0 empty, 1 incomplete, 2 reserved/damaged, 3 complete
    std::uint8_t discStatus = 0;        // 0 empty, 1 incomplete, 2 finalized, 3 other
    std::uint16_t sessions = 0;
    std::uint16_t firstTrackInLastSession = 0;
    std::uint16_t lastTrackInLastSession = 0;
};
DiscInformation parseDiscInformation(std::span<const std::uint8_t> answer);

// Sessions that are closed: the session count minus one when the last session
// is still empty or incomplete.
std::uint16_t completeSessions(const DiscInformation& info);

struct TrackInformation {
    std::uint16_t length = 0;  // data length field
    std::uint16_t track = 0;
    std::uint16_t session = 0;
    bool blank = false;
    bool nextWritableValid = false;
    std::uint32_t trackStart = 0;
    std::uint32_t nextWritable = 0;
    std::uint32_t freeBlocks = 0;
    std::uint32_t fixedPacketSize = 0;
    std::uint32_t trackSize = 0;
    std::uint32_t lastRecorded = 0;
};
TrackInformation parseTrackInformation(std::span<const std::uint8_t> answer);

// Capabilities page (2Ah) fields the engine uses, read from a 64-byte copy.
inline constexpr std::size_t kCapabilitiesCopySize = 64;
struct Capabilities {
    std::uint8_t writeCapabilities = 0;     // byte 3: CD-R, CD-RW, test write, DVD-R, DVD-RAM
    bool bufferUnderrunProtection = false;  // byte 4 bit 7
    std::uint16_t maxWriteKbps = 0;         // bytes 18-19
    std::uint16_t currentWriteKbps = 0;     // bytes 20-21
};
Capabilities parseCapabilities(std::span<const std::uint8_t> page);

// Write Parameters page (05h). Builds the page for `media` over the page found
// at `pageOffset` of a MODE SENSE answer and prepares `answer` for MODE SELECT;
// returns the parameter length, or 0 when the page does not fit in `answer`.
// `multiSession` is the two-bit field: 0 = last session, 3 = next session allowed.
std::uint16_t buildWriteParameters(std::span<std::uint8_t> answer, std::size_t pageOffset,
                                   MediaType media, std::uint8_t multiSession,
                                   bool bufferUnderrunProtection);

}  // namespace rondivo::burn
