#include "scsi/virtual_drive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "scsi/scsi_sense.h"

namespace rondivo::burn {

namespace {

// Reads the CDB fields itself instead of sharing code with the command builders:
// the point of this drive is to check them.
std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
void set16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
void set32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

struct Medium {
    const char* name;
    std::uint16_t profile;
    std::uint32_t capacity;  // sectors
    bool erasable;
    bool sequential;  // writes go to the next writable address of an open track
    bool cd;
};

// Capacities of common blanks: 80-minute CD, single-layer DVD, 4.7 GB DVD-RAM.
constexpr Medium kMedia[] = {
    {"cd-r", 0x09, 359847, false, true, true},
    {"cd-rw", 0x0A, 359847, true, true, true},
    {"dvd-r", 0x11, 2298496, false, true, false},
    {"dvd-ram", 0x12, 2236704, true, false, false},
    {"dvd-rw-ro", 0x13, 2298496, true, false, false},
    {"dvd-rw", 0x14, 2298496, true, true, false},
    {"dvd+rw", 0x1A, 2295104, true, false, false},
    {"dvd+r", 0x1B, 2295104, false, true, false},
};

const Medium& mediumFor(std::uint16_t profile) {
    for (const auto& m : kMedia)
        if (m.profile == profile) return m;
    return kMedia[0];
}

// CD multisession: lead-out of the closed session, lead-in and pre-gap of the next.
constexpr std::uint32_t kCdSessionGap = 6750 + 4500 + 150;
constexpr std::uint32_t kBufferSize = 2 * 1024 * 1024;

struct Track {
    std::uint32_t start = 0;
    std::uint32_t reserved = 0;  // 0: the invisible track, open to the end of the disc
    std::uint32_t recorded = 0;
    std::uint16_t session = 1;
    bool closed = false;
};

struct Fault {
    int times = 0;
    std::optional<std::uint8_t> opcode;
    bool matches(std::uint8_t op) const { return times > 0 && (!opcode || *opcode == op); }
};

const char* opcodeName(std::uint8_t op) {
    switch (op) {
        case 0x00:
            return "TEST UNIT READY";
        case 0x01:
            return "REZERO UNIT";
        case 0x03:
            return "REQUEST SENSE";
        case 0x04:
            return "FORMAT UNIT";
        case 0x12:
            return "INQUIRY";
        case 0x1B:
            return "START STOP UNIT";
        case 0x1E:
            return "PREVENT ALLOW MEDIUM REMOVAL";
        case 0x2A:
            return "WRITE(10)";
        case 0x35:
            return "SYNCHRONIZE CACHE";
        case 0x43:
            return "READ TOC/PMA/ATIP";
        case 0x46:
            return "GET CONFIGURATION";
        case 0x51:
            return "READ DISC INFORMATION";
        case 0x52:
            return "READ TRACK INFORMATION";
        case 0x53:
            return "RESERVE TRACK";
        case 0x55:
            return "MODE SELECT(10)";
        case 0x5A:
            return "MODE SENSE(10)";
        case 0x5B:
            return "CLOSE TRACK/SESSION";
        case 0x5C:
            return "READ BUFFER CAPACITY";
        case 0xB6:
            return "SET STREAMING";
        case 0xBB:
            return "SET CD SPEED";
        case 0xBF:
            return "SEND DISC STRUCTURE";
        default:
            return nullptr;
    }
}

}  // namespace

std::optional<std::uint16_t> profileFromName(const std::string& name) {
    std::string lower;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& m : kMedia)
        if (lower == m.name) return m.profile;
    return std::nullopt;
}

std::string profileName(std::uint16_t p) {
    for (const auto& m : kMedia)
        if (m.profile == p) return m.name;
    return "none";
}

