#include "scsi/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "scsi/device_access.h"
#include "scsi/scsi_sense.h"
#include "scsi/virtual_medium.h"

namespace rondivo::burn {

using virtualdrive::MediumModel;
using virtualdrive::MediumState;
using virtualdrive::Track;

namespace {

// Reads the CDB fields itself instead of sharing code with the command builders:
// the point of this drive is to check them.
std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// CD multisession: lead-out of the closed session, lead-in and pre-gap of the next.
constexpr std::uint32_t kCdSessionGap = 6750 + 4500 + 150;
constexpr std::uint32_t kBufferSize = 2 * 1024 * 1024;
constexpr std::uint32_t kMinimumCdTrack = 300;
constexpr std::uint8_t kLinkSize = 16;               // DVD-R/-RW incremental recording
constexpr std::uint32_t kBdReWithSpares = 11826176;  // a 25 GB BD-RE formatted with spare areas

struct Fault {
    int times = 0;
    std::optional<std::uint8_t> opcode;
    bool matches(std::uint8_t op) const { return times > 0 && (!opcode || *opcode == op); }
};

struct SenseFault {
    Fault when;
    std::uint8_t key = 0, asc = 0, ascq = 0;
};

// One command as the handlers see it.
struct Request {
    const std::uint8_t* cdb;
    std::uint8_t* data;
    std::uint32_t length;
};

// Copies an answer no longer than the allocation length allows.
template <std::size_t N>
void answer(const Request& r, const std::array<std::uint8_t, N>& a, std::uint32_t allocation) {
    std::memcpy(r.data, a.data(), std::min<std::size_t>({r.length, allocation, N}));
}
void answer(const Request& r, const std::vector<std::uint8_t>& a, std::uint32_t allocation) {
    std::memcpy(r.data, a.data(), std::min<std::size_t>({r.length, allocation, a.size()}));
}

char hexDigit(std::uint8_t v) {
    return "0123456789ABCDEF"[v & 15];
}

}  // namespace

std::optional<std::uint16_t> profileFromName(const std::string& name) {
    std::string lower;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto* m = virtualdrive::modelNamed(lower)) return m->profile;
    return std::nullopt;
}

std::string profileName(std::uint16_t p) {
    const auto* m = virtualdrive::modelFor(p);
    return m ? m->name : "none";
}

struct VirtualDrive::Impl {
    std::filesystem::path file;
    MediumState medium;
    bool trayOpen = false;
    bool prevent = false;

    WriteParameters params;
    std::uint16_t writeKbps = 0;
    std::string timestamp;
    std::array<std::uint8_t, 18> lastSense{};

    Fault notReady;
    std::uint8_t notReadyAscq = 1;
    Fault busy;
    SenseFault senseFault;
    Fault noSense;
    std::optional<std::uint32_t> writeErrorSector;
    bool mediumChange = false;
    bool negativeAddress = false;
    bool underrunProtection = true;
    bool quickFormatOffered = true;
    bool streamingSupported = true;
    int longOperationPolls = 0;
    int freshFormatsOverData = 0;
    int becomingReadyPolls = 0;
    // A long operation under way: polls left, its total and its ASCQ.
    int pendingPolls = 0;
    int pendingTotal = 0;
    std::uint8_t pendingAscq = 0;
    std::optional<std::uint8_t> longOperation;  // started by the command being run

    int fd = -1;
    std::vector<TraceEntry> trace;

    // Answer of the command being run.
    std::uint8_t status = 0;
    std::uint8_t key = 0, asc = 0, ascq = 0;
    int progress = -1;
    std::string note;

    using Handler = void (Impl::*)(const Request&);
    struct Command {
        std::uint8_t op;
        Handler handler;
        char direction;  // 'i' data in, 'o' data out, '-' none
        bool needsMedium;
    };
    static const Command* findCommand(std::uint8_t op);

    void load(const MediumModel& m) {
        medium.load(m);
        params = WriteParameters{};
        timestamp.clear();
        trayOpen = false;
        writeKbps = maxWriteKbps();
        pendingPolls = becomingReadyPolls;
        pendingTotal = 0;
        pendingAscq = 0x01;
        if (fd >= 0) platform::closeFile(fd);
        fd = -1;
    }

    const MediumModel& model() const { return medium.model; }
    std::uint16_t profile() const { return medium.present ? model().profile : 0; }
    bool isDvdRw() const { return profile() == 0x13 || profile() == 0x14; }
    bool isDvdMinusR() const { return profile() == 0x11 || profile() == 0x15; }
    // Media written without a Write Parameters page: DVD+R, DVD+R DL, BD-R.
    bool ignoresWritePage() const {
        return profile() == 0x1B || profile() == 0x2B || profile() == 0x41;
    }
    // Incremental recording is possible now: not on a DVD-RW after a minimal blank.
    bool incrementalCurrent() const {
        return isDvdMinusR() || (profile() == 0x14 && !medium.minimallyBlanked);
    }
    std::uint16_t maxWriteKbps() const { return model().cd ? 7056 : 22160; }  // 40x CD, 16x DVD

