#include "burn/drive_sequences.h"

namespace rondivo::burn {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::seconds kReadyLimit = 2min;
constexpr std::chrono::seconds kLongOperationLimit = 90min;

bool isErasable(MediaType m) {
    return m == kMediaCdRw || m == kMediaDvdRwSequential;
}
bool isOverwritable(MediaType m) {
    return m == kMediaDvdRam || m == kMediaDvdPlusRw || m == kMediaDvdRwRestricted;
}
bool isSequentialDvd(MediaType m) {
    return m == kMediaDvdR || m == kMediaDvdRwSequential;
}
bool isWritable(MediaType m) {
    return m == kMediaCdR || m == kMediaCdRw || m == kMediaDvdR || m == kMediaDvdRam ||
           m == kMediaDvdRwRestricted || m == kMediaDvdRwSequential || m == kMediaDvdPlusRw ||
           m == kMediaDvdPlusR;
}

std::string refused(const DriveState& state, const std::string& what) {
    return "The drive refused " + what + ": " + failureText(state) + ".";
}

// A used disc: appendable media take another session, the rest must be erased.
PlanOutcome checkUsedDisc(DriveState& state, BurnPlan& plan, std::string& message) {
    const auto& info = state.discInformation;
    const bool appendable = info.discStatus == 1;
    if (state.blankFirst && isErasable(plan.media)) {
        plan.erase = true;
        return PlanOutcome::Ready;
    }
    if (appendable) return PlanOutcome::Ready;
    if (isErasable(plan.media)) {
        message = "The disc in the drive is not blank and takes no more data. Erase it first.";
        return PlanOutcome::NeedsErasing;
    }
    message = "The disc in the drive is closed: nothing more can be written to it.";
    return PlanOutcome::Refused;
}

// Sequential DVD: one reserved track when the disc is finished in one go, else
// incremental packets with the link size the drive gives.
void chooseDvdWriteType(DriveState& state, BurnPlan& plan, bool blank) {
    if (blank && state.finalize) {
        plan.discAtOnce = true;
        return;
    }
    if (getConfiguration(state, 0x21, 64))
        plan.linkSize = incrementalLinkSize(std::span(state.data.data(), 64));
    if (!plan.linkSize && blank) plan.discAtOnce = true;
}

bool offersFormat(DriveState& state, std::uint8_t type, FormatDescriptor& out) {
    FormatCapacities caps;
    if (!readFormatCapacities(state, caps)) return false;
    const auto* d = caps.find(type);
    if (!d) return false;
    out = *d;
    return true;
}

}  // namespace

PlanOutcome planBurn(DriveState& state, BurnPlan& plan, std::string& message,
                     const Sleeper& sleep) {
    plan = BurnPlan{};
    message = waitForDrive(state, LongOperation::None, kReadyLimit, sleep);
    if (!message.empty()) return PlanOutcome::Refused;
    plan.media = DetermineMediaType(state);
    if (!isWritable(plan.media)) {
        message = "The disc in the drive cannot be written: it is not a recordable disc.";
        return PlanOutcome::Refused;
    }
    if (!readDiscInformation(state, 66)) {
        message = refused(state, "to describe the disc");
        return PlanOutcome::Refused;
    }
    plan.overwritable = isOverwritable(plan.media);
    bool blank = state.discInformation.discStatus == 0;
    if (!plan.overwritable && !blank) {
        const auto outcome = checkUsedDisc(state, plan, message);
        if (outcome != PlanOutcome::Ready) return outcome;
        blank = plan.erase;
    }
    FormatDescriptor quick;
    if (plan.media == kMediaDvdRwSequential && blank &&
        offersFormat(state, kFormatQuickRestricted, quick)) {
        plan.formatRestricted = plan.overwritable = true;
    }
    if (isSequentialDvd(plan.media) && !plan.overwritable) {
        chooseDvdWriteType(state, plan, blank);
        if (!plan.discAtOnce && !plan.linkSize) {
            message = "The drive does not say how to add a session to this disc.";
            return PlanOutcome::Refused;
        }
    }
    if (plan.overwritable || plan.erase) return PlanOutcome::Ready;
    const auto address = nextWritableAddress(state);
    if (!address) {
        message = "The drive reports no writable address on this disc.";
        return PlanOutcome::Refused;
    }
    plan.writeStart = *address;
    return PlanOutcome::Ready;
}