std::string TraceEntry::text() const {
    char buf[160];
    const std::uint8_t* c = cdb.data();
    const char* name = opcodeName(c[0]);
    std::string t;
    if (!name) {
        std::snprintf(buf, sizeof buf, "opcode %02Xh", c[0]);
        t = buf;
    } else {
        t = name;
    }
    buf[0] = 0;
    switch (c[0]) {
        case 0x04:
            std::snprintf(buf, sizeof buf, " fmtdata=%d", (c[1] >> 4) & 1);
            break;
        case 0x12:
            std::snprintf(buf, sizeof buf, " alloc=%u", c[4]);
            break;
        case 0x1B:
            std::snprintf(buf, sizeof buf, " immed=%d %s", c[1] & 1,
                          (c[4] & 3) == 2   ? "eject"
                          : (c[4] & 3) == 3 ? "load"
                          : (c[4] & 1)      ? "start"
                                            : "stop");
            break;
        case 0x1E:
            std::snprintf(buf, sizeof buf, " %s", (c[4] & 1) ? "prevent" : "allow");
            break;
        case 0x2A:
            std::snprintf(buf, sizeof buf, " lba=%u blocks=%u", be32(c + 2), be16(c + 7));
            break;
        case 0x35:
            std::snprintf(buf, sizeof buf, " immed=%d", (c[1] >> 1) & 1);
            break;
        case 0x43:
            std::snprintf(buf, sizeof buf, " format=%u", c[2] & 0x0F);
            break;
        case 0x46:
            std::snprintf(buf, sizeof buf, " feature=%u alloc=%u", be16(c + 2), be16(c + 7));
            break;
        case 0x51:
            std::snprintf(buf, sizeof buf, " alloc=%u", be16(c + 7));
            break;
        case 0x52:
            std::snprintf(buf, sizeof buf, " track=%u", be32(c + 2));
            break;
        case 0x53:
            std::snprintf(buf, sizeof buf, " size=%u", be32(c + 5));
            break;
        case 0x55:
            std::snprintf(buf, sizeof buf, " length=%u", be16(c + 7));
            break;
        case 0x5A:
            std::snprintf(buf, sizeof buf, " page=%02Xh%s", c[2] & 0x3F,
                          (c[2] & 0xC0) == 0x80 ? " default" : "");
            break;
        case 0x5B:
            std::snprintf(buf, sizeof buf, " immed=%d function=%u track=%u", c[1] & 1, c[2] & 7,
                          be16(c + 4));
            break;
        case 0xB6:
            std::snprintf(buf, sizeof buf, " length=%u", be16(c + 9));
            break;
        case 0xBB:
            std::snprintf(buf, sizeof buf, " read=%u write=%u", be16(c + 2), be16(c + 4));
            break;
        case 0xBF:
            std::snprintf(buf, sizeof buf, " format=%02Xh length=%u", c[7], be16(c + 8));
            break;
        default:
            break;
    }
    t += buf;
    if (scsiStatus == 0x08) {
        t += " -> BUSY";
    } else if (scsiStatus != 0) {
        std::snprintf(buf, sizeof buf, " -> %X/%02X/%02X", senseKey, asc, ascq);
        t += buf;
    }
    return t;
}

struct VirtualDrive::Impl {
    std::filesystem::path file;
    Medium medium;
    std::uint16_t profile = 0;
    bool trayOpen = false;
    bool prevent = false;
    bool answersPage30 = true;

    std::vector<Track> tracks;
    std::uint16_t sessions = 1;
    bool sessionHasData = false;  // the open session has written or reserved tracks
    std::uint8_t discStatus = 0;
    bool formatted = false;
    std::uint32_t highestWritten = 0;

    WriteParameters params;
    std::uint16_t writeKbps = 0;
    std::string timestamp;
    std::array<std::uint8_t, 18> lastSense{};

    Fault notReady;
    std::uint8_t notReadyAscq = 1;
    Fault busy;
    std::optional<std::uint32_t> writeErrorSector;
    bool mediumChange = false;
    int longOperationPolls = 0;
    int pendingPolls = 0;
    std::uint8_t pendingAscq = 0;
    std::optional<std::uint8_t> longOperation;  // started by the command being run

    // An immediate command that succeeded keeps the drive busy for a while.
    void startLongOperation(std::uint8_t ascq) { longOperation = ascq; }

    int fd = -1;
    std::vector<TraceEntry> trace;

    // Answer of the command being run.
    std::uint8_t status = 0;
    std::uint8_t key = 0, asc = 0, ascq = 0;

    void load(std::uint16_t p) {
        medium = mediumFor(p);
        profile = medium.profile;
        tracks = {Track{}};
        sessions = 1;
        sessionHasData = false;
        discStatus = 0;
        formatted = !medium.sequential;
        highestWritten = 0;
        params = WriteParameters{};
        timestamp.clear();
        trayOpen = false;
        writeKbps = maxWriteKbps();
        if (fd >= 0) platform::closeFile(fd);
        fd = -1;
    }

