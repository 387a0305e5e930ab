#include "iso/iso_metadata.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "iso/iso_bytes.h"

namespace rondivo::burn {

namespace {

struct Hierarchy {
    bool joliet;
    std::uint32_t dirStart;  // absolute sector of the first directory
};

std::uint32_t dirExtent(const ImageDir& d, const Hierarchy& h) {
    return h.dirStart + (h.joliet ? d.jolietSector : d.isoSector);
}
std::uint32_t dirSize(const ImageDir& d, const Hierarchy& h) {
    return h.joliet ? d.jolietSize : d.isoSize;
}

// ECMA-119 §9.1, recording date §9.1.5 (zero when `time` is null).
void putRecord(std::uint8_t* p, std::uint8_t length, std::uint32_t extent, std::uint32_t size,
               const ImageTime* time, std::uint8_t flags) {
    put711(p + 0, length);
    put733(p + 2, extent);
    put733(p + 10, size);
    if (time) {
        p[18] = static_cast<std::uint8_t>(time->year - 1900);
        p[19] = static_cast<std::uint8_t>(time->month);
        p[20] = static_cast<std::uint8_t>(time->day);
        p[21] = static_cast<std::uint8_t>(time->hour);
        p[22] = static_cast<std::uint8_t>(time->minute);
        p[23] = static_cast<std::uint8_t>(time->second);
        p[24] = static_cast<std::uint8_t>(time->gmtOffset);
    }
    p[25] = flags;
    put723(p + 28, 1);
}

// The root and every "." and ".." record carry the image's own date: a zero
// date is month 0, which readers show as 1899 or 1900.
void putRootRecord(std::uint8_t* p, const ImageDir& root, const Hierarchy& h,
                   const ImageTime& created) {
    putRecord(p, 34, dirExtent(root, h), dirSize(root, h), &created, 2);
    p[32] = 1;
    p[33] = 0;
}

// Writes one directory at `out` (its size in bytes is already known).
void putDirectory(std::uint8_t* out, const ImageDir& dir, const Hierarchy& h,
                  std::uint32_t dataStart, const ImageTime& created) {
    putRecord(out, 34, dirExtent(dir, h), dirSize(dir, h), &created, 2);
    out[32] = 1;
    out[33] = 0;
    putRecord(out + 34, 34, dirExtent(*dir.parent, h), dirSize(*dir.parent, h), &created, 2);
    out[34 + 32] = 1;
    out[34 + 33] = 1;
    std::size_t pos = 68;
    for (const ImageEntry* e : dir.children) {
        std::size_t nameLength = h.joliet ? 2 * e->jolietName.size() : e->isoName.size();
        std::uint32_t r =
            h.joliet ? 34 + static_cast<std::uint32_t>(nameLength)
                     : 33 + static_cast<std::uint32_t>(nameLength) + (nameLength % 2 == 0 ? 1 : 0);
        std::size_t room = kSectorSize - pos % kSectorSize;
        if (r > room) pos += room;  // the rest of the sector stays zero
        std::uint8_t* p = out + pos;
        std::uint8_t flags = (e->attributes & kAttributeHidden) ? 1 : 0;
        if (e->dir) {
            putRecord(p, static_cast<std::uint8_t>(r), dirExtent(*e->dir, h), dirSize(*e->dir, h),
                      &e->time, static_cast<std::uint8_t>(flags | 2));
        } else {
            std::uint32_t extent = e->size ? dataStart + e->dataSector : 0;
            putRecord(p, static_cast<std::uint8_t>(r), extent, static_cast<std::uint32_t>(e->size),
                      &e->time, flags);
        }
        put711(p + 32, static_cast<std::uint8_t>(nameLength));
        if (h.joliet)
            putUcs2(p + 33, e->jolietName);
        else
            putBytes(p + 33, e->isoName);
        pos += r;
    }
}

// ECMA-119 §9.4. `bigEndian` selects the M-table.
void putPathTable(std::uint8_t* out, const IsoImage& s, const Hierarchy& h, bool bigEndian) {
    std::size_t pos = 0;
    for (const ImageDir* d : s.pathTable) {
        std::uint8_t* p = out + pos;
        bool root = d == s.root;
        std::size_t n = root ? 1 : (h.joliet ? 2 * d->longName.size() : d->isoName.size());
        p[0] = static_cast<std::uint8_t>(n);
        if (bigEndian) {
            put732(p + 2, dirExtent(*d, h));
            put722(p + 6, d->parent->number);
        } else {
            put731(p + 2, dirExtent(*d, h));
            put721(p + 6, d->parent->number);
        }
        if (!root) {
            if (h.joliet)
                putUcs2(p + 8, d->longName);
            else
                putBytes(p + 8, d->isoName);
        }
        pos += 8 + n + (n % 2);
    }
}

// ECMA-119 §8.4.26.1: "YYYYMMDDHHMMSScc" in digits, then the GMT offset;
// a date not given is all '0' digits with offset 0.
void putVolumeDate(std::uint8_t* p, const ImageTime* t) {
    char digits[17] = "0000000000000000";
    if (t)
        std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d00", t->year, t->month,
                      t->day, t->hour, t->minute, t->second);
    putBytes(p, std::string_view(digits, 16));
    p[16] = t ? static_cast<std::uint8_t>(t->gmtOffset) : 0;
}

void putDescriptor(std::uint8_t* p, const IsoImage& s, const Hierarchy& h) {
    const ImageLayout& l = s.layout;
    p[vd::kType] = h.joliet ? 2 : 1;
    putBytes(p + vd::kStandardId, "CD001");
    p[vd::kVersion] = 1;
    if (h.joliet) {
        putUcs2(p + vd::kVolumeId, jolietVolumeIdentifier(s));
        p[vd::kEscapes] = 0x25;
        p[vd::kEscapes + 1] = 0x2F;
        p[vd::kEscapes + 2] = 0x40;
    } else {
        putBytes(p + vd::kVolumeId, volumeIdentifier(s));
    }
    putVolumeDate(p + vd::kCreationDate, &s.created);
    putVolumeDate(p + vd::kModificationDate, &s.created);
    putVolumeDate(p + vd::kExpirationDate, nullptr);
    putVolumeDate(p + vd::kEffectiveDate, nullptr);
    put733(p + vd::kVolumeSpaceSize, l.volumeSize);
    put723(p + vd::kVolumeSetSize, 1);
    put723(p + vd::kVolumeSequence, 1);
    put723(p + vd::kBlockSize, kSectorSize);
    std::uint32_t tableBytes = h.joliet ? l.jolietPathTableBytes : l.isoPathTableBytes;
    put733(p + vd::kPathTableSize, tableBytes);
    put731(p + vd::kLTable, s.sessionStart + (h.joliet ? l.jolietLTable : l.isoLTable));
    put732(p + vd::kMTable, s.sessionStart + (h.joliet ? l.jolietMTable : l.isoMTable));
    putRootRecord(p + vd::kRootRecord, *s.root, h, s.created);
    p[vd::kFileStructureVersion] = 1;
}

}  // namespace

