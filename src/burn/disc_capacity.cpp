#include "burn/disc_capacity.h"

#include <cmath>

#include "burn/drive_operations.h"

namespace rondivo::burn {

namespace {

std::uint32_t roundUp(std::uint32_t n, std::uint32_t unit) {
    return (n + unit - 1) / unit * unit;
}

bool isBluRay(MediaType m) {
    return m == kMediaBdR || m == kMediaBdRe;
}

long megabytes(std::uint32_t sectors) {
    return std::lround(sectors * 2048.0 / (1024.0 * 1024.0));
}

}  // namespace

std::uint32_t writtenSectors(MediaType media, std::uint32_t sectors) {
    if (media == kMediaCdR || media == kMediaCdRw) return std::max(sectors, kMinimumCdTrack);
    if (media == kMediaDvdRwRestricted) return roundUp(sectors, 16);
    if (isBluRay(media)) return roundUp(sectors, 32);
    return sectors;
}

bool isDoubleLayer(MediaType media, std::uint32_t discEnd) {
    if (media == kMediaDvdRDl || media == kMediaDvdPlusRDl) return true;
    return media == kMediaBdR && discEnd > kSingleLayerBdLimit;
}

std::string sizesText(std::uint32_t needed, std::uint32_t available, const char* holder) {
    const long a = megabytes(needed), b = megabytes(available);
    // Megabytes alone would not tell them apart: say the sectors too.
    const bool exact = a == b || a < 10 || b < 10;
    std::string text = "the image needs " + std::to_string(a) + " MB";
    if (exact) text += " (" + std::to_string(needed) + " sectors)";
    text += ", " + std::string(holder) + " holds " + std::to_string(b) + " MB";
    if (exact) text += " (" + std::to_string(available) + " sectors)";
    return text;
}

std::optional<std::uint32_t> formattedCapacity(DriveState& state,
                                               std::optional<std::uint8_t> formatType) {
    FormatCapacities caps;
    if (!readFormatCapacities(state, caps)) return std::nullopt;
    if (formatType) {
        if (const auto* d = caps.find(*formatType)) return d->blocks;
    }
    return caps.currentBlocks;
}

std::optional<std::uint32_t> atipCapacity(DriveState& state) {
    if (!readAtip(state)) return std::nullopt;
    // Bytes 12-14 of the answer: last possible lead-out start, minutes, seconds, frames.
    const auto* a = state.data.data();
    const int frames = (a[12] * 60 + a[13]) * 75 + a[14] - 150;
    if (frames <= 0) return std::nullopt;
    return static_cast<std::uint32_t>(frames);
}

}  // namespace rondivo::burn
