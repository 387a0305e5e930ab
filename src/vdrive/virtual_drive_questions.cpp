#include <cstdio>

#include "vdrive/virtual_drive_impl.h"

namespace rondivo::vdrive {

using namespace virtualdrive;

// --- questions -----------------------------------------------------------

void VirtualDrive::Impl::inquiry(const Request& r) {
    if (r.cdb[1] & 1) return illegal(0x24);  // no vital product data pages
    std::array<std::uint8_t, 36> a{};
    a[0] = 0x05;  // CD/DVD device
    a[1] = 0x80;  // removable
    a[2] = 0x05;
    a[3] = 0x02;
    a[4] = 31;
    std::memcpy(&a[8], "RONDIVO Virtual Writer  1.00", 28);
    answer(r, a, r.cdb[4]);
}

std::array<std::uint8_t, 64> VirtualDrive::Impl::capabilitiesPage(bool defaults) const {
    std::array<std::uint8_t, 64> p{};
    p[0] = 0x2A;
    p[1] = 0x3E;
    p[2] = 0x3B;                           // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
    p[3] = 0x37;                           // writes CD-R, CD-RW, DVD-R, DVD-RAM; test write
    p[4] = underrunProtection ? 0x80 : 0;  // buffer underrun free recording
    p[6] = static_cast<std::uint8_t>(0x29 | (!defaults && prevent ? 0x02 : 0));
    scsi::putBe16(&p[8], model().cd ? 8467 : 22160);
    scsi::putBe16(&p[10], 256);
    scsi::putBe16(&p[12], kBufferSize / 1024);
    scsi::putBe16(&p[14], model().cd ? 8467 : 22160);
    scsi::putBe16(&p[18], maxWriteKbps());
    scsi::putBe16(&p[20], defaults ? maxWriteKbps() : writeKbps);
    return p;
}

std::array<std::uint8_t, 52> VirtualDrive::Impl::writeParametersPage() const {
    std::array<std::uint8_t, 52> p{};
    p[0] = 0x05;
    p[1] = 0x32;
    p[2] = static_cast<std::uint8_t>(params.writeType | (params.testWrite ? 0x10 : 0) |
                                     (params.linkSizeValid ? 0x20 : 0) |
                                     (params.bufferUnderrunFree ? 0x40 : 0));
    p[3] = static_cast<std::uint8_t>(params.multiSession << 6 | (params.fixedPacket ? 0x20 : 0) |
                                     params.trackMode);
    p[4] = params.dataBlockType;
    p[5] = params.linkSize;
    scsi::putBe32(&p[10], params.packetSize);
    scsi::putBe16(&p[14], 150);
    return p;
}

void VirtualDrive::Impl::modeSense(const Request& r) {
    const std::uint8_t pc = r.cdb[2] >> 6;
    const std::uint8_t page = r.cdb[2] & 0x3F;
    if (pc == 3) return illegal(0x39);  // saving parameters not supported
    std::vector<std::uint8_t> a(8, 0);
    // Like many drives, one block descriptor unless asked to leave it out (DBD).
    if ((r.cdb[1] & 0x08) == 0) {
        a.insert(a.end(), {0, 0, 0, 0, 0, 0, 0x08, 0x00});
        scsi::putBe16(&a[6], 8);
    }
    if (page == 0x2A) {
        const auto p = capabilitiesPage(pc == 2);
        a.insert(a.end(), p.begin(), p.end());
    } else if (page == 0x05) {
        const auto p = writeParametersPage();
        a.insert(a.end(), p.begin(), p.end());
    } else {
        return illegal(0x24);
    }
    scsi::putBe16(&a[0], static_cast<std::uint16_t>(a.size() - 2));
    answer(r, a, be16(r.cdb + 7));
}

void VirtualDrive::Impl::getConfiguration(const Request& r) {
    std::vector<std::uint8_t> a(8, 0);
    const std::uint16_t current = trayOpen ? 0 : profile();
    scsi::putBe16(&a[6], current);
    const std::uint16_t start = be16(r.cdb + 2);
    if (start == 0) {
        static constexpr std::uint16_t kList[] = {0x43, 0x42, 0x41, 0x40, 0x2B, 0x1B, 0x1A, 0x15,
                                                  0x14, 0x13, 0x12, 0x11, 0x10, 0x0A, 0x09, 0x08};
        a.insert(a.end(), {0x00, 0x00, 0x03, static_cast<std::uint8_t>(4 * std::size(kList))});
        for (std::uint16_t p : kList) {
            a.insert(a.end(), {static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p),
                               static_cast<std::uint8_t>(p == current ? 1 : 0), 0});
        }
    } else if (start == 0x21 && (current == 0x11 || current == 0x14 || current == 0x15)) {
        // Incremental Streaming Writable: block types, one link size. It
        // is listed but not current when the medium cannot take it now.
        const std::uint8_t flags = incrementalCurrent() ? 0x05 : 0x04;
        a.insert(a.end(), {0x00, 0x21, flags, 0x04, 0x01, 0x00, 0x00, 0x01, kLinkSize, 0, 0, 0});
    }
    scsi::putBe32(&a[0], static_cast<std::uint32_t>(a.size() - 4));
    answer(r, a, be16(r.cdb + 7));
}

