#include "iso/iso_metadata.h"

#include "iso/iso_bytes.h"
#include "iso/volume_writer.h"

namespace rondivo::iso {

bool emitMetadata(IsoImage& s) {
    if (!s.layoutValid || !s.root) {
        s.errorCode = kErrorNoLayout;
        return false;
    }
    s.metadata.assign(static_cast<std::size_t>(s.layout.firstDataSector) * kSectorSize, 0);
    std::uint8_t* base = s.metadata.data();
    const auto writers = imageWriters(s);
    std::uint64_t descriptor = 16;  // after the system area
    for (const auto& w : writers) {
        w->writeDescriptors(s, sectorAt(base, descriptor));
        descriptor += w->descriptorCount();
    }
    std::uint8_t* term = sectorAt(base, descriptor);
    term[vd::kType] = 255;
    putBytes(term + vd::kStandardId, "CD001");
    term[vd::kVersion] = 1;
    for (const auto& w : writers) w->writeData(s, base);
    return true;
}

}  // namespace rondivo::iso
