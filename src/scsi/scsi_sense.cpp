#include "scsi/scsi_sense.h"

#include <algorithm>
#include <cstdio>

namespace rondivo::scsi {

SenseInfo decodeSense(std::span<const std::uint8_t> sense) {
    SenseInfo info;
    if (sense.empty()) return info;
    const std::uint8_t code = sense[0] & 0x7F;
    if ((code == 0x70 || code == 0x71) && sense.size() >= 14) {
        info.valid = true;
        info.key = sense[2] & 0x0F;
        info.asc = sense[12];
        info.ascq = sense[13];
        if (sense.size() >= 18 && (sense[15] & 0x80) && (info.key == 0x0 || info.key == 0x2))
            info.progress = sense[16] << 8 | sense[17];
    } else if ((code == 0x72 || code == 0x73) && sense.size() >= 4) {
        info.valid = true;
        info.key = sense[1] & 0x0F;
        info.asc = sense[2];
        info.ascq = sense[3];
    }
    return info;
}

void encodeFixedSense(std::span<std::uint8_t> out, std::uint8_t key, std::uint8_t asc,
                      std::uint8_t ascq) {
    std::fill(out.begin(), out.end(), 0);
    if (out.size() < 18) return;
    out[0] = 0x70;
    out[2] = key & 0x0F;
    out[7] = 10;
    out[12] = asc;
    out[13] = ascq;
}

namespace {

struct KeyName {
    std::uint8_t key;
    const char* name;
};
constexpr KeyName kKeys[] = {
    {0x0, "NO SENSE"},        {0x1, "RECOVERED ERROR"}, {0x2, "NOT READY"},
    {0x3, "MEDIUM ERROR"},    {0x4, "HARDWARE ERROR"},  {0x5, "ILLEGAL REQUEST"},
    {0x6, "UNIT ATTENTION"},  {0x7, "DATA PROTECT"},    {0x8, "BLANK CHECK"},
    {0xB, "ABORTED COMMAND"},
};

struct AscName {
    std::uint8_t asc;
    int ascq;  // -1: any qualifier
    const char* text;
};
// The conditions a writer reports most (SPC-4 annex D, MMC-6 annex F).
constexpr AscName kAscs[] = {
    {0x04, 0x01, "becoming ready"},
    {0x04, 0x02, "initializing command required"},
    {0x04, 0x03, "manual intervention required"},
    {0x04, 0x04, "format in progress"},
    {0x04, 0x07, "operation in progress"},
    {0x04, 0x08, "long write in progress"},
    {0x04, -1, "logical unit not ready"},
    {0x0C, -1, "write error"},
    {0x11, -1, "unrecovered read error"},
    {0x1A, -1, "parameter list length error"},
    {0x20, -1, "invalid command operation code"},
    {0x21, 0x00, "logical block address out of range"},
    {0x21, 0x02, "invalid address for write"},
    {0x24, -1, "invalid field in CDB"},
    {0x26, -1, "invalid field in parameter list"},
    {0x28, -1, "medium may have changed"},
    {0x29, -1, "power on or reset"},
    {0x2A, -1, "parameters changed"},
    {0x2C, -1, "command sequence error"},
    {0x30, 0x05, "cannot write medium, incompatible format"},
    {0x30, 0x06, "cannot format medium, incompatible medium"},
    {0x30, -1, "incompatible medium installed"},
    {0x3A, -1, "medium not present"},
    {0x53, 0x02, "medium removal prevented"},
    {0x53, -1, "media load or eject failed"},
    {0x64, -1, "illegal mode for this track"},
    {0x72, -1, "session fixation error"},
    {0x73, -1, "power calibration or program memory error"},
};

}  // namespace

SenseVerdict judgeSense(const SenseInfo& s) {
    if (!s.valid) return SenseVerdict::Failed;
    // No sense with "operation in progress" (00/16h) is how some drives answer mid-format.
    if (s.key == 0 && s.asc == 0 && s.ascq == 0x16) return SenseVerdict::TryAgain;
    if (s.key == static_cast<std::uint8_t>(SenseKey::RecoveredError) ||
        (s.key == 0 && s.asc == 0 && s.ascq == 0))
        return SenseVerdict::Success;
    const bool notReady = s.key == static_cast<std::uint8_t>(SenseKey::NotReady) && s.asc == 0x04;
    // Becoming ready, format, operation or long write in progress.
    if (notReady && (s.ascq == 0x01 || s.ascq == 0x04 || s.ascq == 0x07 || s.ascq == 0x08))
        return SenseVerdict::TryAgain;
    // A reset or a parameter change is reported once; the command may be repeated.
    if (s.key == static_cast<std::uint8_t>(SenseKey::UnitAttention) &&
        (s.asc == 0x29 || s.asc == 0x2A))
        return SenseVerdict::TryAgain;
    return SenseVerdict::Failed;
}

std::string describeSense(const SenseInfo& sense) {
    const char* keyName = "UNKNOWN SENSE KEY";
    for (const auto& k : kKeys)
        if (k.key == sense.key) keyName = k.name;
    std::string text = keyName;
    if (sense.asc == 0 && sense.ascq == 0) return text;
    for (const auto& a : kAscs) {
        if (a.asc == sense.asc && (a.ascq < 0 || a.ascq == sense.ascq)) {
            return text + ": " + a.text;
        }
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, ": ASC %02Xh ASCQ %02Xh", sense.asc, sense.ascq);
    return text + buf;
}

}  // namespace rondivo::scsi
