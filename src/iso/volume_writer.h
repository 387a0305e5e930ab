#pragma once
// The image is made by a list of writers, one per structure on the medium,
// in the order their sectors follow each other. Laying out runs every
// writer's computeBlocks; emitting the metadata runs every writer's
// writeDescriptors (from sector 16 on, in list order, then the terminator)
// and writeData. Writers keep their results in the image (ImageLayout and
// the directories), so the list can be made again for each phase. A further
// file system or structure is a further writer, not edits across the layout.
#include <cstdint>
#include <memory>
#include <vector>

#include "iso/iso_bytes.h"
#include "iso/iso_image.h"

namespace rondivo::iso {

class VolumeWriter {
  public:
    virtual ~VolumeWriter() = default;
    // Volume descriptors this writer puts before the set terminator.
    virtual std::uint32_t descriptorCount() const { return 0; }
    // Gives the writer's structures the sectors from `next` on and moves
    // `next` past them.
    virtual void computeBlocks(IsoImage& image, std::uint64_t& next) const = 0;
    // `descriptors` points at the first of descriptorCount() sectors.
    virtual void writeDescriptors(const IsoImage&, std::uint8_t* /*descriptors*/) const {}
    // `metadata` is the whole metadata buffer (sector 0 at its start).
    virtual void writeData(const IsoImage&, std::uint8_t* /*metadata*/) const {}
};

// The writers of an image, in sector order: the ISO 9660 (with Rock Ridge
// when image.rockRidge) and Joliet path tables and directories, then the
// file data.
std::vector<std::unique_ptr<VolumeWriter>> imageWriters(const IsoImage& image);

inline std::uint8_t* sectorAt(std::uint8_t* metadata, std::uint64_t sector) {
    return metadata + static_cast<std::size_t>(sector) * kSectorSize;
}

}  // namespace rondivo::iso
