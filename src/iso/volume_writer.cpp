#include "iso/volume_writer.h"

#include "iso/hierarchy_writers.h"

namespace rondivo::iso {

namespace {

// The file data: zeros up to sector 150 first (the metadata is padded so),
// then each non-empty file in creation order, whole sectors each. The bytes
// come from the files themselves as the image is streamed (image_source.h).
class FileDataWriter : public VolumeWriter {
  public:
    void computeBlocks(IsoImage& s, std::uint64_t& next) const override {
        ImageLayout& l = s.layout;
        if (next < kFirstDataSectorMinimum) {
            l.paddingSectors = static_cast<std::uint32_t>(kFirstDataSectorMinimum - next);
            next = kFirstDataSectorMinimum;
        }
        l.firstDataSector = static_cast<std::uint32_t>(next);
        std::uint64_t running = 0;
        for (auto& e : s.entries) {
            e->dataSector = 0;
            if (e->dir || e->size == 0) continue;
            e->dataSector = static_cast<std::uint32_t>(running);
            running += sectorsFor(e->size);
        }
        // Checked by the caller against 32-bit sector numbers.
        l.dataSectors = running > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(running);
        next += running;
    }
};

}  // namespace

std::vector<std::unique_ptr<VolumeWriter>> imageWriters(const IsoImage& image) {
    std::shared_ptr<const Hierarchy> primary = ecma119Hierarchy();
    std::shared_ptr<const Hierarchy> joliet = jolietHierarchy();
    std::vector<std::unique_ptr<VolumeWriter>> writers;
    writers.push_back(pathTableWriter(primary));
    writers.push_back(pathTableWriter(joliet));
    writers.push_back(directoryWriter(primary, image.rockRidge));
    writers.push_back(directoryWriter(joliet, false));
    writers.push_back(std::make_unique<FileDataWriter>());
    return writers;
}

}  // namespace rondivo::iso
