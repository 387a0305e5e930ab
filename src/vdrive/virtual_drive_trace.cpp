// How the virtual drive writes down the commands it was sent.
#include <cstdio>
#include <string>

#include "vdrive/virtual_drive.h"

namespace rondivo::vdrive {

namespace {

std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct OpcodeName {
    std::uint8_t op;
    const char* name;
};
constexpr OpcodeName kNames[] = {
    {0x00, "TEST UNIT READY"},
    {0x01, "REZERO UNIT"},
    {0x03, "REQUEST SENSE"},
    {0x04, "FORMAT UNIT"},
    {0x12, "INQUIRY"},
    {0x1B, "START STOP UNIT"},
    {0x1E, "PREVENT ALLOW MEDIUM REMOVAL"},
    {0x23, "READ FORMAT CAPACITIES"},
    {0x2A, "WRITE(10)"},
    {0x35, "SYNCHRONIZE CACHE"},
    {0x43, "READ TOC/PMA/ATIP"},
    {0x46, "GET CONFIGURATION"},
    {0x51, "READ DISC INFORMATION"},
    {0x52, "READ TRACK INFORMATION"},
    {0x53, "RESERVE TRACK"},
    {0x55, "MODE SELECT(10)"},
    {0x5A, "MODE SENSE(10)"},
    {0x5B, "CLOSE TRACK/SESSION"},
    {0x5C, "READ BUFFER CAPACITY"},
    {0xA1, "BLANK"},
    {0xB6, "SET STREAMING"},
    {0xBB, "SET CD SPEED"},
    {0xBF, "SEND DISC STRUCTURE"},
};

const char* opcodeName(std::uint8_t op) {
    for (const auto& n : kNames)
        if (n.op == op) return n.name;
    return nullptr;
}

const char* startStopText(std::uint8_t b) {
    if ((b & 3) == 2) return "eject";
    if ((b & 3) == 3) return "load";
    return (b & 1) ? "start" : "stop";
}

// The key fields of the CDB, after the command's name.
std::string fields(const std::uint8_t* c) {
    char buf[96];
    buf[0] = 0;
    switch (c[0]) {
        case 0x12:
            std::snprintf(buf, sizeof buf, " alloc=%u", c[4]);
            break;
        case 0x1B:
            std::snprintf(buf, sizeof buf, " immed=%d %s", c[1] & 1, startStopText(c[4]));
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
        case 0x23:
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
        case 0xA1:
            std::snprintf(buf, sizeof buf, " immed=%d type=%u", (c[1] >> 4) & 1, c[1] & 7);
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
    return buf;
}

}  // namespace

std::string TraceEntry::text() const {
    char buf[48];
    const char* name = opcodeName(cdb[0]);
    std::string t;
    if (name) {
        t = name;
    } else {
        std::snprintf(buf, sizeof buf, "opcode %02Xh", cdb[0]);
        t = buf;
    }
    t += fields(cdb.data());
    if (!note.empty()) t += " " + note;
    if (scsiStatus == 0x08) {
        t += " -> BUSY";
    } else if (scsiStatus != 0 || senseKey != 0) {
        std::snprintf(buf, sizeof buf, " -> %X/%02X/%02X", senseKey, asc, ascq);
        t += buf;
    } else if (!reachedDrive) {
        t += " -> no handle";
    }
    return t;
}

std::string TraceEntry::line() const {
    char op[4];
    std::snprintf(op, sizeof op, "%02X", cdb[0]);
    return std::string(op) + " " + text();
}

}  // namespace rondivo::vdrive