void VirtualDrive::Impl::readAtip(const Request& r) {
    if ((r.cdb[2] & 0x0F) != 4) return illegal(0x24);  // only the ATIP is kept
    if (!model().cd || !model().recordable) return fail(0x5, 0x24, 0x00);
    std::array<std::uint8_t, 28> a{};
    scsi::putBe16(&a[0], 26);
    a[4] = 0x50;
    a[6] = static_cast<std::uint8_t>(0x80 | (model().erasable ? 0x40 : 0));
    a[8] = 97;  // lead-in start 97:26:66
    a[9] = 26;
    a[10] = 66;
    a[12] = 79;  // last possible lead-out 79:59:72: the disc's capacity
    a[13] = 59;
    a[14] = 72;
    answer(r, a, be16(r.cdb + 7));
}

void VirtualDrive::Impl::readDiscInformation(const Request& r) {
    if ((r.cdb[1] & 7) != 0) return illegal(0x24);
    answer(r, medium.discInformation(), be16(r.cdb + 7));
}

void VirtualDrive::Impl::readTrackInformation(const Request& r) {
    const std::uint32_t address = be32(r.cdb + 2);
    const auto& tracks = medium.tracks;
    std::size_t index = 0;
    switch (r.cdb[1] & 3) {
        case 0: {  // logical block address
            auto it = std::find_if(tracks.begin(), tracks.end(), [&](const Track& t) {
                return address >= t.start && address < medium.endOf(t);
            });
            if (it == tracks.end()) return illegal(0x21);
            index = static_cast<std::size_t>(it - tracks.begin());
            break;
        }
        case 1:  // track number; FFh names the invisible track on CD
            if (address == 0xFF && model().cd) {
                index = tracks.size() - 1;
            } else {
                if (address < 1 || address > tracks.size()) return illegal(0x24);
                index = address - 1;
            }
            break;
        default:
            return illegal(0x24);
    }
    answer(r, medium.trackInformation(index, negativeAddress), be16(r.cdb + 7));
}

// The format types this drive offers for the medium it holds.
std::vector<std::array<std::uint8_t, 8>> VirtualDrive::Impl::offeredFormats() const {
    auto descriptor = [&](std::uint8_t type, std::uint32_t parameter, std::uint32_t blocks = 0) {
        std::array<std::uint8_t, 8> d{};
        scsi::putBe32(&d[0], blocks ? blocks : model().capacity);
        d[4] = static_cast<std::uint8_t>(type << 2);
        scsi::putBe24(&d[5], parameter);
        return d;
    };
    switch (profile()) {
        case 0x1A:
            return {descriptor(0x26, 0)};
        case 0x14:
            if (!quickFormatOffered) return {descriptor(0x10, 16)};
            return {descriptor(0x10, 16), descriptor(0x15, 16)};
        case 0x13:
            if (medium.intermediate) return {descriptor(0x00, 16), descriptor(0x13, 16)};
            return {descriptor(0x00, 16)};
        case 0x12:
            return {descriptor(0x00, 2048), descriptor(0x01, 2048)};
        case 0x43:
            return {descriptor(0x30, 0, kBdReWithSpares), descriptor(0x31, 0)};
        default:
            return {};
    }
}

void VirtualDrive::Impl::readFormatCapacities(const Request& r) {
    const auto offered = offeredFormats();
    std::vector<std::uint8_t> a(12, 0);
    a[3] = static_cast<std::uint8_t>(8 * (1 + offered.size()));
    scsi::putBe32(&a[4], medium.capacity);
    const bool formatted = !model().sequential &&
                           (profile() != 0x1A || medium.backgroundFormat != 0) &&
                           (profile() != 0x43 || medium.formatted);
    a[8] = formatted ? 2 : 1;
    scsi::putBe24(&a[9], 2048);
    for (const auto& d : offered) a.insert(a.end(), d.begin(), d.end());
    answer(r, a, be16(r.cdb + 7));
}

void VirtualDrive::Impl::readBufferCapacity(const Request& r) {
    if (r.cdb[1] & 1) return illegal(0x24);
    std::array<std::uint8_t, 12> a{};
    scsi::putBe16(&a[0], 10);
    scsi::putBe32(&a[4], kBufferSize);
    scsi::putBe32(&a[8], kBufferSize);
    answer(r, a, be16(r.cdb + 7));
}
// --- settings ------------------------------------------------------------