    std::uint16_t maxWriteKbps() const { return medium.cd ? 7056 : 22160; }  // 40x CD, 16x DVD

    void fail(std::uint8_t k, std::uint8_t a, std::uint8_t q) {
        status = kScsiStatusCheckCondition;
        key = k;
        asc = a;
        ascq = q;
    }
    void illegal(std::uint8_t a, std::uint8_t q = 0) { fail(0x5, a, q); }

    std::uint32_t openSessionStart() const {
        for (const auto& t : tracks)
            if (t.session == sessions) return t.start;
        return 0;
    }
    Track& invisible() { return tracks.back(); }
    std::uint32_t endOf(const Track& t) const {
        return t.reserved ? t.start + t.reserved : medium.capacity;
    }

    // --- answers -------------------------------------------------------------

    void inquiry(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        if (c[1] & 1) return illegal(0x24);  // no vital product data pages
        std::array<std::uint8_t, 36> a{};
        a[0] = 0x05;  // CD/DVD device
        a[1] = 0x80;  // removable
        a[2] = 0x05;
        a[3] = 0x02;
        a[4] = 31;
        std::memcpy(&a[8], "RONDIVO Virtual Writer  1.00", 28);
        std::memcpy(out, a.data(),
                    std::min<std::size_t>(len, std::min<std::size_t>(c[4], a.size())));
    }

    std::array<std::uint8_t, 64> capabilitiesPage(bool defaults) const {
        std::array<std::uint8_t, 64> p{};
        p[0] = 0x2A;
        p[1] = 0x3E;
        p[2] = 0x3B;  // reads CD-R, CD-RW, DVD-ROM, DVD-R, DVD-RAM
        p[3] = 0x37;  // writes CD-R, CD-RW, DVD-R, DVD-RAM; test write
        p[4] = 0x80;  // buffer underrun free recording
        p[6] = static_cast<std::uint8_t>(0x29 | (!defaults && prevent ? 0x02 : 0));
        set16(&p[8], medium.cd ? 8467 : 22160);
        set16(&p[10], 256);
        set16(&p[12], kBufferSize / 1024);
        set16(&p[14], medium.cd ? 8467 : 22160);
        set16(&p[18], maxWriteKbps());
        set16(&p[20], defaults ? maxWriteKbps() : writeKbps);
        return p;
    }

    std::array<std::uint8_t, 52> writeParametersPage() const {
        std::array<std::uint8_t, 52> p{};
        p[0] = 0x05;
        p[1] = 0x32;
        p[2] = static_cast<std::uint8_t>(params.writeType | (params.linkSizeValid ? 0x20 : 0) |
                                         (params.bufferUnderrunFree ? 0x40 : 0));
        p[3] = static_cast<std::uint8_t>(params.multiSession << 6 |
                                         (params.fixedPacket ? 0x20 : 0) | params.trackMode);
        p[4] = params.dataBlockType;
        p[5] = params.linkSize;
        set32(&p[10], params.packetSize);
        set16(&p[14], 150);
        return p;
    }

    void modeSense(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        const std::uint8_t pc = c[2] >> 6;
        const std::uint8_t page = c[2] & 0x3F;
        if (pc == 3) return illegal(0x39);  // saving parameters not supported
        std::vector<std::uint8_t> a(8, 0);
        if (page == 0x2A) {
            const auto p = capabilitiesPage(pc == 2);
            a.insert(a.end(), p.begin(), p.end());
        } else if (page == 0x05) {
            const auto p = writeParametersPage();
            a.insert(a.end(), p.begin(), p.end());
        } else if (page == 0x30 && answersPage30) {
            a.insert(a.end(), {0x30, 0x06, 0, 0, 0x80, 0, 0, 0});
        } else {
            return illegal(0x24);
        }
        set16(&a[0], static_cast<std::uint32_t>(a.size() - 2));
        std::memcpy(out, a.data(), std::min<std::size_t>({len, be16(c + 7), a.size()}));
    }

