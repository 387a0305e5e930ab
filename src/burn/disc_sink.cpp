#include "burn/disc_sink.h"

#include <ctime>
#include <span>

#include "burn/drive_operations.h"
#include "iso/iso_bytes.h"
#include "platform/file_io.h"

namespace rondivo::burn {

UtcTime currentUtcTime() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    platform::utcTime(now, t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

DiscSink::DiscSink(DriveState& state, std::uint32_t volumeSectors, Sleeper sleep, UtcClock clock)
    : state_(state),
      volumeSectors_(volumeSectors),
      sleep_(std::move(sleep)),
      clock_(std::move(clock)) {}

bool DiscSink::setup() {
    setup_ = prepareForWriting(state_, volumeSectors_, clock_(), sleep_);
    sector_ = setup_.writeStart;
    countdown_ = 2;
    return true;
}

bool DiscSink::writeBlock(const std::uint8_t* data, std::size_t bytes) {
    const auto blocks = static_cast<std::uint16_t>(bytes / kSectorSize);
    if (writeWithRetry(state_, sector_, blocks, std::span(data, bytes), sleep_) !=
        WriteOutcome::Written) {
        message_ = "The drive refused to write sector " + std::to_string(sector_) + ".";
        sleep_(std::chrono::milliseconds(100));
        return false;
    }
    if (--countdown_ < 0 && state_.mediaType != kMediaDvdRam) {
        readBufferCapacity(state_);
        countdown_ = 5;
    }
    sector_ += blocks;
    return true;
}

bool DiscSink::finish(bool /*failed*/) {
    // A failed burn still closes what was written and unlocks the tray, so the
    // disc can be taken out and the drive is usable again.
    closeMedium(state_, setup_.completeSessions, sleep_);
    finishTray(state_);
    return true;
}

}  // namespace rondivo::burn
