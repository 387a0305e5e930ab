#include "scsi/mmc_commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace rondivo::scsi {

namespace {

CommandBlock block(std::uint8_t opcode, std::uint8_t cdbLength, std::uint8_t direction,
                   std::uint32_t dataLength = 0) {
    CommandBlock b;
    b.flags = direction;
    b.cdbLength = cdbLength;
    b.cdb[0] = opcode;
    b.dataLength = dataLength;
    return b;
}

}  // namespace

CommandBlock makeTestUnitReady() {
    return block(op::kTestUnitReady, 6, 0);
}

CommandBlock makeRequestSense() {
    auto b = block(op::kRequestSense, 6, kFlagDataIn, 18);
    b.cdb[4] = 18;
    return b;
}

CommandBlock makeReadFormatCapacities(std::uint16_t allocation) {
    auto b = block(op::kReadFormatCapacities, 10, kFlagDataIn, allocation);
    putBe16(&b.cdb[7], allocation);
    return b;
}

CommandBlock makeBlank(bool immediate) {
    auto b = block(op::kBlank, 12, 0);
    b.cdb[1] = static_cast<std::uint8_t>((immediate ? 0x10 : 0) | 0x01);  // minimal blanking
    return b;
}

CommandBlock makeFormatUnit() {
    // FmtData (bit 4) with format code 001b: a parameter list follows.
    auto b = block(op::kFormatUnit, 6, kFlagDataOut, 12);
    b.cdb[1] = 0x11;
    return b;
}

CommandBlock makeInquiry(std::uint8_t allocation) {
    auto b = block(op::kInquiry, 6, kFlagDataIn, allocation);
    b.cdb[4] = allocation;
    return b;
}

CommandBlock makeStartStopUnit(bool immediate, bool load) {
    auto b = block(op::kStartStopUnit, 6, 0);
    b.cdb[1] = immediate ? 1 : 0;
    b.cdb[4] = load ? 3 : 2;  // LoEj with Start: load; LoEj alone: eject
    return b;
}

CommandBlock makePreventAllowMediumRemoval(bool prevent) {
    auto b = block(op::kPreventAllowMediumRemoval, 6, 0);
    b.cdb[4] = prevent ? 1 : 0;
    return b;
}

CommandBlock makeWrite10(std::uint32_t lba, std::uint16_t blocks) {
    auto b = block(op::kWrite10, 10, kFlagDataOut, std::uint32_t{blocks} * kWriteBlockBytes);
    putBe32(&b.cdb[2], lba);
    putBe16(&b.cdb[7], blocks);
    return b;
}

CommandBlock makeSynchronizeCache(bool immediate) {
    auto b = block(op::kSynchronizeCache, 10, 0);
    b.cdb[1] = immediate ? 2 : 0;
    return b;
}

CommandBlock makeReadAtip() {
    auto b = block(op::kReadTocPmaAtip, 10, kFlagDataIn, kAtipLength);
    b.cdb[1] = 2;  // MSF
    b.cdb[2] = 4;  // format 0100b: ATIP
    b.cdb[8] = kAtipLength;
    return b;
}

CommandBlock makeGetConfiguration(std::uint16_t startingFeature, std::uint16_t allocation) {
    auto b = block(op::kGetConfiguration, 10, kFlagDataIn, allocation);
    b.cdb[1] = 2;  // RT 10b: only the starting feature
    putBe16(&b.cdb[2], startingFeature);
    putBe16(&b.cdb[7], allocation);
    return b;
}

CommandBlock makeReadDiscInformation(std::uint16_t allocation) {
    auto b = block(op::kReadDiscInformation, 10, kFlagDataIn, allocation);
    putBe16(&b.cdb[7], allocation);
    return b;
}

CommandBlock makeReadTrackInformation(std::uint8_t track) {
    auto b = block(op::kReadTrackInformation, 10, kFlagDataIn, kReadTrackInformationLength);
    b.cdb[1] = 1;  // address is a track number
    b.cdb[5] = track;
    b.cdb[8] = kReadTrackInformationLength;
    return b;
}

CommandBlock makeReserveTrack(std::uint32_t sectors) {
    auto b = block(op::kReserveTrack, 10, 0);
    putBe32(&b.cdb[5], sectors);
    return b;
}