    void modeSelect(const std::uint8_t* in, std::uint32_t len, const std::uint8_t* c) {
        if ((c[1] & 0x10) == 0) return illegal(0x24);  // only page-format parameters
        const std::uint32_t n = std::min<std::uint32_t>(len, be16(c + 7));
        if (n < 8) return illegal(0x1A);
        const std::uint32_t offset = 8u + be16(in + 6);
        if (offset + 2 > n) return illegal(0x1A);
        const std::uint8_t* p = in + offset;
        if ((p[0] & 0x3F) != 0x05) return illegal(0x26);
        if (offset + 2u + p[1] > n || p[1] < 0x0E) return illegal(0x1A);
        WriteParameters w;
        w.set = true;
        w.writeType = p[2] & 0x0F;
        w.linkSizeValid = (p[2] & 0x20) != 0;
        w.bufferUnderrunFree = (p[2] & 0x40) != 0;
        w.multiSession = p[3] >> 6;
        w.fixedPacket = (p[3] & 0x20) != 0;
        w.trackMode = p[3] & 0x0F;
        w.dataBlockType = p[4] & 0x0F;
        w.linkSize = p[5];
        w.packetSize = be32(p + 10);
        if (w.writeType > 4) return illegal(0x26);
        if (w.dataBlockType > 3 && w.dataBlockType < 8) return illegal(0x26);
        if (w.multiSession == 2) return illegal(0x26);
        params = w;
    }

