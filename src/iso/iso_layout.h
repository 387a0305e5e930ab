#pragma once
// Assigns every sector of the image: descriptors, path tables, the two
// directory hierarchies, padding and file data.
#include <cstdint>
#include <iosfwd>

#include "iso/iso_image.h"

namespace rondivo::burn {

// ECMA-119 §9.1: 33 bytes plus the identifier, padded to an even length.
inline std::uint32_t isoRecordLength(std::size_t nameBytes) {
    return static_cast<std::uint32_t>(33 + nameBytes + (nameBytes % 2 == 0 ? 1 : 0));
}
inline std::uint32_t jolietRecordLength(std::size_t nameChars) {
    return static_cast<std::uint32_t>(34 + 2 * nameChars);
}

// Bytes a directory takes (whole sectors): "." and "..", then one record per
// child; a record that does not fit in the rest of a sector starts the next.
std::uint32_t isoDirectoryBytes(const ImageDir& dir);
std::uint32_t jolietDirectoryBytes(const ImageDir& dir);

// Orders session.pathTable (root first, then by parent number and long name)
// and numbers the directories. Writes "failed to sort path table\a" to
// `log` when the order does not settle.
void orderPathTable(IsoImage& session, std::ostream& log);

// Lays out the image and returns the volume size in sectors, or 0 when the
// tree holds a refusal or does not fit in 32-bit sector numbers.
std::uint32_t computeLayout(IsoImage& session);

}  // namespace rondivo::burn
