#pragma once
// The metadata of a laid-out image: the system area, each writer's volume
// descriptors, the terminator and each writer's structures (ECMA-119 §8,
// §9; Joliet; Rock Ridge), into session.metadata.
#include "iso/iso_image.h"

namespace rondivo::iso {

// Fills session.metadata (first data sector × 2048 bytes). Returns false and
// sets error code 1 when the layout is not valid.
bool emitMetadata(IsoImage& session);

// Byte offsets inside a volume descriptor (ECMA-119 §8.4).
namespace vd {
inline constexpr std::size_t kType = 0;
inline constexpr std::size_t kStandardId = 1;
inline constexpr std::size_t kVersion = 6;
inline constexpr std::size_t kVolumeId = 40;
inline constexpr std::size_t kVolumeSpaceSize = 80;
inline constexpr std::size_t kEscapes = 88;
inline constexpr std::size_t kVolumeSetSize = 120;
inline constexpr std::size_t kVolumeSequence = 124;
inline constexpr std::size_t kBlockSize = 128;
inline constexpr std::size_t kPathTableSize = 132;
inline constexpr std::size_t kLTable = 140;
inline constexpr std::size_t kMTable = 148;
inline constexpr std::size_t kRootRecord = 156;
// Four dates of 17 bytes: "YYYYMMDDHHMMSScc" and the offset from GMT.
inline constexpr std::size_t kCreationDate = 813;
inline constexpr std::size_t kModificationDate = 830;
inline constexpr std::size_t kExpirationDate = 847;
inline constexpr std::size_t kEffectiveDate = 864;
inline constexpr std::size_t kFileStructureVersion = 881;
static_assert(kRootRecord + 34 == 190, "root record ends where the identifiers begin");
}  // namespace vd

}  // namespace rondivo::iso
