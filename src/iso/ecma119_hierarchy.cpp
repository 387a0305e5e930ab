// The primary hierarchy: upper-case 8.3 names (ECMA-119 §7.5, §7.6).
#include "iso/hierarchy.h"
#include "iso/iso_bytes.h"
#include "iso/iso_metadata.h"

namespace rondivo::iso {

namespace {

class Ecma119Hierarchy : public Hierarchy {
  public:
    const HierarchyFields& fields() const override {
        static const HierarchyFields f{&ImageLayout::isoPathTableBytes,
                                       &ImageLayout::isoLTable,
                                       &ImageLayout::isoMTable,
                                       &ImageLayout::isoDirStart,
                                       &ImageLayout::isoDirSectors,
                                       &ImageDir::isoSector,
                                       &ImageDir::isoSize};
        return f;
    }
    void putDescriptorIdentity(std::uint8_t* p, const IsoImage& image) const override {
        p[vd::kType] = 1;
        putBytes(p + vd::kVolumeId, volumeIdentifier(image));
    }
    std::size_t tableNameBytes(const ImageDir& dir) const override { return dir.isoName.size(); }
    void putTableName(std::uint8_t* p, const ImageDir& dir) const override {
        putBytes(p, dir.isoName);
    }
    std::size_t recordNameBytes(const ImageEntry& e) const override { return e.isoName.size(); }
    void putRecordName(std::uint8_t* p, const ImageEntry& e) const override {
        putBytes(p, e.isoName);
    }
};

}  // namespace

std::unique_ptr<Hierarchy> ecma119Hierarchy() {
    return std::make_unique<Ecma119Hierarchy>();
}

}  // namespace rondivo::iso
