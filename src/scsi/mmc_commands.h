#pragma once
// Multimedia command set (MMC-6, SPC-4): request builders and answer parsers.
// Everything here is pure: a builder fills a CommandBlock, a parser reads bytes.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "scsi/scsi_command.h"

namespace rondivo::scsi {

// A WRITE(10) block of a data disc (Mode 1 / DVD): the size of an ISO 9660 sector.
inline constexpr std::uint32_t kWriteBlockBytes = 2048;

namespace op {
inline constexpr std::uint8_t kTestUnitReady = 0x00;
inline constexpr std::uint8_t kRequestSense = 0x03;
inline constexpr std::uint8_t kFormatUnit = 0x04;
inline constexpr std::uint8_t kInquiry = 0x12;
inline constexpr std::uint8_t kReadFormatCapacities = 0x23;
inline constexpr std::uint8_t kBlank = 0xA1;
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
enum class MediaType : std::uint8_t {
    None = 0,
    CdRom = 1,
    CdR = 2,
    CdRw = 3,
    DvdRom = 4,
    DvdR = 5,
    DvdRam = 6,
    DvdRwRestricted = 8,
    DvdRwSequential = 9,
    DvdPlusRw = 10,
    DvdPlusR = 11,
    DdcdRom = 12,
    DdcdR = 13,
    DdcdRw = 14,
    // Blu-ray and double-layer write-once discs; codes above the classic table.
    BdRom = 15,
    BdR = 16,        // sequential recording (profile 41h), one or two layers
    BdRRandom = 17,  // random recording (42h): not written by this program
    BdRe = 18,
    DvdRDl = 19,      // DVD-R DL sequential (15h)
    DvdPlusRDl = 20,  // DVD+R DL (2Bh)
};

// CLOSE TRACK/SESSION close functions (MMC-6 6.3).
inline constexpr std::uint8_t kCloseTrack = 1;
// Closes the session; on DVD+RW it stops the background format (compatible close).
inline constexpr std::uint8_t kCloseSession = 2;
inline constexpr std::uint8_t kCloseFinalizeDvdPlusR = 6;
// DVD+R DL: finalize with minimal radius (101b); some writers take only this on DL.
inline constexpr std::uint8_t kCloseFinalizeMinimalRadius = 5;
// BD-R: finalize the disc (110b), the same number as DVD+R's.
inline constexpr std::uint8_t kCloseFinalizeBdR = 6;
// Track field of a close without a number.
inline constexpr std::uint32_t kAnyTrack = 0xFF;

// Mode pages the engine reads.
inline constexpr std::uint8_t kPageWriteParameters = 0x05;
inline constexpr std::uint8_t kPageVendorBufferProtection = 0x30;
inline constexpr std::uint8_t kPageCapabilities = 0x2A;

// Builders, one per command. "immediate" asks the drive to answer before the
// operation has finished (IMMED bit).
CommandBlock makeTestUnitReady();
CommandBlock makeRequestSense();
CommandBlock makeFormatUnit();  // 12-byte parameter list follows, see formatParameterList
CommandBlock makeReadFormatCapacities(std::uint16_t allocation);
// Quick ("minimal") blanking of a CD-RW or sequential DVD-RW.
CommandBlock makeBlank(bool immediate);
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

// FORMAT UNIT format types the engine uses.
inline constexpr std::uint8_t kFormatQuickRestricted = 0x15;  // DVD-RW to restricted overwrite
inline constexpr std::uint8_t kFormatGrowSession = 0x13;      // restricted overwrite: grow
inline constexpr std::uint8_t kFormatDvdPlusRw = 0x26;        // DVD+RW, background format
inline constexpr std::uint8_t kFormatBdReSpare = 0x30;        // BD-RE with spare areas
inline constexpr std::uint8_t kFormatFull = 0x00;  // full format (DVD-RW: the disc's size)
// FORMAT UNIT 26h parameter: restart a suspended background format.
inline constexpr std::uint32_t kFormatRestart = 1;

// Parameter lists.
// FORMAT UNIT: immediate, one descriptor of `type` with `blocks` and the type parameter.
std::array<std::uint8_t, 12> formatParameterList(std::uint8_t type, std::uint32_t blocks,
                                                 std::uint32_t parameter);

// One format descriptor of READ FORMAT CAPACITIES.
struct FormatDescriptor {
    std::uint32_t blocks = 0;
    std::uint8_t type = 0;
    std::uint32_t parameter = 0;
};
struct FormatCapacities {
    std::uint8_t currentKind = 0;  // 1 unformatted, 2 formatted, 3 no medium
    std::uint32_t currentBlocks = 0;
    std::vector<FormatDescriptor> offered;
    const FormatDescriptor* find(std::uint8_t type) const;
};
FormatCapacities parseFormatCapacities(std::span<const std::uint8_t> answer);

// Link size of the Incremental Streaming Writable feature (0021h) in a GET
// CONFIGURATION answer; nothing when the feature or its link sizes are missing.
std::optional<std::uint8_t> incrementalLinkSize(std::span<const std::uint8_t> answer);
// Whether the first feature of a GET CONFIGURATION answer is `feature` and
// "current": the medium in the drive can be written that way now.
bool featureIsCurrent(std::span<const std::uint8_t> answer, std::uint16_t feature);

// How long the transport waits for a command before giving up: seconds for
// questions, minutes for writing, closing, formatting and blanking.
std::uint32_t commandTimeoutSeconds(const CommandBlock& block);
// SET STREAMING performance descriptor: whole DVD-R, about 44 MB/s read, 1.4 MB/s write.
std::array<std::uint8_t, kStreamingDescriptorLength> dvdRStreamingDescriptor();
// A performance descriptor over sectors 0..`endLba` with `readKbps` and
// `writeKbps` kilobytes per second (MMC-6 6.39).
std::array<std::uint8_t, kStreamingDescriptorLength> streamingDescriptor(std::uint32_t endLba,
                                                                         std::uint32_t readKbps,
                                                                         std::uint32_t writeKbps);
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
// 8-byte header and as many bytes of block descriptors as the header names.
std::optional<std::size_t> findModePage(std::span<const std::uint8_t> answer, std::uint8_t page);

struct DiscInformation {
    bool erasable = false;
    std::uint8_t backgroundFormat = 0;  // DVD+RW: 0 none, 1 suspended, 2 running, 3 complete
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
    bool damaged = false;        // byte 5 bit 5: written but not closed properly
    bool reservedTrack = false;  // byte 6 bit 7 (RT)
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

// What the Write Parameters page (05h) says for one burn.
struct WriteSettings {
    std::uint8_t writeType = 1;  // 0 incremental, 1 track at once, 2 disc/session at once
    std::uint8_t trackMode = 4;
    std::uint8_t multiSession = 0;  // 0 = last session, 3 = next session allowed
    bool fixedPacket = false;
    std::uint32_t packetSize = 0;
    std::optional<std::uint8_t> linkSize;
    bool bufferUnderrunProtection = false;
};
inline constexpr std::uint8_t kWriteIncremental = 0;
inline constexpr std::uint8_t kWriteTrackAtOnce = 1;
inline constexpr std::uint8_t kWriteDiscAtOnce = 2;

// Builds the page over the page found at `pageOffset` of a MODE SENSE answer
// and turns `answer` into a MODE SELECT parameter list: a zeroed 8-byte header
// (no block descriptor) followed by the page. Returns the list's length, or 0
// when the page does not fit in `answer`. The test-write flag is always off.
std::uint16_t buildWriteParameters(std::span<std::uint8_t> answer, std::size_t pageOffset,
                                   const WriteSettings& settings);

}  // namespace rondivo::scsi
