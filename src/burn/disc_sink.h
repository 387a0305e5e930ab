#pragma once
// The image stream written to a recordable disc: the writer thread's setup,
// block writes and closing run the drive sequences on the engine's drive.
#include <cstdint>
#include <functional>
#include <string>

#include "burn/drive_sequences.h"
#include "burn/image_sink.h"

namespace rondivo::burn {

// The UTC time stamped on a DVD-R; a seam for tests.
using UtcClock = std::function<scsi::UtcTime()>;
scsi::UtcTime currentUtcTime();

class DiscSink : public ImageSink {
  public:
    // `state` must have its drive selected and its media type determined; it
    // belongs to the writer thread until finish() has returned.
    DiscSink(DriveState& state, const BurnPlan& plan, std::uint32_t volumeSectors,
             Sleeper sleep = sleepFor, UtcClock clock = currentUtcTime);

    bool setup() override;
    bool writeBlock(const std::uint8_t* data, std::size_t bytes) override;
    bool finish(bool failed) override;
    std::string message() const override { return message_; }
    std::string afterword() const override { return afterword_; }

    std::uint32_t nextSector() const { return sector_; }

  private:
    // Fills the last track to the size the medium takes (a CD track's
    // minimum, whole ECC blocks or clusters) with zeros.
    bool padTrack();
    bool writeSectors(const std::uint8_t* data, std::size_t bytes);

    DriveState& state_;
    BurnPlan plan_;
    std::uint32_t volumeSectors_;
    Sleeper sleep_;
    UtcClock clock_;
    bool prepared_ = false;
    std::uint32_t sector_ = 0;
    // Blocks until the next READ BUFFER CAPACITY: it keeps some drives from
    // stalling when their buffer runs low.
    int countdown_ = 2;
    std::string message_;
    std::string afterword_;
};

}  // namespace rondivo::burn