    void fail(std::uint8_t k, std::uint8_t a, std::uint8_t q) {
        status = kScsiStatusCheckCondition;
        key = k;
        asc = a;
        ascq = q;
    }
    void illegal(std::uint8_t a, std::uint8_t q = 0) { fail(0x5, a, q); }
    // An immediate command that succeeded keeps the drive busy for a while.
    void startLongOperation(std::uint8_t operationAscq) { longOperation = operationAscq; }

    // --- questions -----------------------------------------------------------

    void testUnitReady(const Request&) {}

    void requestSense(const Request& r) { answer(r, lastSense, r.cdb[4]); }

    void inquiry(const Request& r) {
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

    std::array<std::uint8_t, 64> capabilitiesPage(bool defaults) const {
        std::array<std::uint8_t, 64> p{};
        p[0] = 0x2A;
        p[1] = 0x3E;
        p[2] = 0x3B;                           // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
        p[3] = 0x37;                           // writes CD-R, CD-RW, DVD-R, DVD-RAM; test write
        p[4] = underrunProtection ? 0x80 : 0;  // buffer underrun free recording
        p[6] = static_cast<std::uint8_t>(0x29 | (!defaults && prevent ? 0x02 : 0));
        putBe16(&p[8], model().cd ? 8467 : 22160);
        putBe16(&p[10], 256);
        putBe16(&p[12], kBufferSize / 1024);
        putBe16(&p[14], model().cd ? 8467 : 22160);
        putBe16(&p[18], maxWriteKbps());
        putBe16(&p[20], defaults ? maxWriteKbps() : writeKbps);
        return p;
    }

    std::array<std::uint8_t, 52> writeParametersPage() const {
        std::array<std::uint8_t, 52> p{};
        p[0] = 0x05;
        p[1] = 0x32;
        p[2] = static_cast<std::uint8_t>(params.writeType | (params.testWrite ? 0x10 : 0) |
                                         (params.linkSizeValid ? 0x20 : 0) |
                                         (params.bufferUnderrunFree ? 0x40 : 0));
        p[3] = static_cast<std::uint8_t>(params.multiSession << 6 |
                                         (params.fixedPacket ? 0x20 : 0) | params.trackMode);
        p[4] = params.dataBlockType;
        p[5] = params.linkSize;
        putBe32(&p[10], params.packetSize);
        putBe16(&p[14], 150);
        return p;
    }

    void modeSense(const Request& r) {
        const std::uint8_t pc = r.cdb[2] >> 6;
        const std::uint8_t page = r.cdb[2] & 0x3F;
        if (pc == 3) return illegal(0x39);  // saving parameters not supported
        std::vector<std::uint8_t> a(8, 0);
        // Like many drives, one block descriptor unless asked to leave it out (DBD).
        if ((r.cdb[1] & 0x08) == 0) {
            a.insert(a.end(), {0, 0, 0, 0, 0, 0, 0x08, 0x00});
            putBe16(&a[6], 8);
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
        putBe16(&a[0], static_cast<std::uint16_t>(a.size() - 2));
        answer(r, a, be16(r.cdb + 7));
    }

    void getConfiguration(const Request& r) {
        std::vector<std::uint8_t> a(8, 0);
        const std::uint16_t current = trayOpen ? 0 : profile();
        putBe16(&a[6], current);
        const std::uint16_t start = be16(r.cdb + 2);
        if (start == 0) {
            static constexpr std::uint16_t kList[] = {0x43, 0x42, 0x41, 0x40, 0x2B, 0x1B,
                                                      0x1A, 0x15, 0x14, 0x13, 0x12, 0x11,
                                                      0x10, 0x0A, 0x09, 0x08};
            a.insert(a.end(), {0x00, 0x00, 0x03, static_cast<std::uint8_t>(4 * std::size(kList))});
            for (std::uint16_t p : kList) {
                a.insert(a.end(), {static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p),
                                   static_cast<std::uint8_t>(p == current ? 1 : 0), 0});
            }
        } else if (start == 0x21 && (current == 0x11 || current == 0x14 || current == 0x15)) {
            // Incremental Streaming Writable: block types, one link size. It
            // is listed but not current when the medium cannot take it now.
            const std::uint8_t flags = incrementalCurrent() ? 0x05 : 0x04;
            a.insert(a.end(),
                     {0x00, 0x21, flags, 0x04, 0x01, 0x00, 0x00, 0x01, kLinkSize, 0, 0, 0});
        }
        putBe32(&a[0], static_cast<std::uint32_t>(a.size() - 4));
        answer(r, a, be16(r.cdb + 7));
    }

    void readAtip(const Request& r) {
        if ((r.cdb[2] & 0x0F) != 4) return illegal(0x24);  // only the ATIP is kept
        if (!model().cd || !model().recordable) return fail(0x5, 0x24, 0x00);
        std::array<std::uint8_t, 28> a{};
        putBe16(&a[0], 26);
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

    void readDiscInformation(const Request& r) {
        if ((r.cdb[1] & 7) != 0) return illegal(0x24);
        answer(r, medium.discInformation(), be16(r.cdb + 7));
    }

    void readTrackInformation(const Request& r) {
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
    std::vector<std::array<std::uint8_t, 8>> offeredFormats() const {
        auto descriptor = [&](std::uint8_t type, std::uint32_t parameter,
                              std::uint32_t blocks = 0) {
            std::array<std::uint8_t, 8> d{};
            putBe32(&d[0], blocks ? blocks : model().capacity);
            d[4] = static_cast<std::uint8_t>(type << 2);
            putBe24(&d[5], parameter);
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

    void readFormatCapacities(const Request& r) {
        const auto offered = offeredFormats();
        std::vector<std::uint8_t> a(12, 0);
        a[3] = static_cast<std::uint8_t>(8 * (1 + offered.size()));
        putBe32(&a[4], medium.capacity);
        const bool formatted = !model().sequential &&
                               (profile() != 0x1A || medium.backgroundFormat != 0) &&
                               (profile() != 0x43 || medium.formatted);
        a[8] = formatted ? 2 : 1;
        putBe24(&a[9], 2048);
        for (const auto& d : offered) a.insert(a.end(), d.begin(), d.end());
        answer(r, a, be16(r.cdb + 7));
    }

    void readBufferCapacity(const Request& r) {
        if (r.cdb[1] & 1) return illegal(0x24);
        std::array<std::uint8_t, 12> a{};
        putBe16(&a[0], 10);
        putBe32(&a[4], kBufferSize);
        putBe32(&a[8], kBufferSize);
        answer(r, a, be16(r.cdb + 7));
    }

    // --- settings ------------------------------------------------------------

    // The page must suit the medium and the write type, as drives check it.
    bool pageFits(const WriteParameters& w) const {
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

    void modeSelect(const Request& r) {
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
        std::snprintf(buf, sizeof buf, "wt=%u ms=%u fp=%d ls=%u test=%d", w.writeType,
                      w.multiSession, w.fixedPacket ? 1 : 0, w.linkSizeValid ? w.linkSize : 0,
                      w.testWrite ? 1 : 0);
        note = buf;
        if (!pageFits(w)) return illegal(0x26);
        params = w;
    }

    void setCdSpeed(const Request& r) {
        const std::uint16_t w = be16(r.cdb + 4);
        writeKbps =
            w == 0xFFFF || w > maxWriteKbps() ? maxWriteKbps() : std::max<std::uint16_t>(w, 176);
    }

    void setStreaming(const Request& r) {
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

    void sendDiscStructure(const Request& r) {
        const std::uint8_t format = r.cdb[7];
        const std::uint32_t n = be16(r.cdb + 8);
        if (format != 0x0F) return illegal(0x24);
        if (!isDvdMinusR() && !isDvdRw()) return illegal(0x30, 0x05);
        if (n < 22 || r.length < 22 || be16(r.data) != n - 2) return illegal(0x1A);
        std::string digits(reinterpret_cast<const char*>(r.data + 8), 14);
        if (!std::all_of(digits.begin(), digits.end(),
                         [](char ch) { return ch >= '0' && ch <= '9'; }))
            return illegal(0x26);
        timestamp = digits;
    }

    // --- tray ------------------------------------------------------------------

    void startStop(const Request& r) {
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

    void preventAllow(const Request& r) { prevent = (r.cdb[4] & 1) != 0; }

    // --- recording -------------------------------------------------------------

    void formatUnit(const Request& r) {
        if ((r.cdb[1] & 0x10) == 0 || r.length < 12) return illegal(0x24);
        if (be16(r.data + 2) != 8) return illegal(0x26);
        const std::uint8_t type = r.data[8] >> 2;
        const bool restart = type == 0x26 && (r.data[11] & 1) != 0;
        char buf[32];
        std::snprintf(buf, sizeof buf, "type=%c%ch%s", hexDigit(type >> 4), hexDigit(type),
                      restart ? " restart=1" : "");
        note = buf;
        const auto offered = offeredFormats();
        if (std::none_of(offered.begin(), offered.end(),
                         [&](const auto& d) { return (d[4] >> 2) == type; }))
            return illegal(0x26);
        // Restarting needs a suspended format to go on with.
        if (restart && medium.backgroundFormat != virtualdrive::kSuspended) return illegal(0x26);
        applyFormat(type, restart);
        if (r.data[1] & 0x02) startLongOperation(0x04);
    }

    void applyFormat(std::uint8_t type, bool restart) {
        if (profile() == 0x1A) {
            // Without the restart bit a suspended format begins again from the
            // start: what was formatted (and written) is lost.
            if (!restart && medium.backgroundFormat != virtualdrive::kNotFormatted)
                ++freshFormatsOverData;
            medium.backgroundFormat = virtualdrive::kRunning;
        } else if (profile() == 0x43) {
            medium.formatted = true;
            medium.capacity = type == 0x30 ? kBdReWithSpares : model().capacity;
        } else if (type == 0x15) {
            medium.load(*virtualdrive::modelFor(0x13));
            medium.intermediate = true;
        } else if (type == 0x13) {
            medium.intermediate = true;  // grown to the whole disc, open until closed
        } else if (type == 0x10) {
            medium.load(*virtualdrive::modelFor(0x14));
        }
    }

    void blank(const Request& r) {
        if (!model().erasable || !model().sequential || profile() == 0x12) {
            if (profile() != 0x13) return illegal(0x30, 0x06);
        }
        const std::uint8_t type = r.cdb[1] & 7;
        if (type != 0 && type != 1) return illegal(0x24);
        medium.load(*virtualdrive::modelFor(model().cd ? 0x0A : 0x14));
        // A minimal blank leaves a DVD-RW writable in one go only.
        medium.minimallyBlanked = !model().cd && type == 1;
        params = WriteParameters{};
        if (r.cdb[1] & 0x10) startLongOperation(0x07);
    }

    void reserveTrack(const Request& r) {
        const std::uint32_t size = be32(r.cdb + 5);
        if (!model().sequential || medium.discStatus == 2) return illegal(0x2C);
        Track& t = medium.invisible();
        if (size == 0 || t.recorded != 0 || t.reserved != 0) return illegal(0x2C);
        if (std::uint64_t{t.start} + size > medium.capacity) return illegal(0x21);
        t.reserved = size;
        Track next;
        next.start = t.start + size;
        next.session = medium.sessions;
        medium.tracks.push_back(next);
        medium.sessionHasData = true;
        medium.discAtOnceTrack = params.writeType == 2;
        medium.discStatus = 1;
    }

    // Why a write to the medium is refused before any address is looked at.
    bool refusesWriting() {
        if (!medium.writable()) return fail(0x7, 0x27, 0x00), true;  // write protected
        if (profile() == 0x1A && medium.backgroundFormat == 0) return illegal(0x30, 0x05), true;
        if (profile() == 0x43 && !medium.formatted) return illegal(0x30, 0x05), true;
        if (profile() == 0x42) return illegal(0x30, 0x05), true;  // pseudo-overwrite not modelled
        if (!model().sequential || ignoresWritePage()) return false;
        const bool fits =
            params.set &&
            (model().cd ? params.writeType == 1 : params.writeType == 0 || params.writeType == 2);
        if (!fits) return illegal(0x64), true;
        // After a minimal blank a DVD-RW takes disc-at-once writing only.
        if (params.writeType == 0 && !incrementalCurrent()) return illegal(0x64), true;
        // Disc at once writes only into the track reserved for it.
        if (params.writeType == 2 && !medium.discAtOnceTrack) return illegal(0x2C), true;
        return false;
    }

    Track* sequentialTarget(std::uint32_t lba, std::uint32_t blocks) {
        if (medium.discStatus == 2) return illegal(0x21, 0x02), nullptr;
        Track* target = nullptr;
        for (auto& t : medium.tracks)
            if (!t.closed && t.start + t.recorded == lba) target = &t;
        if (!target || (target->reserved && target->recorded + blocks > target->reserved))
            return illegal(0x21, 0x02), nullptr;
        return target;
    }

    bool store(const std::uint8_t* in, std::uint32_t lba, std::uint32_t len) {
        if (fd < 0) {
            fd = platform::openForWriting(file, platform::Create::Truncate, 0644);
            if (fd < 0) return false;
        }
        const std::uint64_t offset = static_cast<std::uint64_t>(lba) * 2048;
        for (std::size_t done = 0; done < len;) {
            const long n = platform::writeAt(fd, in + done, len - done, offset + done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    void write(const Request& r) {
        const std::uint32_t lba = be32(r.cdb + 2);
        const std::uint32_t blocks = be16(r.cdb + 7);
        if (r.length != blocks * 2048u) return illegal(0x24);
        if (blocks == 0) return;
        if (std::uint64_t{lba} + blocks > medium.capacity) return illegal(0x21);
        if (refusesWriting()) return;
        Track* target = nullptr;
        if (model().sequential) {
            if (!(target = sequentialTarget(lba, blocks))) return;
        } else if (profile() == 0x13 && (lba % 16 || blocks % 16)) {
            return illegal(0x21, 0x02);  // whole 32 KiB ECC blocks only
        }
        if (writeErrorSector && *writeErrorSector >= lba && *writeErrorSector < lba + blocks)
            return fail(0x3, 0x0C, 0x00);
        if (params.testWrite && model().sequential) return;  // a test write records nothing
        if (!store(r.data, lba, r.length)) return fail(0x3, 0x0C, 0x00);
        medium.highestWritten = std::max(medium.highestWritten, lba + blocks);
        if (target) {
            target->recorded += blocks;
            medium.sessionHasData = true;
            medium.discStatus = 1;
        }
    }

    void synchronizeCache(const Request& r) {
        if (r.cdb[1] & 2) startLongOperation(0x07);
        // A disc-at-once track that is full closes the disc.
        if (medium.discAtOnceTrack) {
            const Track& t = medium.tracks[medium.tracks.size() - 2];
            if (t.recorded == t.reserved) medium.closeSession(false, 0);
        }
    }

    // Close functions each medium knows (MMC-6 table "close function").
    bool closeFunctionFits(std::uint8_t function) const {
        switch (profile()) {
            case 0x1A:
                return function == 0 || function == 2 || function == 3;
            case 0x1B:
            case 0x2B:
                return function == 1 || function == 2 || function == 5 || function == 6;
            case 0x41:
                return function == 1 || function == 2 || function == 6;
            case 0x13:
                return function == 2 || function == 3;
            case 0x14:
                return function >= 1 && function <= 3;
            case 0x09:
            case 0x0A:
            case 0x11:
            case 0x15:
                return function == 1 || function == 2;
            default:
                return false;  // random-access media have nothing to close
        }
    }

    void closeTrack(std::uint16_t number) {
        auto& tracks = medium.tracks;
        if (number == 0 || number > tracks.size()) return illegal(0x24);
        Track& t = tracks[number - 1u];
        if (t.closed || (t.recorded == 0 && t.reserved == 0)) return;  // empty: nothing to do
        // A CD track shorter than 300 sectors cannot be closed.
        if (model().cd && t.recorded < kMinimumCdTrack) return fail(0x5, 0x72, 0x03);
        medium.closeTrack(t);
    }

    void closeSession(std::uint8_t function) {
        if (!medium.sessionHasData) return illegal(0x2C);
        bool appendable = function == 2 && params.multiSession == 3;
        // DVD+R and BD-R: the function decides.
        if (ignoresWritePage()) appendable = function == 2;
        if (profile() == 0x14 && function == 3) appendable = false;
        medium.closeSession(appendable, model().cd ? kCdSessionGap : 0);
    }

    void closeTrackSession(const Request& r) {
        const std::uint8_t function = r.cdb[2] & 7;
        const std::uint16_t number = be16(r.cdb + 4);
        if (!closeFunctionFits(function)) return illegal(0x24);
        if (r.cdb[1] & 1) startLongOperation(0x07);
        if (profile() == 0x1A) {
            // Stops the background format; the formatted part reads everywhere.
            if (medium.backgroundFormat == virtualdrive::kRunning)
                medium.backgroundFormat = virtualdrive::kDone;
            return;
        }
        if (profile() == 0x13) {
            medium.intermediate = false;  // the lead-out makes it readable everywhere
            return;
        }
        if (function == 1) return closeTrack(number);
        closeSession(function);
    }

    void rezero(const Request&) { illegal(0x20); }  // not an MMC command

    // --- dispatch --------------------------------------------------------------

    // Faults and states that answer before the command is looked at.
    bool answeredEarly(std::uint8_t op) {
        if (op == 0x12 || op == 0x03) return false;  // INQUIRY and REQUEST SENSE always answer
        if (mediumChange) {
            mediumChange = false;
            return fail(0x6, 0x28, 0x00), true;
        }
        if (busy.matches(op)) {
            --busy.times;
            status = kScsiStatusBusy;
            return true;
        }
        if (notReady.matches(op)) {
            --notReady.times;
            return fail(0x2, 0x04, notReadyAscq), true;
        }
        // GET CONFIGURATION answers while the drive is busy with a long operation.
        if (pendingPolls > 0 && op != 0x46) {
            --pendingPolls;
            if (pendingTotal > 0)
                progress = 65536 * (pendingTotal - pendingPolls) / (pendingTotal + 1);
            return fail(0x2, 0x04, pendingAscq), true;
        }
        if (senseFault.when.matches(op) && senseFault.key != 0x1) {
            --senseFault.when.times;
            return fail(senseFault.key, senseFault.asc, senseFault.ascq), true;
        }
        return false;
    }

    bool directionFits(const Command& cmd, const CommandBlock& block, const std::uint8_t* data) {
        const bool in = block.readsData(), out = block.writesData();
        if (block.dataLength == 0) return true;
        if (!data || (in && cmd.direction != 'i') || (out && cmd.direction != 'o')) return false;
        return in || out;
    }

    void run(CommandBlock& block, std::uint8_t* data) {
        const std::uint8_t op = block.cdb[0];
        status = 0;
        key = asc = ascq = 0;
        progress = -1;
        note.clear();
        const Command* cmd = findCommand(op);
        if (!cmd) return illegal(0x20);
        if (!directionFits(*cmd, block, data)) return illegal(0x24);
        if (answeredEarly(op)) return;
        if (cmd->needsMedium && trayOpen) return fail(0x2, 0x3A, 0x02);
        if (cmd->needsMedium && !medium.present) return fail(0x2, 0x3A, 0x01);
        (this->*cmd->handler)(Request{block.cdb.data(), data, block.dataLength});
        if (status == kScsiStatusGood && senseFault.when.matches(op)) {
            --senseFault.when.times;  // recovered error: done, and said so
            fail(senseFault.key, senseFault.asc, senseFault.ascq);
        }
        if (longOperation && status == kScsiStatusGood) {
            pendingPolls = pendingTotal = longOperationPolls;
            pendingAscq = *longOperation;
        }
        longOperation.reset();
    }
};

namespace {
using Command = VirtualDrive::Impl::Command;
using Impl = VirtualDrive::Impl;
const Command kCommands[] = {
    {0x00, &Impl::testUnitReady, '-', true},
    {0x01, &Impl::rezero, '-', false},
    {0x03, &Impl::requestSense, 'i', false},
    {0x04, &Impl::formatUnit, 'o', true},
    {0x12, &Impl::inquiry, 'i', false},
    {0x1B, &Impl::startStop, '-', false},
    {0x1E, &Impl::preventAllow, '-', false},
    {0x23, &Impl::readFormatCapacities, 'i', true},
    {0x2A, &Impl::write, 'o', true},
    {0x35, &Impl::synchronizeCache, '-', true},
    {0x43, &Impl::readAtip, 'i', true},
    {0x46, &Impl::getConfiguration, 'i', false},
    {0x51, &Impl::readDiscInformation, 'i', true},
    {0x52, &Impl::readTrackInformation, 'i', true},
    {0x53, &Impl::reserveTrack, '-', true},
    {0x55, &Impl::modeSelect, 'o', false},
    {0x5A, &Impl::modeSense, 'i', false},
    {0x5B, &Impl::closeTrackSession, '-', true},
    {0x5C, &Impl::readBufferCapacity, 'i', true},
    {0xA1, &Impl::blank, '-', true},
    {0xB6, &Impl::setStreaming, 'o', true},
    {0xBB, &Impl::setCdSpeed, '-', false},
    {0xBF, &Impl::sendDiscStructure, 'o', true},
};
}  // namespace

const Command* VirtualDrive::Impl::findCommand(std::uint8_t op) {
    for (const auto& c : kCommands)
        if (c.op == op) return &c;
    return nullptr;
}

VirtualDrive::VirtualDrive(std::filesystem::path imageFile, std::uint16_t mediumProfile)
    : imageFile_(std::move(imageFile)), impl_(std::make_unique<Impl>()) {
    impl_->file = imageFile_;
    const auto* model = virtualdrive::modelFor(mediumProfile);
    impl_->load(model ? *model : *virtualdrive::modelFor(profile::kCdR));
    traceToStderr_ = std::getenv("RONDIVO_DEBUG") != nullptr;
}

VirtualDrive::~VirtualDrive() {
    if (impl_->fd >= 0) platform::closeFile(impl_->fd);
}

bool VirtualDrive::execute(CommandBlock& block, std::uint8_t* data) {
    std::lock_guard lock(mutex_);
    Impl& d = *impl_;
    if (d.noSense.matches(block.cdb[0])) {
        --d.noSense.times;
        traceRefusedLocked(block);
        return false;
    }
    d.run(block, data);
    block.targetStatus = d.status;
    block.hostAdapterStatus = 0;
    block.sense.fill(0);
    if (d.status == kScsiStatusCheckCondition) {
        encodeFixedSense(block.sense, d.key, d.asc, d.ascq);
        if (d.progress >= 0) {
            block.sense[15] = 0x80;  // sense-key specific: progress indication
            putBe16(&block.sense[16], static_cast<std::uint16_t>(d.progress));
        }
        std::copy_n(block.sense.begin(), d.lastSense.size(), d.lastSense.begin());
    } else if (block.cdb[0] != 0x03) {
        d.lastSense.fill(0);
    }
    block.status = d.status == kScsiStatusGood ? kStatusDone : kStatusError;

    TraceEntry e;
    e.cdb = block.cdb;
    e.cdbLength = block.cdbLength;
    e.dataLength = block.dataLength;
    e.scsiStatus = d.status;
    e.senseKey = d.key;
    e.asc = d.asc;
    e.ascq = d.ascq;
    e.note = d.note;
    record(e);
    return d.status == kScsiStatusCheckCondition && d.key == 0x6 && d.asc == 0x28;
}

void VirtualDrive::record(const TraceEntry& e) {
    impl_->trace.push_back(e);
    if (traceToStderr_) std::fprintf(stderr, "%s\n", e.line().c_str());
}

void VirtualDrive::traceRefusedLocked(CommandBlock& block) {
    block.status = kStatusError;
    block.hostAdapterStatus = 0xFF;
    block.targetStatus = 0;
    block.sense.fill(0);
    TraceEntry e;
    e.cdb = block.cdb;
    e.cdbLength = block.cdbLength;
    e.dataLength = block.dataLength;
    e.reachedDrive = false;
    record(e);
}

void VirtualDrive::traceRefused(CommandBlock& block) {
    std::lock_guard lock(mutex_);
    traceRefusedLocked(block);
}

void VirtualDrive::failNotReady(int times, std::optional<std::uint8_t> opcode, std::uint8_t ascq) {
    std::lock_guard lock(mutex_);
    impl_->notReady = Fault{times, opcode};
    impl_->notReadyAscq = ascq;
}

void VirtualDrive::failBusy(int times, std::optional<std::uint8_t> opcode) {
    std::lock_guard lock(mutex_);
    impl_->busy = Fault{times, opcode};
}

void VirtualDrive::failWriteAtSector(std::uint32_t sector) {
    std::lock_guard lock(mutex_);
    impl_->writeErrorSector = sector;
}

void VirtualDrive::reportMediumChange() {
    std::lock_guard lock(mutex_);
    impl_->mediumChange = true;
}

void VirtualDrive::answerWith(std::uint8_t opcode, std::uint8_t key, std::uint8_t asc,
                              std::uint8_t ascq, int times) {
    std::lock_guard lock(mutex_);
    impl_->senseFault = SenseFault{Fault{times, opcode}, key, asc, ascq};
}

void VirtualDrive::failWithoutSense(std::uint8_t opcode, int times) {
    std::lock_guard lock(mutex_);
    impl_->noSense = Fault{times, opcode};
}

void VirtualDrive::setLongOperationPolls(int polls) {
    std::lock_guard lock(mutex_);
    impl_->longOperationPolls = polls;
}

void VirtualDrive::setBecomingReadyPolls(int polls) {
    std::lock_guard lock(mutex_);
    impl_->becomingReadyPolls = polls;
    impl_->pendingPolls = polls;
    impl_->pendingTotal = 0;
    impl_->pendingAscq = 0x01;
}

void VirtualDrive::setNegativeAddressOnBlank(bool on) {
    std::lock_guard lock(mutex_);
    impl_->negativeAddress = on;
}

void VirtualDrive::setLeftoverTestWrite() {
    std::lock_guard lock(mutex_);
    impl_->params.testWrite = true;
}

void VirtualDrive::setUnderrunProtection(bool offered) {
    std::lock_guard lock(mutex_);
    impl_->underrunProtection = offered;
}

void VirtualDrive::setQuickFormatOffered(bool offered) {
    std::lock_guard lock(mutex_);
    impl_->quickFormatOffered = offered;
}

void VirtualDrive::setStreamingSupported(bool supported) {
    std::lock_guard lock(mutex_);
    impl_->streamingSupported = supported;
}

void VirtualDrive::handleClosed() {
    std::lock_guard lock(mutex_);
    impl_->prevent = false;
}

bool VirtualDrive::insertMediumNamed(const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto* model = virtualdrive::modelNamed(name);
    if (model) impl_->load(*model);
    return model != nullptr;
}

void VirtualDrive::leaveTrackOpen(std::uint32_t sectors, bool damaged) {
    std::lock_guard lock(mutex_);
    auto& m = impl_->medium;
    Track& t = m.invisible();
    t.recorded += sectors;
    t.damaged = damaged;
    m.sessionHasData = true;
    m.discStatus = 1;
    m.highestWritten = std::max(m.highestWritten, t.start + t.recorded);
}

void VirtualDrive::setCapacity(std::uint32_t sectors) {
    std::lock_guard lock(mutex_);
    impl_->medium.capacity = sectors;
}

void VirtualDrive::suspendBackgroundFormat() {
    std::lock_guard lock(mutex_);
    impl_->medium.backgroundFormat = virtualdrive::kSuspended;
}

bool VirtualDrive::readableElsewhere() const {
    std::lock_guard lock(mutex_);
    const auto& m = impl_->medium;
    if (m.model.profile == 0x13) return !m.intermediate;
    if (m.model.profile == 0x1A) return m.backgroundFormat != virtualdrive::kRunning;
    if (m.model.sequential) return !m.sessionHasData;
    return true;
}

int VirtualDrive::freshFormatsOverData() const {
    std::lock_guard lock(mutex_);
    return impl_->freshFormatsOverData;
}

void VirtualDrive::insertBlankMedium(std::uint16_t mediumProfile) {
    std::lock_guard lock(mutex_);
    if (const auto* model = virtualdrive::modelFor(mediumProfile)) impl_->load(*model);
}

void VirtualDrive::removeMedium() {
    std::lock_guard lock(mutex_);
    impl_->medium.present = false;
    impl_->trayOpen = false;
}

void VirtualDrive::finalizeMedium() {
    std::lock_guard lock(mutex_);
    impl_->medium.finalize();
}

std::vector<TraceEntry> VirtualDrive::trace() const {
    std::lock_guard lock(mutex_);
    return impl_->trace;
}

std::vector<std::string> VirtualDrive::traceText() const {
    std::vector<std::string> lines;
    for (const auto& e : trace()) lines.push_back(e.text());
    return lines;
}

void VirtualDrive::clearTrace() {
    std::lock_guard lock(mutex_);
    impl_->trace.clear();
}

std::uint16_t VirtualDrive::currentProfile() const {
    std::lock_guard lock(mutex_);
    return impl_->profile();
}

bool VirtualDrive::trayOpen() const {
    std::lock_guard lock(mutex_);
    return impl_->trayOpen;
}

bool VirtualDrive::removalPrevented() const {
    std::lock_guard lock(mutex_);
    return impl_->prevent;
}

WriteParameters VirtualDrive::writeParameters() const {
    std::lock_guard lock(mutex_);
    return impl_->params;
}

std::uint16_t VirtualDrive::writeSpeedKbps() const {
    std::lock_guard lock(mutex_);
    return impl_->writeKbps;
}

std::uint32_t VirtualDrive::sectorsWritten() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.highestWritten;
}

std::uint8_t VirtualDrive::discStatus() const {
    std::lock_guard lock(mutex_);
    return impl_->model().sequential ? impl_->medium.discStatus : 2;
}

std::uint16_t VirtualDrive::sessionCount() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.sessions;
}

std::uint8_t VirtualDrive::backgroundFormat() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.backgroundFormat;
}

std::string VirtualDrive::timestamp() const {
    std::lock_guard lock(mutex_);
    return impl_->timestamp;
}

std::uint32_t VirtualDrive::capacity() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.capacity;
}

// --- transport ---------------------------------------------------------------

void VirtualDriveTransport::add(std::shared_ptr<VirtualDrive> drive) {
    drives_.push_back(std::move(drive));
}

void VirtualDriveTransport::closeHandle() {
    ++closes_;
    for (auto& d : drives_) d->handleClosed();
}

std::vector<DriveCandidate> VirtualDriveTransport::listDrives() {
    std::vector<DriveCandidate> list;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        DriveCandidate c;
        c.device = drives_[i]->imageFile().string();
        c.letter = static_cast<char>('V' + std::min<std::size_t>(i, 'Z' - 'V'));
        list.push_back(c);
    }
    return list;
}

bool VirtualDriveTransport::execute(const std::string& device, CommandBlock& block,
                                    std::uint8_t* data) {
    failure_.clear();
    for (auto& d : drives_) {
        if (d->imageFile().string() != device) continue;
        if (readOnly_ && !readOnlyHandleAllows(block.cdb[0])) {
            d->traceRefused(block);
            failure_ = openFailureText(device, EACCES);
            return false;
        }
        const bool changed = d->execute(block, data);
        if (block.hostAdapterStatus != 0) failure_ = "the host adapter reported an error";
        return changed;
    }
    block.status = kStatusError;
    block.hostAdapterStatus = 0xFF;  // no such device
    failure_ = "no such device";
    return false;
}

std::unique_ptr<VirtualDriveTransport> VirtualDriveTransport::fromSetting(
    const std::string& setting) {
    std::string path = setting;
    bool used = false;
    if (path.size() > 5 && path.compare(path.size() - 5, 5, ",used") == 0) {
        used = true;
        path.resize(path.size() - 5);
    }
    std::uint16_t p = profile::kCdR;
    std::string name;
    const auto comma = path.rfind(',');
    if (comma != std::string::npos) {
        if (auto named = profileFromName(path.substr(comma + 1))) {
            p = *named;
            name = path.substr(comma + 1);
            path.resize(comma);
        }
    }
    if (path.empty()) return nullptr;
    auto transport = std::make_unique<VirtualDriveTransport>();
    auto drive = std::make_shared<VirtualDrive>(path, p);
    // Models that share a profile (BD-R and BD-R DL) are told apart by name.
    if (!name.empty()) {
        std::string lower;
        for (char c : name)
            if (!std::isspace(static_cast<unsigned char>(c)))
                lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        drive->insertMediumNamed(lower);
    }
    if (used) drive->finalizeMedium();
    transport->add(drive);
    return transport;
}

std::unique_ptr<VirtualDriveTransport> VirtualDriveTransport::fromEnvironment() {
    const char* value = std::getenv("RONDIVO_VIRTUAL_DRIVE");
    if (!value || !*value) return nullptr;
    auto t = fromSetting(value);
    if (t) platform::debugLog(std::string("virtual drive: ") + value);
    return t;
}

}  // namespace rondivo::burn
