// The Joliet hierarchy: the long names in UCS-2, big-endian, announced by a
// supplementary volume descriptor with the level-1 escape sequence.
#include "iso/hierarchy.h"
#include "iso/iso_bytes.h"
#include "iso/iso_metadata.h"

namespace rondivo::iso {

namespace {

class JolietHierarchy : public Hierarchy {
  public:
    const HierarchyFields& fields() const override {
        static const HierarchyFields f{&ImageLayout::jolietPathTableBytes,
                                       &ImageLayout::jolietLTable,
                                       &ImageLayout::jolietMTable,
                                       &ImageLayout::jolietDirStart,
                                       &ImageLayout::jolietDirSectors,
                                       &ImageDir::jolietSector,
                                       &ImageDir::jolietSize};
        return f;
    }
    void putDescriptorIdentity(std::uint8_t* p, const IsoImage& image) const override {
        p[vd::kType] = 2;
        putUcs2(p + vd::kVolumeId, jolietVolumeIdentifier(image));
        p[vd::kEscapes] = 0x25;
        p[vd::kEscapes + 1] = 0x2F;
        p[vd::kEscapes + 2] = 0x40;
    }
    std::size_t tableNameBytes(const ImageDir& dir) const override {
        return 2 * dir.longName.size();
    }
    void putTableName(std::uint8_t* p, const ImageDir& dir) const override {
        putUcs2(p, dir.longName);
    }
    std::size_t recordNameBytes(const ImageEntry& e) const override {
        return 2 * e.jolietName.size();
    }
    void putRecordName(std::uint8_t* p, const ImageEntry& e) const override {
        putUcs2(p, e.jolietName);
    }
};

}  // namespace

std::unique_ptr<Hierarchy> jolietHierarchy() {
    return std::make_unique<JolietHierarchy>();
}

}  // namespace rondivo::iso