CommandBlock makeModeSelect10(std::uint16_t parameterLength) {
    auto b = block(op::kModeSelect10, 10, kFlagDataOut, parameterLength);
    b.cdb[1] = 0x10;  // PF: pages follow the standard format
    putBe16(&b.cdb[7], parameterLength);
    return b;
}

CommandBlock makeModeSense10(std::uint8_t page, bool defaults, std::uint16_t allocation) {
    auto b = block(op::kModeSense10, 10, kFlagDataIn, allocation);
    b.cdb[2] = static_cast<std::uint8_t>(page | (defaults ? 0x80 : 0x00));
    putBe16(&b.cdb[7], allocation);
    return b;
}

CommandBlock makeCloseTrackSession(bool immediate, std::uint8_t function, std::uint32_t track) {
    auto b = block(op::kCloseTrackSession, 10, 0);
    b.cdb[1] = immediate ? 1 : 0;
    b.cdb[2] = function;
    putBe24(&b.cdb[3], track);
    return b;
}

CommandBlock makeReadBufferCapacity() {
    auto b = block(op::kReadBufferCapacity, 10, kFlagDataIn, kReadBufferCapacityLength);
    b.cdb[8] = kReadBufferCapacityLength;
    return b;
}

CommandBlock makeSetStreaming(std::uint16_t parameterLength) {
    auto b = block(op::kSetStreaming, 12, kFlagDataOut, parameterLength);
    putBe16(&b.cdb[9], parameterLength);
    return b;
}

CommandBlock makeSetCdSpeed(std::uint16_t readKbps, std::uint16_t writeKbps) {
    auto b = block(op::kSetCdSpeed, 12, 0);
    putBe16(&b.cdb[2], readKbps);
    putBe16(&b.cdb[4], writeKbps);
    return b;
}

CommandBlock makeSendDiscStructure(std::uint8_t format, std::uint16_t parameterLength) {
    auto b = block(op::kSendDiscStructure, 12, kFlagDataOut, parameterLength);
    b.cdb[7] = format;
    putBe16(&b.cdb[8], parameterLength);
    return b;
}

std::array<std::uint8_t, 12> formatParameterList(std::uint8_t type, std::uint32_t blocks,
                                                 std::uint32_t parameter) {
    std::array<std::uint8_t, 12> p{};
    p[1] = 0x82;  // format options valid, immediate
    p[3] = 8;
    putBe32(&p[4], blocks);
    p[8] = static_cast<std::uint8_t>(type << 2);
    putBe24(&p[9], parameter);
    return p;
}

const FormatDescriptor* FormatCapacities::find(std::uint8_t type) const {
    for (const auto& d : offered)
        if (d.type == type) return &d;
    return nullptr;
}

FormatCapacities parseFormatCapacities(std::span<const std::uint8_t> a) {
    FormatCapacities f;
    if (a.size() < 12) return f;
    const std::size_t end = std::min<std::size_t>(a.size(), 4u + a[3]);
    f.currentBlocks = getBe32(&a[4]);
    f.currentKind = a[8] & 3;
    for (std::size_t i = 12; i + 8 <= end; i += 8) {
        f.offered.push_back(
            {getBe32(&a[i]), static_cast<std::uint8_t>(a[i + 4] >> 2),
             std::uint32_t{a[i + 5]} << 16 | std::uint32_t{a[i + 6]} << 8 | a[i + 7]});
    }
    return f;
}

std::optional<std::uint8_t> incrementalLinkSize(std::span<const std::uint8_t> a) {
    if (a.size() < 8) return std::nullopt;
    const std::size_t end = std::min<std::size_t>(a.size(), 4u + getBe32(&a[0]));
    for (std::size_t i = 8; i + 4 <= end; i += 4u + a[i + 3]) {
        if (getBe16(&a[i]) != 0x21) continue;
        // Feature 0021h: data block types (2), BUF, link size count, then the sizes.
        if (a[i + 3] < 4 || i + 8 > end || a[i + 7] == 0 || i + 9 > end) return std::nullopt;
        return a[i + 8];
    }
    return std::nullopt;
}

bool featureIsCurrent(std::span<const std::uint8_t> a, std::uint16_t feature) {
    if (a.size() < 12 || getBe32(&a[0]) < 8) return false;
    return getBe16(&a[8]) == feature && (a[10] & 0x01) != 0;
}

