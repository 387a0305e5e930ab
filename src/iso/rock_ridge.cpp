#include "iso/rock_ridge.h"

#include <algorithm>

#include "iso/hierarchy.h"
#include "iso/iso_bytes.h"

namespace rondivo::iso {

namespace {

constexpr std::uint32_t kSp = 7, kRr = 5, kPx = 36, kTf = 12, kCe = 28;
// RRIP 4.1.4: one NM holds up to 250 bytes of the name; longer names go on
// in further NM entries (readers join the bytes).
constexpr std::uint32_t kNmHeader = 5, kNmMaxName = 250;

constexpr std::string_view kErId = "RRIP_1991A";
constexpr std::string_view kErDescription =
    "THE ROCK RIDGE INTERCHANGE PROTOCOL PROVIDES SUPPORT FOR POSIX FILE SYSTEM SEMANTICS";
constexpr std::string_view kErSource =
    "PLEASE CONTACT DISC PUBLISHER FOR SPECIFICATION SOURCE.  SEE PUBLISHER IDENTIFIER IN "
    "PRIMARY VOLUME DESCRIPTOR FOR CONTACT INFORMATION.";
constexpr std::uint32_t kEr = 8 + kErId.size() + kErDescription.size() + kErSource.size();
static_assert(kEr <= 255, "ER fits one entry");

// RRIP 4.1.1 (RR, 1.10): which entries the record carries.
constexpr std::uint8_t kHasPx = 0x01, kHasNm = 0x08, kHasTf = 0x80;

std::uint32_t nameEntriesBytes(std::size_t nameBytes) {
    const std::size_t entries = (nameBytes + kNmMaxName - 1) / kNmMaxName;
    return static_cast<std::uint32_t>(nameBytes + kNmHeader * entries);
}

std::uint8_t* header(std::uint8_t* p, const char* signature, std::uint32_t length) {
    p[0] = static_cast<std::uint8_t>(signature[0]);
    p[1] = static_cast<std::uint8_t>(signature[1]);
    p[2] = static_cast<std::uint8_t>(length);
    p[3] = 1;  // entry version
    return p + 4;
}

std::uint8_t* putNames(std::uint8_t* p, std::string_view name) {
    while (!name.empty()) {
        const std::size_t n = std::min<std::size_t>(name.size(), kNmMaxName);
        std::uint8_t* body = header(p, "NM", kNmHeader + static_cast<std::uint32_t>(n));
        body[0] = n < name.size() ? 1 : 0;  // CONTINUE
        putBytes(body + 1, name.substr(0, n));
        p = body + 1 + n;
        name.remove_prefix(n);
    }
    return p;
}

std::uint8_t* putExtensionReference(std::uint8_t* p) {
    std::uint8_t* body = header(p, "ER", kEr);
    body[0] = static_cast<std::uint8_t>(kErId.size());
    body[1] = static_cast<std::uint8_t>(kErDescription.size());
    body[2] = static_cast<std::uint8_t>(kErSource.size());
    body[3] = 1;  // extension version
    putBytes(body + 4, kErId);
    putBytes(body + 4 + kErId.size(), kErDescription);
    putBytes(body + 4 + kErId.size() + kErDescription.size(), kErSource);
    return p + kEr;
}

}  // namespace

SystemUseSplit splitSystemUse(bool volumeRoot, std::size_t nameBytes, std::uint32_t room) {
    const std::uint32_t fixed = (volumeRoot ? kSp : 0) + kRr + kPx + kTf;
    SystemUseSplit s;
    if (volumeRoot) {
        s = {fixed + kCe, kEr};
    } else if (nameBytes == 0) {
        s = {fixed, 0};
    } else {
        const std::uint32_t names = nameEntriesBytes(nameBytes);
        s = fixed + names <= room ? SystemUseSplit{fixed + names, 0}
                                  : SystemUseSplit{fixed + kCe, names};
    }
    s.inRecord += s.inRecord % 2;
    return s;
}

ContinuationPlace ContinuationAreas::place(std::uint32_t bytes) {
    if (used_ + bytes > kSectorSize) {
        ++current_;
        used_ = 0;
    }
    ContinuationPlace at{first_ + current_, used_};
    used_ += bytes;
    return at;
}

void putRockRidge(std::uint8_t* systemUse, std::uint8_t* continuation, const RockRidgeRecord& r,
                  const SystemUseSplit& split, ContinuationPlace place) {
    std::uint8_t* p = systemUse;
    if (r.volumeRoot) {
        std::uint8_t* sp = header(p, "SP", kSp);  // SUSP 5.3
        sp[0] = 0xBE;
        sp[1] = 0xEF;
        sp[2] = 0;  // no bytes skipped before each System Use field
        p += kSp;
    }
    header(p, "RR", kRr)[0] = kHasPx | kHasTf | (r.name.empty() ? 0 : kHasNm);
    p += kRr;
    std::uint8_t* px = header(p, "PX", kPx);  // RRIP 4.1.1: mode, links, uid, gid
    put733(px, r.mode);
    put733(px + 8, r.links);
    p += kPx;
    std::uint8_t* tf = header(p, "TF", kTf);  // RRIP 4.1.6: modification time
    tf[0] = 0x02;
    if (r.time) putRecordingDate(tf + 1, *r.time);
    p += kTf;
    if (split.continued == 0) {
        putNames(p, r.name);
        return;
    }
    std::uint8_t* ce = header(p, "CE", kCe);  // SUSP 5.1
    put733(ce, place.sector);
    put733(ce + 8, place.offset);
    put733(ce + 16, split.continued);
    if (r.volumeRoot)
        putExtensionReference(continuation);
    else
        putNames(continuation, r.name);
}

std::size_t utf8Bytes(std::u16string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            n += 1;
        } else if (c < 0x800) {
            n += 2;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            n += 4;
            ++i;
        } else {
            n += 3;
        }
    }
    return n;
}

}  // namespace rondivo::iso
