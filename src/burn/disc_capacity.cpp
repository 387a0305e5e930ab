#include "burn/disc_capacity.h"

#include <cmath>

#include "burn/drive_operations.h"
#include "burn/medium.h"

namespace rondivo::burn {

namespace {

long megabytes(std::uint32_t sectors) {
    return std::lround(sectors * 2048.0 / (1024.0 * 1024.0));
}

}  // namespace

std::uint32_t writtenSectors(scsi::MediaType media, std::uint32_t sectors) {
    const auto medium = writableMedium(media);
    if (!medium) return sectors;
    return std::visit([&](auto m) { return writtenSectors(m, sectors); }, *medium);
}

bool isDoubleLayer(scsi::MediaType media, std::uint32_t discEnd) {
    const auto medium = writableMedium(media);
    return medium && std::visit([&](auto m) { return isDoubleLayer(m, discEnd); }, *medium);
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
    scsi::FormatCapacities caps;
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