namespace {

std::string eraseDisc(DriveState& state, const Sleeper& sleep) {
    if (!blank(state)) return refused(state, "to erase the disc");
    return waitForDrive(state, LongOperation::Erasing, kLongOperationLimit, sleep);
}

std::string format(DriveState& state, const FormatDescriptor& d, const Sleeper& sleep) {
    if (!formatUnit(state, d)) return refused(state, "to format the disc");
    return waitForDrive(state, LongOperation::Formatting, kLongOperationLimit, sleep);
}

// Formatting a blank DVD+RW runs in the background once started; a suspended
// one is restarted the same way. Writes may go on while it runs.
std::string prepareDvdPlusRw(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    const auto status = state.discInformation.backgroundFormat;
    if (status == 2 || status == 3) return {};
    FormatDescriptor d{0xFFFFFFFF, kFormatDvdPlusRw, 0};
    return format(state, d, sleep);
}

std::string prepareFormats(DriveState& state, BurnPlan& plan, const Sleeper& sleep) {
    std::string error;
    if (plan.erase) error = eraseDisc(state, sleep);
    FormatDescriptor d;
    if (error.empty() && plan.formatRestricted) {
        if (!offersFormat(state, kFormatQuickRestricted, d))
            return refused(state, "to offer the quick format");
        error = format(state, d, sleep);
        if (error.empty()) plan.media = state.mediaType = kMediaDvdRwRestricted;
    } else if (error.empty() && plan.media == kMediaDvdRwRestricted &&
               offersFormat(state, kFormatGrowSession, d)) {
        error = format(state, d, sleep);
    } else if (error.empty() && plan.media == kMediaDvdPlusRw) {
        error = prepareDvdPlusRw(state, sleep);
    }
    return error;
}

// DVD+R ignores the page and random-access media do not use it.
bool takesWriteParameters(const BurnPlan& plan) {
    return !plan.overwritable && plan.media != kMediaDvdPlusR;
}

WriteSettings writeSettings(const DriveState& state, const BurnPlan& plan) {
    WriteSettings w;
    w.multiSession = state.finalize ? 0 : 3;
    if (plan.media == kMediaCdR || plan.media == kMediaCdRw) return w;  // track at once, mode 1
    w.trackMode = 5;
    if (plan.discAtOnce) {
        w.writeType = kWriteDiscAtOnce;
        w.multiSession = 0;
        return w;
    }
    w.writeType = kWriteIncremental;
    w.fixedPacket = true;
    w.packetSize = 16;
    w.linkSize = plan.linkSize;
    return w;
}

std::string prepareSequentialDvd(DriveState& state, const BurnPlan& plan,
                                 std::uint32_t volumeSectors, const UtcTime& now) {
    if (!setStreaming(state, dvdRStreamingDescriptor())) return refused(state, "the write speed");
    if (plan.media == kMediaDvdR && !sendDiscStructure(state, 0x0F, timestampStructure(now)))
        return refused(state, "the time stamp");
    if (plan.discAtOnce && !reserveTrack(state, volumeSectors))
        return refused(state, "to reserve the track");
    return {};
}

}  // namespace

std::string prepareForWriting(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                              const UtcTime& now, const Sleeper& sleep) {
    state.releaseHandle = false;
    preventMediumRemoval(state);
    std::string error = prepareFormats(state, plan, sleep);
    if (!error.empty()) return error;
    if (takesWriteParameters(plan) && !sendWriteParameters(state, writeSettings(state, plan)))
        return refused(state, "the write parameters");
    // Drives without a choice of speed refuse it; that costs nothing.
    setCdSpeed(state, 0, state.writeSpeed);
    if (!plan.overwritable) {
        const auto address = nextWritableAddress(state);
        if (!address || *address != plan.writeStart)
            return "The drive's next writable address is not the one the image was built for.";
    }
    if (isSequentialDvd(plan.media) && !plan.overwritable)
        return prepareSequentialDvd(state, plan, volumeSectors, now);
    return {};
}

WriteOutcome writeWithRetry(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
                            std::span<const std::uint8_t> data, const Sleeper& sleep) {
    for (int attempt = 0;; ++attempt) {
        if (write10(state, lba, blocks, data)) return WriteOutcome::Written;
        if (state.transportFailed) return WriteOutcome::Failed;
        const bool again = state.busy || judgeSense(lastSense(state)) == SenseVerdict::TryAgain;
        if (!again || attempt >= kWriteRetries) return WriteOutcome::Failed;
        sleep(std::chrono::milliseconds(100));
    }
}

namespace {

std::string closeAndWait(DriveState& state, std::uint8_t function, std::uint32_t track,
                         const Sleeper& sleep) {
    if (!closeTrackSession(state, true, function, track))
        return refused(state,
                       function == kCloseTrack ? "to close the track" : "to close the session");
    return waitForDrive(state, LongOperation::Closing, kLongOperationLimit, sleep);
}

// The track the data went into: the last one the drive lists.
std::string closeLastTrack(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    return closeAndWait(state, kCloseTrack, state.discInformation.lastTrackInLastSession, sleep);
}

std::string closeTrackAndSession(DriveState& state, std::uint8_t sessionFunction,
                                 const Sleeper& sleep) {
    std::string error = closeLastTrack(state, sleep);
    if (error.empty()) error = closeAndWait(state, sessionFunction, 0, sleep);
    return error;
}

// A background format still running is stopped so that the disc reads everywhere.
std::string closeDvdPlusRw(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    const auto status = state.discInformation.backgroundFormat;
    if (status != 1 && status != 2) return {};
    return closeAndWait(state, kCloseSession, 0, sleep);
}

}  // namespace

std::string closeMedium(DriveState& state, const BurnPlan& plan, const Sleeper& sleep) {
    state.releaseHandle = true;
    std::string error;
    if (!synchronizeCache(state, true)) return refused(state, "to write its cache");
    error = waitForDrive(state, LongOperation::Closing, kLongOperationLimit, sleep);
    if (!error.empty() || plan.discAtOnce) return error;
    switch (plan.media) {
        case kMediaCdR:
        case kMediaCdRw:
        case kMediaDvdR:
        case kMediaDvdRwSequential:
            return closeTrackAndSession(state, kCloseSession, sleep);
        case kMediaDvdPlusR:
            return closeTrackAndSession(
                state, state.finalize ? kCloseFinalizeDvdPlusR : kCloseSession, sleep);
        case kMediaDvdPlusRw:
            return closeDvdPlusRw(state, sleep);
        default:
            return {};  // random-access media have nothing to close
    }
}

void finishTray(DriveState& state) {
    allowMediumRemoval(state);
}

}  // namespace rondivo::burn
