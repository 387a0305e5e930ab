#pragma once
// One directory hierarchy over the image's tree: the primary one with ISO
// 9660 names and the Joliet one with the long names. Both share the tree and
// the file data; they differ in their descriptor, their identifiers and
// where their results are kept. The writers of path tables and directories
// (hierarchy_writers.h) work over either.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "iso/iso_image.h"

namespace rondivo::iso {

// Where a hierarchy keeps its layout results.
struct HierarchyFields {
    std::uint32_t ImageLayout::*pathTableBytes;
    std::uint32_t ImageLayout::*lTable;
    std::uint32_t ImageLayout::*mTable;
    std::uint32_t ImageLayout::*dirStart;
    std::uint32_t ImageLayout::*dirSectors;
    std::uint32_t ImageDir::*sector;  // relative to dirStart
    std::uint32_t ImageDir::*size;    // bytes, whole sectors
};

class Hierarchy {
  public:
    virtual ~Hierarchy() = default;
    virtual const HierarchyFields& fields() const = 0;
    // The descriptor type and the fields only this hierarchy's descriptor
    // has (the volume identifier, Joliet's escape sequence).
    virtual void putDescriptorIdentity(std::uint8_t* descriptor, const IsoImage& image) const = 0;
    // A directory's identifier in the path tables (not the root's).
    virtual std::size_t tableNameBytes(const ImageDir& dir) const = 0;
    virtual void putTableName(std::uint8_t* p, const ImageDir& dir) const = 0;
    // A child's identifier in its directory record.
    virtual std::size_t recordNameBytes(const ImageEntry& entry) const = 0;
    virtual void putRecordName(std::uint8_t* p, const ImageEntry& entry) const = 0;
};

std::unique_ptr<Hierarchy> ecma119Hierarchy();
std::unique_ptr<Hierarchy> jolietHierarchy();

// ECMA-119 §9.1: 33 bytes plus the identifier, padded to an even length.
inline std::uint32_t identifierRecordLength(std::size_t nameBytes) {
    return static_cast<std::uint32_t>(33 + nameBytes + (nameBytes % 2 == 0 ? 1 : 0));
}

}  // namespace rondivo::iso

namespace rondivo::iso {

// ECMA-119 §9.1.5: the seven-byte recording date of a directory record.
inline void putRecordingDate(std::uint8_t* p, const ImageTime& t) {
    p[0] = static_cast<std::uint8_t>(t.year - 1900);
    p[1] = static_cast<std::uint8_t>(t.month);
    p[2] = static_cast<std::uint8_t>(t.day);
    p[3] = static_cast<std::uint8_t>(t.hour);
    p[4] = static_cast<std::uint8_t>(t.minute);
    p[5] = static_cast<std::uint8_t>(t.second);
    p[6] = static_cast<std::uint8_t>(t.gmtOffset);
}

}  // namespace rondivo::iso