// The page must suit the medium and the write type, as drives check it.
bool VirtualDrive::Impl::pageFits(const WriteParameters& w) const {
    if (ignoresWritePage()) return false;  // DVD+R and BD-R have no Write Parameters page
    if (w.writeType > 4 || w.multiSession == 2) return false;
    if (w.dataBlockType > 3 && w.dataBlockType < 8) return false;
    // Restricted overwrite is written in fixed packets of one ECC block.
    if (profile() == 0x13) return w.writeType == 0 && (!w.fixedPacket || w.packetSize == 16);
    if (!model().sequential) return true;
    if (model().cd) return w.writeType == 1 && w.trackMode == 4 && w.dataBlockType == 8;
    if (w.writeType == 2) return w.multiSession == 0 && !w.fixedPacket && !w.linkSizeValid;
    if (w.writeType != 0 || !incrementalCurrent()) return false;
    if (!w.linkSizeValid || w.linkSize != kLinkSize) return false;  // link size from 0021h
    return !w.fixedPacket || w.packetSize == 16;
}

void VirtualDrive::Impl::modeSelect(const Request& r) {
    if ((r.cdb[1] & 0x10) == 0) return illegal(0x24);  // only page-format parameters
    const std::uint32_t n = std::min<std::uint32_t>(r.length, be16(r.cdb + 7));
    if (n < 8) return illegal(0x1A);
    // The mode data length is reserved, and a block descriptor is not ours to set.
    if (be16(r.data) != 0 || be16(r.data + 6) != 0) return illegal(0x26);
    const std::uint32_t offset = 8u;
    if (offset + 2 > n) return illegal(0x1A);
    const std::uint8_t* p = r.data + offset;
    if ((p[0] & 0x3F) != 0x05) return illegal(0x26);
    if (offset + 2u + p[1] > n || p[1] < 0x0E) return illegal(0x1A);
    WriteParameters w;
    w.set = true;
    w.writeType = p[2] & 0x0F;
    w.testWrite = (p[2] & 0x10) != 0;
    w.linkSizeValid = (p[2] & 0x20) != 0;
    w.bufferUnderrunFree = (p[2] & 0x40) != 0;
    w.multiSession = p[3] >> 6;
    w.fixedPacket = (p[3] & 0x20) != 0;
    w.trackMode = p[3] & 0x0F;
    w.dataBlockType = p[4] & 0x0F;
    w.linkSize = p[5];
    w.packetSize = be32(p + 10);
    char buf[64];
    std::snprintf(buf, sizeof buf, "wt=%u ms=%u fp=%d ls=%u test=%d", w.writeType, w.multiSession,
                  w.fixedPacket ? 1 : 0, w.linkSizeValid ? w.linkSize : 0, w.testWrite ? 1 : 0);
    note = buf;
    if (!pageFits(w)) return illegal(0x26);
    params = w;
}

void VirtualDrive::Impl::setCdSpeed(const Request& r) {
    const std::uint16_t w = be16(r.cdb + 4);
    writeKbps =
        w == 0xFFFF || w > maxWriteKbps() ? maxWriteKbps() : std::max<std::uint16_t>(w, 176);
}

void VirtualDrive::Impl::setStreaming(const Request& r) {
    if (!streamingSupported) return illegal(0x20);  // an older drive: no such command
    if (r.cdb[8] != 0) return illegal(0x24);        // only performance descriptors
    const std::uint32_t n = be16(r.cdb + 9);
    if (n < 28 || r.length < 28) return illegal(0x1A);
    const std::uint8_t* in = r.data;
    if (be32(in + 8) < be32(in + 4) || be32(in + 16) == 0 || be32(in + 24) == 0)
        return illegal(0x26);
    if (be32(in + 8) >= medium.capacity) return illegal(0x21);  // beyond the disc
    // Kilobytes per write time: the speed the drive will write at.
    const std::uint64_t kbps = std::uint64_t{be32(in + 20)} * 1000 / be32(in + 24);
    writeKbps = static_cast<std::uint16_t>(
        std::clamp<std::uint64_t>(kbps, 1, std::uint64_t{maxWriteKbps()}));
    char buf[48];
    std::snprintf(buf, sizeof buf, "end=%u write=%u", be32(in + 8), be32(in + 20));
    note = buf;
}

void VirtualDrive::Impl::sendDiscStructure(const Request& r) {
    const std::uint8_t format = r.cdb[7];
    const std::uint32_t n = be16(r.cdb + 8);
    if (format != 0x0F) return illegal(0x24);
    if (!isDvdMinusR() && !isDvdRw()) return illegal(0x30, 0x05);
    if (n < 22 || r.length < 22 || be16(r.data) != n - 2) return illegal(0x1A);
    std::string digits(reinterpret_cast<const char*>(r.data + 8), 14);
    if (!std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return illegal(0x26);
    timestamp = digits;
}
// --- tray ------------------------------------------------------------------

void VirtualDrive::Impl::startStop(const Request& r) {
    const bool loej = (r.cdb[4] & 2) != 0, start = (r.cdb[4] & 1) != 0;
    if (!loej) return;
    if (start) {
        if (trayOpen) {
            trayOpen = false;
            pendingPolls = becomingReadyPolls;
            pendingAscq = 0x01;
        }
    } else {
        if (prevent) return illegal(0x53, 0x02);
        trayOpen = true;
    }
}

}  // namespace rondivo::vdrive