std::uint32_t commandTimeoutSeconds(const CommandBlock& b) {
    const bool immediate = (b.cdb[1] & (b.opcode() == op::kBlank ? 0x10 : 0x01)) != 0 ||
                           (b.opcode() == op::kSynchronizeCache && (b.cdb[1] & 0x02));
    switch (b.opcode()) {
        case op::kWrite10:
        case op::kSynchronizeCache:
        case op::kReserveTrack:
        case op::kSendDiscStructure:
        case op::kStartStopUnit:
            return 10 * 60;
        case op::kFormatUnit:
        case op::kBlank:
        case op::kCloseTrackSession:
            return immediate ? 60 : 120 * 60;
        default:
            return 30;
    }
}

std::array<std::uint8_t, kStreamingDescriptorLength> dvdRStreamingDescriptor() {
    std::array<std::uint8_t, kStreamingDescriptorLength> d{};
    putBe32(&d[4], 0);        // start LBA
    putBe32(&d[8], 2298495);  // end LBA
    putBe32(&d[12], 43965);   // read size (kB)
    putBe32(&d[16], 1000);    // read time (ms)
    putBe32(&d[20], 1418);    // write size (kB)
    putBe32(&d[24], 1000);    // write time (ms)
    return d;
}

std::array<std::uint8_t, kStreamingDescriptorLength> streamingDescriptor(std::uint32_t endLba,
                                                                         std::uint32_t readKbps,
                                                                         std::uint32_t writeKbps) {
    std::array<std::uint8_t, kStreamingDescriptorLength> d{};
    putBe32(&d[8], endLba);
    putBe32(&d[12], readKbps);
    putBe32(&d[16], 1000);
    putBe32(&d[20], writeKbps);
    putBe32(&d[24], 1000);
    return d;
}

std::array<std::uint8_t, kTimestampStructureLength> timestampStructure(const UtcTime& t) {
    std::array<std::uint8_t, kTimestampStructureLength> d{};
    putBe16(&d[0], 20);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    std::copy_n(digits, 14, d.begin() + 8);
    return d;
}

std::uint16_t speedFactorToKbps(std::uint8_t factor) {
    return factor == 0 ? 0xFFFF : static_cast<std::uint16_t>(factor * 176);
}

std::uint8_t speedFactorFromKbps(std::uint16_t kbps) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(std::ceil(kbps * 0.005667006687067891)) &
                                     0xFF);
}

MediaType mediaTypeFromProfile(std::uint16_t profile) {
    switch (profile) {
        case 0x08:
            return MediaType::CdRom;
        case 0x09:
            return MediaType::CdR;
        case 0x0A:
            return MediaType::CdRw;
        case 0x10:
            return MediaType::DvdRom;
        case 0x11:
            return MediaType::DvdR;
        case 0x12:
            return MediaType::DvdRam;
        case 0x13:
            return MediaType::DvdRwRestricted;
        case 0x14:
            return MediaType::DvdRwSequential;
        case 0x15:
            return MediaType::DvdRDl;
        case 0x1A:
            return MediaType::DvdPlusRw;
        case 0x1B:
            return MediaType::DvdPlusR;
        case 0x2B:
            return MediaType::DvdPlusRDl;
        case 0x40:
            return MediaType::BdRom;
        case 0x41:
            return MediaType::BdR;
        case 0x42:
            return MediaType::BdRRandom;
        case 0x43:
            return MediaType::BdRe;
        case 0x20:
            return MediaType::DdcdRom;
        case 0x21:
            return MediaType::DdcdR;
        case 0x22:
            return MediaType::DdcdRw;
        default:
            return MediaType::None;
    }
}

std::uint16_t currentProfile(std::span<const std::uint8_t> answer) {
    return answer.size() >= 8 ? getBe16(&answer[6]) : 0;
}

MediaType mediaTypeFromAtip(std::span<const std::uint8_t> answer) {
    if (answer.size() < 7 || (answer[6] & 0x80) == 0) return MediaType::CdRom;
    return (answer[6] & 0x40) ? MediaType::CdRw : MediaType::CdR;
}

MediaType mediaTypeFromDiscInformation(std::span<const std::uint8_t> answer) {
    return answer.size() >= 3 && (answer[2] & 0x10) ? MediaType::CdRw : MediaType::CdR;
}