    void getConfiguration(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        std::vector<std::uint8_t> a(8, 0);
        const std::uint16_t current = trayOpen ? 0 : profile;
        set16(&a[6], current);
        if (be16(c + 2) == 0) {
            static constexpr std::uint16_t kList[] = {0x1B, 0x1A, 0x14, 0x13, 0x12,
                                                      0x11, 0x10, 0x0A, 0x09, 0x08};
            a.insert(a.end(), {0x00, 0x00, 0x03, static_cast<std::uint8_t>(4 * std::size(kList))});
            for (std::uint16_t p : kList) {
                a.insert(a.end(), {static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p),
                                   static_cast<std::uint8_t>(p == current ? 1 : 0), 0});
            }
        }
        set32(&a[0], static_cast<std::uint32_t>(a.size() - 4));
        std::memcpy(out, a.data(), std::min<std::size_t>({len, be16(c + 7), a.size()}));
    }

    void readAtip(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        if ((c[2] & 0x0F) != 4) return illegal(0x24);  // only the ATIP is kept
        if (!medium.cd) return fail(0x5, 0x24, 0x00);  // DVD media carry no ATIP
        std::array<std::uint8_t, 28> a{};
        set16(&a[0], 26);
        a[4] = 0x50;
        a[6] = static_cast<std::uint8_t>(0x80 | (medium.erasable ? 0x40 : 0));
        a[8] = 97;  // lead-in start 97:26:66
        a[9] = 26;
        a[10] = 66;
        a[12] = 79;  // last possible lead-out 79:59:74
        a[13] = 59;
        a[14] = 74;
        std::memcpy(out, a.data(), std::min<std::size_t>({len, be16(c + 7), a.size()}));
    }

    void readDiscInformation(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        if ((c[1] & 7) != 0) return illegal(0x24);
        std::array<std::uint8_t, 34> a{};
        set16(&a[0], 32);
        std::uint8_t lastSession = 0;  // empty
        std::uint8_t status = discStatus;
        if (!medium.sequential) {
            lastSession = 3;
            status = 2;
        } else if (discStatus == 2) {
            lastSession = 3;
        } else if (sessionHasData) {
            lastSession = 1;
        }
        a[2] = static_cast<std::uint8_t>((medium.erasable ? 0x10 : 0) | lastSession << 2 | status);
        a[3] = 1;
        const auto firstInLast = static_cast<std::uint16_t>(
            std::find_if(tracks.begin(), tracks.end(),
                         [&](const Track& t) { return t.session == sessions; }) -
            tracks.begin() + 1);
        const auto lastInLast = static_cast<std::uint16_t>(tracks.size());
        a[4] = static_cast<std::uint8_t>(sessions);
        a[5] = static_cast<std::uint8_t>(firstInLast);
        a[6] = static_cast<std::uint8_t>(lastInLast);
        a[9] = static_cast<std::uint8_t>(sessions >> 8);
        a[10] = static_cast<std::uint8_t>(firstInLast >> 8);
        a[11] = static_cast<std::uint8_t>(lastInLast >> 8);
        set32(&a[16], discStatus == 2 ? 0xFFFFFFFF : openSessionStart());
        set32(&a[20], medium.capacity);
        std::memcpy(out, a.data(), std::min<std::size_t>({len, be16(c + 7), a.size()}));
    }

    void readTrackInformation(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        const std::uint32_t address = be32(c + 2);
        std::size_t index = 0;
        switch (c[1] & 3) {
            case 0: {  // logical block address
                auto it = std::find_if(tracks.begin(), tracks.end(), [&](const Track& t) {
                    return address >= t.start && address < endOf(t);
                });
                if (it == tracks.end()) return illegal(0x21);
                index = static_cast<std::size_t>(it - tracks.begin());
                break;
            }
            case 1:  // track number; FFh names the invisible track on CD
                if (address == 0xFF && medium.cd) {
                    index = tracks.size() - 1;
                } else {
                    if (address < 1 || address > tracks.size()) return illegal(0x24);
                    index = address - 1;
                }
                break;
            default:
                return illegal(0x24);
        }
        const Track& t = tracks[index];
        const bool last = index + 1 == tracks.size();
        const bool writable = medium.sequential ? (!t.closed && discStatus != 2) : true;
        const std::uint32_t size = endOf(t) - t.start;
        std::array<std::uint8_t, 48> a{};
        set16(&a[0], 46);
        a[2] = static_cast<std::uint8_t>(index + 1);
        a[3] = static_cast<std::uint8_t>(t.session);
        a[5] = medium.cd ? 4 : 5;
        a[6] = static_cast<std::uint8_t>((t.recorded == 0 && medium.sequential ? 0x40 : 0) |
                                         (t.reserved ? 0x80 : 0) | 1);
        if (!medium.cd) a[6] |= 0x30;  // fixed packets
        a[7] = static_cast<std::uint8_t>((writable ? 1 : 0) | (t.recorded ? 2 : 0));
        set32(&a[8], t.start);
        set32(&a[12], writable ? (medium.sequential ? t.start + t.recorded : 0) : 0);
        set32(&a[16], writable
                          ? (last || t.reserved ? size - (medium.sequential ? t.recorded : 0) : 0)
                          : 0);
        set32(&a[20], medium.cd ? 0 : 16);
        set32(&a[24], t.reserved || !last ? (t.reserved ? t.reserved : t.recorded) : size);
        set32(&a[28], t.recorded ? t.start + t.recorded - 1 : 0);
        a[32] = static_cast<std::uint8_t>((index + 1) >> 8);
        a[33] = static_cast<std::uint8_t>(t.session >> 8);
        std::memcpy(out, a.data(), std::min<std::size_t>({len, be16(c + 7), a.size()}));
    }

    bool writeTypeFits() const {
        if (!medium.sequential) return true;
        if (!params.set) return false;
        if (medium.cd) return params.writeType == 1 || params.writeType == 2;
        if (profile == profile::kDvdPlusR) return true;         // DVD+R ignores the page
        return params.writeType == 0 || params.writeType == 2;  // DVD-R/-RW sequential
    }

    void write(const std::uint8_t* in, std::uint32_t len, const std::uint8_t* c) {
        const std::uint32_t lba = be32(c + 2);
        const std::uint32_t blocks = be16(c + 7);
        if (len != blocks * 2048u) return illegal(0x24);
        if (blocks == 0) return;
        if (std::uint64_t{lba} + blocks > medium.capacity) return illegal(0x21);
        if (!writeTypeFits()) return illegal(0x64);
        Track* target = nullptr;
        if (medium.sequential) {
            if (discStatus == 2) return illegal(0x21, 0x02);
            for (auto& t : tracks) {
                if (!t.closed && t.start + t.recorded == lba) target = &t;
            }
            if (!target) return illegal(0x21, 0x02);
            if (target->reserved && target->recorded + blocks > target->reserved)
                return illegal(0x21, 0x02);
        } else if (profile == profile::kDvdRwRestricted && (lba % 16 || blocks % 16)) {
            return illegal(0x21, 0x02);  // whole 32 KiB ECC blocks only
        }
        if (writeErrorSector && *writeErrorSector >= lba && *writeErrorSector < lba + blocks) {
            return fail(0x3, 0x0C, 0x00);
        }
        if (fd < 0) {
            fd = platform::openForWriting(file, platform::Create::Truncate, 0644);
            if (fd < 0) return fail(0x3, 0x0C, 0x00);
        }
        const std::uint64_t offset = static_cast<std::uint64_t>(lba) * 2048;
        std::size_t done = 0;
        while (done < len) {
            const long n = platform::writeAt(fd, in + done, len - done, offset + done);
            if (n <= 0) return fail(0x3, 0x0C, 0x00);
            done += static_cast<std::size_t>(n);
        }
        highestWritten = std::max(highestWritten, lba + blocks);
        if (target) {
            target->recorded += blocks;
            sessionHasData = true;
            discStatus = 1;
        }
    }

    void closeTrackSession(const std::uint8_t* c) {
        const std::uint8_t function = c[2] & 7;
        const std::uint16_t number = be16(c + 4);
        if (function < 1 || function > 3) return illegal(0x24);
        if (c[1] & 1) startLongOperation(0x07);
        if (!medium.sequential) return;  // nothing to close on overwritable media
        if (function == 1) {
            if (number == 0 || (number > tracks.size() && number != 0xFF)) return illegal(0x24);
            Track* t = nullptr;
            if (number == 0xFF) {
                for (auto& x : tracks)
                    if (!x.closed && (x.recorded || x.reserved)) t = &x;
                if (!t) return;
            } else {
                t = &tracks[number - 1u];
            }
            if (t->closed || (t->recorded == 0 && t->reserved == 0))
                return;  // empty: nothing to do
            t->closed = true;
            if (t == &tracks.back()) {
                Track next;
                next.start = t->start + t->recorded;
                next.session = sessions;
                if (!t->reserved) t->reserved = t->recorded;
                tracks.push_back(next);
            }
            return;
        }
        // Close the session (2), or the session and the disc (3).
        if (!sessionHasData) return illegal(0x2C);
        for (auto& t : tracks) {
            if (t.session == sessions && (t.recorded || t.reserved)) {
                t.closed = true;
                if (!t.reserved) t.reserved = t.recorded;
            }
        }
        while (tracks.size() > 1 && tracks.back().recorded == 0 && tracks.back().reserved == 0) {
            tracks.pop_back();
        }
        const bool appendable =
            function == 2 && params.multiSession == 3 && profile != profile::kDvdRwSequential;
        if (!appendable) {
            discStatus = 2;
            sessionHasData = false;
            return;
        }
        Track next;
        next.start = endOf(tracks.back()) + (medium.cd ? kCdSessionGap : 0);
        ++sessions;
        next.session = sessions;
        tracks.push_back(next);
        sessionHasData = false;
        discStatus = 1;
    }

    void formatUnit(const std::uint8_t* in, std::uint32_t len, const std::uint8_t* c) {
        if ((c[1] & 0x10) == 0 || len < 12) return illegal(0x24);
        if (be16(in + 2) != 8) return illegal(0x26);
        const std::uint8_t type = in[8] >> 2;
        const bool dvdRw =
            profile == profile::kDvdRwSequential || profile == profile::kDvdRwRestricted;
        if (dvdRw &&
            (type == 0x00 || type == 0x10 || type == 0x11 || type == 0x13 || type == 0x15)) {
            load(type == 0x10 || type == 0x11 ? profile::kDvdRwSequential
                                              : profile::kDvdRwRestricted);
        } else if (profile == profile::kDvdPlusRw && type == 0x26) {
            formatted = true;
        } else if (profile == profile::kDvdRam && (type == 0x00 || type == 0x01)) {
            formatted = true;
        } else {
            return illegal(0x30, 0x06);
        }
        if (in[1] & 0x02) startLongOperation(0x04);
    }

    void reserveTrack(const std::uint8_t* c) {
        const std::uint32_t size = be32(c + 5);
        if (!medium.sequential || discStatus == 2) return illegal(0x2C);
        Track& t = invisible();
        if (size == 0 || t.recorded != 0 || t.reserved != 0) return illegal(0x2C);
        if (std::uint64_t{t.start} + size > medium.capacity) return illegal(0x21);
        t.reserved = size;
        Track next;
        next.start = t.start + size;
        next.session = sessions;
        tracks.push_back(next);
        sessionHasData = true;
        discStatus = 1;
    }

    void setStreaming(const std::uint8_t* in, std::uint32_t len, const std::uint8_t* c) {
        if (c[8] != 0) return illegal(0x24);  // only performance descriptors
        const std::uint32_t n = be16(c + 9);
        if (n < 28 || len < 28) return illegal(0x1A);
        if (be32(in + 8) < be32(in + 4) || be32(in + 16) == 0 || be32(in + 24) == 0) {
            return illegal(0x26);
        }
    }

    void sendDiscStructure(const std::uint8_t* in, std::uint32_t len, const std::uint8_t* c) {
        const std::uint8_t format = c[7];
        const std::uint32_t n = be16(c + 8);
        if (format != 0x0F) return illegal(0x24);
        if (profile != profile::kDvdR && profile != profile::kDvdRwSequential &&
            profile != profile::kDvdRwRestricted) {
            return illegal(0x30, 0x05);
        }
        if (n < 22 || len < 22 || be16(in) != n - 2) return illegal(0x1A);
        std::string digits(reinterpret_cast<const char*>(in + 8), 14);
        if (!std::all_of(digits.begin(), digits.end(),
                         [](char ch) { return ch >= '0' && ch <= '9'; }))
            return illegal(0x26);
        timestamp = digits;
    }

    void readBufferCapacity(std::uint8_t* out, std::uint32_t len, const std::uint8_t* c) {
        if (c[1] & 1) return illegal(0x24);
        std::array<std::uint8_t, 12> a{};
        set16(&a[0], 10);
        set32(&a[4], kBufferSize);
        set32(&a[8], kBufferSize);
        std::memcpy(out, a.data(), std::min<std::size_t>({len, be16(c + 7), a.size()}));
    }

    void setCdSpeed(const std::uint8_t* c) {
        const std::uint16_t w = be16(c + 4);
        writeKbps =
            w == 0xFFFF || w > maxWriteKbps() ? maxWriteKbps() : std::max<std::uint16_t>(w, 176);
    }

    void startStop(const std::uint8_t* c) {
        const bool loej = (c[4] & 2) != 0, start = (c[4] & 1) != 0;
        if (!loej) return;
        if (start) {
            trayOpen = false;
        } else {
            if (prevent) return illegal(0x53, 0x02);
            trayOpen = true;
        }
    }

    static bool needsMedium(std::uint8_t op) {
        switch (op) {
            case 0x00:
            case 0x04:
            case 0x2A:
            case 0x35:
            case 0x43:
            case 0x51:
            case 0x52:
            case 0x53:
            case 0x5B:
            case 0x5C:
            case 0xB6:
            case 0xBF:
                return true;
            default:
                return false;
        }
    }

    void run(CommandBlock& block, std::uint8_t* data) {
        const std::uint8_t* c = block.cdb.data();
        const std::uint8_t op = c[0];
        const std::uint32_t len = block.dataLength;
        status = 0;
        key = asc = ascq = 0;

        // The direction must agree with the command, or data would go the wrong way.
        const bool in = (block.flags & 0x08) != 0, out = (block.flags & 0x10) != 0;
        static constexpr std::uint8_t kDataIn[] = {0x03, 0x12, 0x43, 0x46, 0x51, 0x52, 0x5A, 0x5C};
        static constexpr std::uint8_t kDataOut[] = {0x04, 0x2A, 0x55, 0xB6, 0xBF};
        const bool wantsIn =
            std::find(std::begin(kDataIn), std::end(kDataIn), op) != std::end(kDataIn);
        const bool wantsOut =
            std::find(std::begin(kDataOut), std::end(kDataOut), op) != std::end(kDataOut);
        if (len > 0 && (!data || (in && !wantsIn) || (out && !wantsOut) || (!in && !out))) {
            return illegal(0x24);
        }

        const bool always = op == 0x12 || op == 0x03;  // INQUIRY and REQUEST SENSE always answer
        if (!always && mediumChange) {
            mediumChange = false;
            return fail(0x6, 0x28, 0x00);
        }
        if (!always && busy.matches(op)) {
            --busy.times;
            status = kScsiStatusBusy;
            return;
        }
        if (!always && notReady.matches(op)) {
            --notReady.times;
            return fail(0x2, 0x04, notReadyAscq);
        }
        if (!always && op != 0x46 && pendingPolls > 0) {
            --pendingPolls;
            return fail(0x2, 0x04, pendingAscq);
        }
        if (trayOpen && needsMedium(op)) return fail(0x2, 0x3A, 0x02);

        switch (op) {
            case 0x00:
                break;
            case 0x01:
                break;
            case 0x03:
                std::memcpy(data, lastSense.data(),
                            std::min<std::size_t>({len, c[4], lastSense.size()}));
                break;
            case 0x04:
                formatUnit(data, len, c);
                break;
            case 0x12:
                inquiry(data, len, c);
                break;
            case 0x1B:
                startStop(c);
                break;
            case 0x1E:
                prevent = (c[4] & 1) != 0;
                break;
            case 0x2A:
                write(data, len, c);
                break;
            case 0x35:
                if (c[1] & 2) startLongOperation(0x07);
                break;
            case 0x43:
                readAtip(data, len, c);
                break;
            case 0x46:
                getConfiguration(data, len, c);
                break;
            case 0x51:
                readDiscInformation(data, len, c);
                break;
            case 0x52:
                readTrackInformation(data, len, c);
                break;
            case 0x53:
                reserveTrack(c);
                break;
            case 0x55:
                modeSelect(data, len, c);
                break;
            case 0x5A:
                modeSense(data, len, c);
                break;
            case 0x5B:
                closeTrackSession(c);
                break;
            case 0x5C:
                readBufferCapacity(data, len, c);
                break;
            case 0xB6:
                setStreaming(data, len, c);
                break;
            case 0xBB:
                setCdSpeed(c);
                break;
            case 0xBF:
                sendDiscStructure(data, len, c);
                break;
            default:
                illegal(0x20);
                break;
        }
        if (longOperation && status == kScsiStatusGood) {
            pendingPolls = longOperationPolls;
            pendingAscq = *longOperation;
        }
        longOperation.reset();
    }
};

