#pragma once
// Assigns every sector of the image: the descriptors, then each writer's
// structures in turn (volume_writer.h).
#include <cstdint>
#include <iosfwd>

#include "iso/iso_image.h"

namespace rondivo::iso {

// Orders session.pathTable (root first, then by parent number and long name)
// and numbers the directories. Writes "failed to sort path table\a" to
// `log` when the order does not settle.
void orderPathTable(IsoImage& session, std::ostream& log);

// Lays out the image and returns the volume size in sectors, or 0 when the
// tree holds a refusal or does not fit in 32-bit sector numbers.
std::uint32_t computeLayout(IsoImage& session);

}  // namespace rondivo::iso
