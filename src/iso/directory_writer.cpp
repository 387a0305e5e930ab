// A hierarchy's directories (ECMA-119 §9.1, §6.8.1), in creation order, and
// for the primary one with Rock Ridge the continuation areas after them.
#include "iso/hierarchy_writers.h"
#include "iso/iso_names.h"
#include "iso/rock_ridge.h"

namespace rondivo::iso {

namespace {

constexpr std::uint32_t kDotRecordBytes = 34;  // "." or "..", without System Use

struct RecordShape {
    std::uint32_t length = 0;
    SystemUseSplit systemUse;
};

std::uint32_t subdirectories(const ImageDir& dir) {
    std::uint32_t n = 0;
    for (const ImageEntry* e : dir.children) n += e->dir != nullptr;
    return n;
}

// A file's name without its ";1"; a folder's as it is.
std::u16string_view rockRidgeName(const ImageEntry& e) {
    std::u16string_view name(e.jolietName);
    if (!e.dir && name.size() >= 2) name.remove_suffix(2);
    return name;
}

// ECMA-119 §9.1 without the identifier.
void putRecord(std::uint8_t* p, std::uint32_t length, std::uint32_t extent, std::uint32_t size,
               const ImageTime& time, std::uint8_t flags) {
    put711(p, static_cast<std::uint8_t>(length));
    put733(p + 2, extent);
    put733(p + 10, size);
    putRecordingDate(p + 18, time);
    p[25] = flags;
    put723(p + 28, 1);
}

class DirectoryWriter : public VolumeWriter {
  public:
    DirectoryWriter(std::shared_ptr<const Hierarchy> h, bool rockRidge)
        : h_(std::move(h)), rockRidge_(rockRidge) {}

    void computeBlocks(IsoImage& s, std::uint64_t& next) const override {
        const HierarchyFields& f = h_->fields();
        ContinuationAreas areas(0);
        s.layout.*f.dirStart = static_cast<std::uint32_t>(next);
        std::uint64_t running = 0;
        for (auto& d : s.dirs) {
            d.get()->*f.sector = static_cast<std::uint32_t>(running);
            d.get()->*f.size = directoryBytes(s, *d, areas);
            running += (d.get()->*f.size) / kSectorSize;
        }
        s.layout.*f.dirSectors = static_cast<std::uint32_t>(running);
        next += running;
        if (rockRidge_) {
            s.layout.rockRidgeStart = static_cast<std::uint32_t>(next);
            s.layout.rockRidgeSectors = areas.sectors();
            next += areas.sectors();
        }
    }

    void writeData(const IsoImage& s, std::uint8_t* metadata) const override {
        const HierarchyFields& f = h_->fields();
        ContinuationAreas areas(s.layout.rockRidgeStart);
        for (auto& d : s.dirs)
            writeDirectory(s, *d, metadata,
                           sectorAt(metadata, s.layout.*f.dirStart + d.get()->*f.sector), areas);
    }

  private:
    RecordShape dotShape(bool volumeRoot) const {
        if (!rockRidge_) return {kDotRecordBytes, {}};
        SystemUseSplit su = splitSystemUse(volumeRoot, 0, kMaxRecordLength - kDotRecordBytes);
        return {kDotRecordBytes + su.inRecord, su};
    }

    RecordShape childShape(const ImageEntry& e) const {
        const std::uint32_t base = identifierRecordLength(h_->recordNameBytes(e));
        if (!rockRidge_) return {base, {}};
        SystemUseSplit su =
            splitSystemUse(false, utf8Bytes(rockRidgeName(e)), kMaxRecordLength - base);
        return {base + su.inRecord, su};
    }

    // Bytes the directory takes (whole sectors): a record that does not fit
    // in the rest of a sector starts the next. Places its continuation areas.
    std::uint32_t directoryBytes(const IsoImage& s, const ImageDir& dir,
                                 ContinuationAreas& areas) const {
        const RecordShape self = dotShape(&dir == s.root);
        if (self.systemUse.continued) areas.place(self.systemUse.continued);
        std::uint64_t used = self.length + dotShape(false).length;
        std::uint64_t free = kSectorSize - used;
        for (const ImageEntry* child : dir.children) {
            const RecordShape r = childShape(*child);
            if (r.systemUse.continued) areas.place(r.systemUse.continued);
            if (r.length > free) {
                used += free + r.length;
                free = kSectorSize - r.length;
            } else {
                used += r.length;
                free -= r.length;
            }
        }
        return static_cast<std::uint32_t>(sectorsFor(used + free) * kSectorSize);
    }

