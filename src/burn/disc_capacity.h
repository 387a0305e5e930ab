#pragma once
// How much an image takes on a disc and how much the disc can hold, read from
// the drive before anything is written, blanked or formatted.
#include <cstdint>
#include <optional>
#include <string>

#include "burn/drive_state.h"

namespace rondivo::burn {

// A CD track holds at least this many sectors.
inline constexpr std::uint32_t kMinimumCdTrack = 300;
// A single-layer BD-R holds 12,219,392 sectors; more than this is two layers.
inline constexpr std::uint32_t kSingleLayerBdLimit = 13000000;

// Sectors the image takes on the medium as the engine writes it: a CD track of
// at least 300 sectors, whole ECC blocks (16 sectors) on restricted-overwrite
// DVD-RW, whole clusters (32 sectors) on Blu-ray.
std::uint32_t writtenSectors(scsi::MediaType media, std::uint32_t imageSectors);

// Whether the write-once disc has two layers, from its profile or its size.
bool isDoubleLayer(scsi::MediaType media, std::uint32_t discEnd);

// "the image needs 812 MB, the disc holds 703 MB"; with the sector counts when
// the megabytes alone would read the same or are too few to tell.
std::string sizesText(std::uint32_t needed, std::uint32_t available, const char* holder);

// Sectors a disc holds from its start, from READ FORMAT CAPACITIES: the
// descriptor of `formatType` when given and offered, else the current or
// maximum capacity. Nothing when the drive does not answer.
std::optional<std::uint32_t> formattedCapacity(DriveState& state,
                                               std::optional<std::uint8_t> formatType);

// The last possible lead-out start of a CD-R/RW from its ATIP, as a sector
// count; nothing when the drive gives no ATIP.
std::optional<std::uint32_t> atipCapacity(DriveState& state);

}  // namespace rondivo::burn
