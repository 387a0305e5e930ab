// A hierarchy's volume descriptor (ECMA-119 §8.4, §8.5) and its path
// tables (§9.4), L-table then M-table.
#include <cstdio>

#include "iso/hierarchy_writers.h"
#include "iso/iso_metadata.h"

namespace rondivo::iso {

namespace {

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

class PathTableWriter : public VolumeWriter {
  public:
    explicit PathTableWriter(std::shared_ptr<const Hierarchy> h) : h_(std::move(h)) {}

    std::uint32_t descriptorCount() const override { return 1; }

    void computeBlocks(IsoImage& s, std::uint64_t& next) const override {
        const HierarchyFields& f = h_->fields();
        std::uint64_t bytes = 10;  // the root's entry
        for (std::size_t i = 1; i < s.pathTable.size(); ++i) {
            const std::size_t n = h_->tableNameBytes(*s.pathTable[i]);
            bytes += 8 + n + (n % 2);
        }
        s.layout.*f.pathTableBytes = static_cast<std::uint32_t>(bytes);
        s.layout.*f.lTable = static_cast<std::uint32_t>(next);
        next += sectorsFor(bytes);
        s.layout.*f.mTable = static_cast<std::uint32_t>(next);
        next += sectorsFor(bytes);
    }

    void writeDescriptors(const IsoImage& s, std::uint8_t* p) const override {
        const HierarchyFields& f = h_->fields();
        const ImageLayout& l = s.layout;
        h_->putDescriptorIdentity(p, s);
        putBytes(p + vd::kStandardId, "CD001");
        p[vd::kVersion] = 1;
        putVolumeDate(p + vd::kCreationDate, &s.created);
        putVolumeDate(p + vd::kModificationDate, &s.created);
        putVolumeDate(p + vd::kExpirationDate, nullptr);
        putVolumeDate(p + vd::kEffectiveDate, nullptr);
        put733(p + vd::kVolumeSpaceSize, l.volumeSize);
        put723(p + vd::kVolumeSetSize, 1);
        put723(p + vd::kVolumeSequence, 1);
        put723(p + vd::kBlockSize, kSectorSize);
        put733(p + vd::kPathTableSize, l.*f.pathTableBytes);
        put731(p + vd::kLTable, s.sessionStart + l.*f.lTable);
        put732(p + vd::kMTable, s.sessionStart + l.*f.mTable);
        // The root record carries the image's own date: a zero date is month
        // 0, which readers show as 1899 or 1900.
        std::uint8_t* root = p + vd::kRootRecord;
        put711(root, 34);
        put733(root + 2, s.sessionStart + l.*f.dirStart + s.root->*f.sector);
        put733(root + 10, s.root->*f.size);
        putRecordingDate(root + 18, s.created);
        root[25] = 2;
        put723(root + 28, 1);
        root[32] = 1;
        p[vd::kFileStructureVersion] = 1;
    }

    void writeData(const IsoImage& s, std::uint8_t* metadata) const override {
        const ImageLayout& l = s.layout;
        putTable(s, sectorAt(metadata, l.*h_->fields().lTable), false);
        putTable(s, sectorAt(metadata, l.*h_->fields().mTable), true);
    }

  private:
    void putTable(const IsoImage& s, std::uint8_t* out, bool bigEndian) const {
        const HierarchyFields& f = h_->fields();
        const std::uint32_t dirStart = s.sessionStart + s.layout.*f.dirStart;
        std::size_t pos = 0;
        for (const ImageDir* d : s.pathTable) {
            std::uint8_t* p = out + pos;
            const bool root = d == s.root;
            const std::size_t n = root ? 1 : h_->tableNameBytes(*d);
            p[0] = static_cast<std::uint8_t>(n);
            if (bigEndian) {
                put732(p + 2, dirStart + d->*f.sector);
                put722(p + 6, d->parent->number);
            } else {
                put731(p + 2, dirStart + d->*f.sector);
                put721(p + 6, d->parent->number);
            }
            if (!root) h_->putTableName(p + 8, *d);
            pos += 8 + n + (n % 2);
        }
    }

    std::shared_ptr<const Hierarchy> h_;
};

}  // namespace

std::unique_ptr<VolumeWriter> pathTableWriter(std::shared_ptr<const Hierarchy> hierarchy) {
    return std::make_unique<PathTableWriter>(std::move(hierarchy));
}

}  // namespace rondivo::iso