    void putRockRidgeOf(std::uint8_t* record, const RecordShape& shape, std::uint32_t nameBytes,
                        const RockRidgeRecord& rr, const IsoImage& s, std::uint8_t* metadata,
                        ContinuationAreas& areas) const {
        ContinuationPlace at;
        std::uint8_t* continuation = nullptr;
        if (shape.systemUse.continued) {
            at = areas.place(shape.systemUse.continued);
            continuation = sectorAt(metadata, at.sector) + at.offset;
            at.sector += s.sessionStart;
        }
        putRockRidge(record + identifierRecordLength(nameBytes), continuation, rr, shape.systemUse,
                     at);
    }

    void writeDirectory(const IsoImage& s, const ImageDir& dir, std::uint8_t* metadata,
                        std::uint8_t* out, ContinuationAreas& areas) const {
        const HierarchyFields& f = h_->fields();
        const std::uint32_t dirStart = s.sessionStart + s.layout.*f.dirStart;
        const std::uint32_t dataStart = s.sessionStart + s.layout.firstDataSector;
        auto extentOf = [&](const ImageDir& d) { return dirStart + d.*f.sector; };

        // "." and "..": identifiers 0 and 1, the image's own date.
        const ImageDir* dots[2] = {&dir, dir.parent};
        std::size_t pos = 0;
        for (std::uint8_t id = 0; id < 2; ++id) {
            const RecordShape shape = dotShape(id == 0 && &dir == s.root);
            std::uint8_t* p = out + pos;
            putRecord(p, shape.length, extentOf(*dots[id]), dots[id]->*f.size, s.created, 2);
            p[32] = 1;
            p[33] = id;
            if (rockRidge_) {
                RockRidgeRecord rr{kModeDirectory,
                                   2 + subdirectories(*dots[id]),
                                   &s.created,
                                   {},
                                   id == 0 && &dir == s.root};
                putRockRidgeOf(p, shape, 1, rr, s, metadata, areas);
            }
            pos += shape.length;
        }
        std::string name;
        for (const ImageEntry* e : dir.children) {
            const RecordShape shape = childShape(*e);
            const std::size_t room = kSectorSize - pos % kSectorSize;
            if (shape.length > room) pos += room;  // the rest of the sector stays zero
            std::uint8_t* p = out + pos;
            const std::uint8_t hidden = (e->attributes & kAttributeHidden) ? 1 : 0;
            if (e->dir)
                putRecord(p, shape.length, extentOf(*e->dir), e->dir->*f.size, e->time,
                          static_cast<std::uint8_t>(hidden | 2));
            else
                putRecord(p, shape.length, e->size ? dataStart + e->dataSector : 0,
                          static_cast<std::uint32_t>(e->size), e->time, hidden);
            const std::size_t nameBytes = h_->recordNameBytes(*e);
            put711(p + 32, static_cast<std::uint8_t>(nameBytes));
            h_->putRecordName(p + 33, *e);
            if (rockRidge_) {
                name = utf16ToUtf8(rockRidgeName(*e));
                RockRidgeRecord rr{
                    e->dir ? kModeDirectory : (e->executable ? kModeExecutable : kModeFile),
                    e->dir ? 2 + subdirectories(*e->dir) : 1, &e->time, name, false};
                putRockRidgeOf(p, shape, static_cast<std::uint32_t>(nameBytes), rr, s, metadata,
                               areas);
            }
            pos += shape.length;
        }
    }

    std::shared_ptr<const Hierarchy> h_;
    bool rockRidge_;
};

}  // namespace

std::unique_ptr<VolumeWriter> directoryWriter(std::shared_ptr<const Hierarchy> hierarchy,
                                              bool rockRidge) {
    return std::make_unique<DirectoryWriter>(std::move(hierarchy), rockRidge);
}

}  // namespace rondivo::iso