std::optional<std::size_t> findModePage(std::span<const std::uint8_t> answer, std::uint8_t page) {
    if (answer.size() < 8) return std::nullopt;
    const std::size_t offset = 8u + getBe16(&answer[6]);
    // The PS bit (7) and SPF bit (6) share the page-code byte.
    if (answer.size() > offset + 1 && (answer[offset] & 0x3F) == page) return offset;
    return std::nullopt;
}

DiscInformation parseDiscInformation(std::span<const std::uint8_t> a) {
    DiscInformation info;
    if (a.size() < 7) return info;
    info.erasable = (a[2] & 0x10) != 0;
    if (a.size() > 7) info.backgroundFormat = a[7] & 3;
    info.lastSessionState = (a[2] >> 2) & 3;
    info.discStatus = a[2] & 3;
    const auto msb = [&](std::size_t i) { return a.size() > i ? a[i] : std::uint8_t{0}; };
    info.sessions = static_cast<std::uint16_t>(msb(9) << 8 | a[4]);
    info.firstTrackInLastSession = static_cast<std::uint16_t>(msb(10) << 8 | a[5]);
    info.lastTrackInLastSession = static_cast<std::uint16_t>(msb(11) << 8 | a[6]);
    return info;
}

std::uint16_t completeSessions(const DiscInformation& info) {
    std::uint16_t k = info.sessions;
    if ((info.lastSessionState == 0 || info.lastSessionState == 1) && k > 0) --k;
    return k;
}

TrackInformation parseTrackInformation(std::span<const std::uint8_t> a) {
    TrackInformation t;
    if (a.size() < 32) return t;
    t.length = getBe16(&a[0]);
    t.track = static_cast<std::uint16_t>((a.size() > 32 ? a[32] << 8 : 0) | a[2]);
    t.session = static_cast<std::uint16_t>((a.size() > 33 ? a[33] << 8 : 0) | a[3]);
    t.damaged = (a[5] & 0x20) != 0;
    t.reservedTrack = (a[6] & 0x80) != 0;
    t.blank = (a[6] & 0x40) != 0;
    t.nextWritableValid = (a[7] & 0x01) != 0;
    t.trackStart = getBe32(&a[8]);
    t.nextWritable = getBe32(&a[12]);
    t.freeBlocks = getBe32(&a[16]);
    t.fixedPacketSize = getBe32(&a[20]);
    t.trackSize = getBe32(&a[24]);
    t.lastRecorded = getBe32(&a[28]);
    return t;
}

Capabilities parseCapabilities(std::span<const std::uint8_t> p) {
    Capabilities c;
    if (p.size() < 22) return c;
    c.writeCapabilities = p[3];
    c.bufferUnderrunProtection = (p[4] & 0x80) != 0;
    c.maxWriteKbps = getBe16(&p[18]);
    c.currentWriteKbps = getBe16(&p[20]);
    return c;
}

std::uint16_t buildWriteParameters(std::span<std::uint8_t> answer, std::size_t pageOffset,
                                   const WriteSettings& w) {
    if (pageOffset + 2 > answer.size()) return 0;
    const std::uint8_t pageLength = answer[pageOffset + 1];
    const std::size_t total = pageOffset + 2 + pageLength;
    if (total > answer.size() || pageLength < 0x0E) return 0;

    std::array<std::uint8_t, 72> page{};
    page[0] = kPageWriteParameters;
    page[1] = pageLength;
    page[2] = static_cast<std::uint8_t>((w.bufferUnderrunProtection ? 0x40 : 0) |
                                        (w.linkSize ? 0x20 : 0) | (w.writeType & 0x0F));
    page[3] = static_cast<std::uint8_t>((w.multiSession & 3) << 6 | (w.fixedPacket ? 0x20 : 0) |
                                        (w.trackMode & 0x0F));
    page[4] = 8;  // mode 1, 2048-byte user data
    page[5] = w.linkSize.value_or(0);
    putBe32(&page[10], w.packetSize);

    // The header's mode data length is reserved in MODE SELECT and the block
    // descriptor the drive reported is not ours to send back: drives reject
    // stale values there. The page follows a zeroed header directly.
    const std::size_t listLength = 8u + 2u + pageLength;
    std::fill(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(listLength), 0);
    std::copy_n(page.begin(), std::min<std::size_t>(page.size(), pageLength + 2u),
                answer.begin() + 8);
    return static_cast<std::uint16_t>(listLength);
}

}  // namespace rondivo::scsi