bool emitMetadata(IsoImage& s) {
    if (!s.layoutValid || !s.root) {
        s.errorCode = kErrorNoLayout;
        return false;
    }
    const ImageLayout& l = s.layout;
    s.metadata.assign(static_cast<std::size_t>(l.firstDataSector) * kSectorSize, 0);
    std::uint8_t* base = s.metadata.data();
    auto sector = [&](std::uint32_t n) { return base + static_cast<std::size_t>(n) * kSectorSize; };

    Hierarchy iso{false, s.sessionStart + l.isoDirStart};
    Hierarchy joliet{true, s.sessionStart + l.jolietDirStart};
    putDescriptor(sector(16), s, iso);
    putDescriptor(sector(17), s, joliet);
    std::uint8_t* term = sector(18);
    term[0] = 255;
    putBytes(term + 1, "CD001");
    term[6] = 1;

    putPathTable(sector(l.isoLTable), s, iso, false);
    putPathTable(sector(l.isoMTable), s, iso, true);
    putPathTable(sector(l.jolietLTable), s, joliet, false);
    putPathTable(sector(l.jolietMTable), s, joliet, true);

    std::uint32_t dataStart = s.sessionStart + l.firstDataSector;
    for (auto& d : s.dirs) {
        putDirectory(sector(l.isoDirStart + d->isoSector), *d, iso, dataStart, s.created);
        putDirectory(sector(l.jolietDirStart + d->jolietSector), *d, joliet, dataStart, s.created);
    }
    return true;
}

}  // namespace rondivo::burn
