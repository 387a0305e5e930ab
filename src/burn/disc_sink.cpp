#include "burn/disc_sink.h"

#include <algorithm>
#include <ctime>
#include <span>
#include <vector>

#include "burn/drive_operations.h"
#include "iso/iso_bytes.h"
#include "platform/file_io.h"

namespace rondivo::burn {

scsi::UtcTime currentUtcTime() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    platform::utcTime(now, t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

DiscSink::DiscSink(DriveState& state, const BurnPlan& plan, std::uint32_t volumeSectors,
                   Sleeper sleep, UtcClock clock)
    : state_(state),
      plan_(plan),
      volumeSectors_(volumeSectors),
      sleep_(std::move(sleep)),
      clock_(std::move(clock)) {}

bool DiscSink::setup() {
    sector_ = plan_.writeStart;
    countdown_ = 2;
    message_ = prepareForWriting(state_, plan_, volumeSectors_, clock_(), sleep_);
    prepared_ = message_.empty();
    return prepared_;
}

bool DiscSink::writeBlock(const std::uint8_t* data, std::size_t bytes) {
    if (state_.cancelRequested) {
        message_ = "The burn was cancelled.";
        return false;
    }
    return writeSectors(data, bytes);
}

bool DiscSink::writeSectors(const std::uint8_t* data, std::size_t bytes) {
    const auto blocks = static_cast<std::uint16_t>(bytes / iso::kSectorSize);
    if (writeWithRetry(state_, sector_, blocks, std::span(data, bytes), sleep_) !=
        WriteOutcome::Written) {
        message_ = "The drive refused to write sector " + std::to_string(sector_) + ": " +
                   failureText(state_) + ".";
        return false;
    }
    if (--countdown_ < 0 && state_.mediaType != scsi::MediaType::DvdRam) {
        readBufferCapacity(state_);
        countdown_ = 5;
    }
    sector_ += blocks;
    return true;
}

// Drives refuse to close a CD track shorter than the minimum, and take
// restricted overwrite and Blu-ray in whole blocks only.
bool DiscSink::padTrack() {
    if (sector_ == plan_.writeStart) return true;  // nothing written: nothing to fill
    static const std::vector<std::uint8_t> zeros(32u * iso::kSectorSize, 0);
    const std::uint32_t end =
        plan_.writeStart + writtenSectors(plan_.media, sector_ - plan_.writeStart);
    while (sector_ < end) {
        const auto n = static_cast<std::uint16_t>(std::min<std::uint32_t>(32, end - sector_));
        if (!writeSectors(zeros.data(), n * std::size_t{iso::kSectorSize})) return false;
    }
    return true;
}

bool DiscSink::finish(bool failed) {
    // A failed burn still closes what was written and unlocks the tray, so the
    // disc can be taken out and the drive is usable again.
    // A cancelled CD track is still filled to its minimum so that it can be closed.
    const bool padded = (!failed || state_.cancelRequested) && prepared_ && padTrack();
    bool ok = !failed && padded;
    std::string closeError;
    if (prepared_ && sector_ != plan_.writeStart) {
        closeError = closeMedium(state_, plan_, sleep_);
        if (ok && !closeError.empty()) {
            message_ = closeError;
            ok = false;
        }
    }
    finishTray(state_);
    // Cancelled or failed: say what the disc holds now. The handle goes back
    // at once; after a success it is kept for the eject.
    if (!ok) {
        afterword_ = discStateAfterFailure(plan_, sector_ - plan_.writeStart, closeError);
        endExclusiveUse(state_);
    }
    return ok || failed;
}

}  // namespace rondivo::burn