VirtualDrive::VirtualDrive(std::filesystem::path imageFile, std::uint16_t mediumProfile)
    : imageFile_(std::move(imageFile)), impl_(std::make_unique<Impl>()) {
    impl_->file = imageFile_;
    impl_->load(mediumProfile);
}

VirtualDrive::~VirtualDrive() {
    if (impl_->fd >= 0) platform::closeFile(impl_->fd);
}

bool VirtualDrive::execute(CommandBlock& block, std::uint8_t* data) {
    std::lock_guard lock(mutex_);
    Impl& d = *impl_;
    d.run(block, data);
    block.targetStatus = d.status;
    block.hostAdapterStatus = 0;
    block.sense.fill(0);
    if (d.status == kScsiStatusCheckCondition) {
        encodeFixedSense(block.sense, d.key, d.asc, d.ascq);
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
    d.trace.push_back(e);
    return d.status == kScsiStatusCheckCondition && d.key == 0x6 && d.asc == 0x28;
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

void VirtualDrive::setLongOperationPolls(int polls) {
    std::lock_guard lock(mutex_);
    impl_->longOperationPolls = polls;
}

void VirtualDrive::setAnswersVendorPage30(bool answers) {
    std::lock_guard lock(mutex_);
    impl_->answersPage30 = answers;
}

void VirtualDrive::insertBlankMedium(std::uint16_t mediumProfile) {
    std::lock_guard lock(mutex_);
    impl_->load(mediumProfile);
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
    return impl_->profile;
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
    return impl_->highestWritten;
}

std::uint8_t VirtualDrive::discStatus() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.sequential ? impl_->discStatus : 2;
}

std::uint16_t VirtualDrive::sessionCount() const {
    std::lock_guard lock(mutex_);
    return impl_->sessions;
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
    for (auto& d : drives_)
        if (d->imageFile().string() == device) return d->execute(block, data);
    block.status = kStatusError;
    block.hostAdapterStatus = 0xFF;  // no such device
    return false;
}

std::unique_ptr<VirtualDriveTransport> VirtualDriveTransport::fromSetting(
    const std::string& setting) {
    std::string path = setting;
    std::uint16_t p = profile::kCdR;
    const auto comma = setting.rfind(',');
    if (comma != std::string::npos) {
        if (auto named = profileFromName(setting.substr(comma + 1))) {
            p = *named;
            path = setting.substr(0, comma);
        }
    }
    if (path.empty()) return nullptr;
    auto transport = std::make_unique<VirtualDriveTransport>();
    transport->add(std::make_shared<VirtualDrive>(path, p));
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
