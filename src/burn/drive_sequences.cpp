#include "burn/drive_sequences.h"

namespace rondivo::burn {

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::seconds kLongOperationLimit = 90min;

bool isErasable(MediaType m) {
    return m == kMediaCdRw || m == kMediaDvdRwSequential;
}
bool isOverwritable(MediaType m) {
    return m == kMediaDvdRam || m == kMediaDvdPlusRw || m == kMediaDvdRwRestricted ||
           m == kMediaBdRe;
}
bool isSequentialDvd(MediaType m) {
    return m == kMediaDvdR || m == kMediaDvdRwSequential || m == kMediaDvdRDl;
}
// Write-once media that close each session with its track, without a Write
// Parameters page.
bool isPlusROrBdR(MediaType m) {
    return m == kMediaDvdPlusR || m == kMediaDvdPlusRDl || m == kMediaBdR;
}
bool isCd(MediaType m) {
    return m == kMediaCdR || m == kMediaCdRw;
}
bool isWritable(MediaType m) {
    return isCd(m) || isSequentialDvd(m) || isPlusROrBdR(m) || isOverwritable(m);
}

std::string refused(const DriveState& state, const std::string& what) {
    // The system, not the drive, stopped it: the drive is not to blame.
    if (state.transportFailed)
        return "The drive was not reached (" + what + "): " + failureText(state) + ".";
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

// The track a new session would follow must be blank. A damaged track, or one
// a burn left open part-way, still reports a next writable address inside it,
// where no reader would look for the new image.
PlanOutcome checkLastTrack(const DriveState& state, const BurnPlan& plan, std::string& message) {
    const auto& t = state.trackInformation;
    const std::string track = "track " + std::to_string(t.track);
    if (t.damaged) {
        message = "The disc in the drive has a damaged " + track +
                  " (a burn that did not finish): nothing more can be written to it safely.";
    } else if (!t.blank && !t.reservedTrack) {
        message = "The disc in the drive has an unfinished " + track + ": a burn stopped after " +
                  std::to_string(t.nextWritable - t.trackStart) +
                  " sectors and left it open, so a new image would land inside it.";
    } else {
        return PlanOutcome::Ready;
    }
    if (isErasable(plan.media)) {
        message += " Erase it first.";
        return PlanOutcome::NeedsErasing;
    }
    return PlanOutcome::Refused;
}

// Sequential DVD: one reserved track when the disc is finished in one go or
// the medium cannot take incremental writing now (feature 0021h not current,
// as after a minimal blank), else packets with the link size the drive gives.
void chooseDvdWriteType(DriveState& state, BurnPlan& plan, bool blank) {
    plan.discAtOnce = false;
    plan.linkSize.reset();
    if (blank && state.finalize) {
        plan.discAtOnce = true;
        return;
    }
    if (getConfiguration(state, 0x21, 64)) {
        const std::span<const std::uint8_t> answer(state.data.data(), 64);
        if (featureIsCurrent(answer, 0x21)) plan.linkSize = incrementalLinkSize(answer);
    }
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

// Sectors the disc holds from its start once it is prepared as planned.
std::optional<std::uint32_t> discEnd(DriveState& state, const BurnPlan& plan) {
    if (plan.erase && isCd(plan.media)) return atipCapacity(state);
    if (plan.erase || plan.formatRestricted)
        return formattedCapacity(state, plan.formatRestricted
                                            ? std::optional<std::uint8_t>(kFormatQuickRestricted)
                                            : std::nullopt);
    switch (plan.media) {
        case kMediaDvdPlusRw:
            return formattedCapacity(state, kFormatDvdPlusRw);
        case kMediaDvdRwRestricted: {
            FormatDescriptor grow;
            if (offersFormat(state, kFormatGrowSession, grow)) return grow.blocks;
            return formattedCapacity(state, std::nullopt);
        }
        case kMediaBdRe:
            return formattedCapacity(state, plan.formatBluRay
                                                ? std::optional<std::uint8_t>(kFormatBdReSpare)
                                                : std::nullopt);
        case kMediaDvdRam:
            return formattedCapacity(state, std::nullopt);
        default: {
            const auto& t = state.trackInformation;  // read for the next writable address
            return plan.writeStart + t.freeBlocks;
        }
    }
}

PlanOutcome checkCapacity(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                          std::string& message) {
    const auto end = discEnd(state, plan);
    if (!end) {
        message = refused(state, "to tell how much the disc holds");
        return PlanOutcome::Refused;
    }
    plan.discEnd = *end;
    const std::uint32_t needed =
        writtenSectors(plan.formatRestricted ? kMediaDvdRwRestricted : plan.media, volumeSectors);
    const std::uint32_t available = *end > plan.writeStart ? *end - plan.writeStart : 0;
    if (isDoubleLayer(plan.media, *end)) {
        // Written within the first layer only, so that no layer break is needed.
        const std::uint32_t layerEnd = *end / 2;
        const std::uint32_t inLayer = layerEnd > plan.writeStart ? layerEnd - plan.writeStart : 0;
        if (needed <= inLayer) return PlanOutcome::Ready;
        message =
            "The image does not fit on the first layer of this double-layer disc, and "
            "this program writes one layer only: " +
            sizesText(needed, inLayer, "the layer") + ".";
        return PlanOutcome::Refused;
    }
    if (needed <= available) return PlanOutcome::Ready;
    message =
        "The image does not fit on the disc: " + sizesText(needed, available, "the disc") + ".";
    return PlanOutcome::Refused;
}

// What a medium needs before its image can be planned: the used-disc rules,
// the format a blank DVD-RW or BD-RE gets, the write type of a sequential DVD
// and where the image starts.
PlanOutcome planMedium(DriveState& state, BurnPlan& plan, std::string& message) {
    plan.overwritable = isOverwritable(plan.media);
    bool blank = state.discInformation.discStatus == 0;
    if (!plan.overwritable && !blank) {
        const auto outcome = checkUsedDisc(state, plan, message);
        if (outcome != PlanOutcome::Ready) return outcome;
        blank = plan.erase;
    }
    FormatDescriptor d;
    if (plan.media == kMediaDvdRwSequential && blank &&
        offersFormat(state, kFormatQuickRestricted, d)) {
        plan.formatRestricted = plan.overwritable = true;
    }
    if (plan.media == kMediaBdRe) {
        FormatCapacities caps;
        plan.formatBluRay = readFormatCapacities(state, caps) && caps.currentKind == 1;
    }
    // After erasing, the write type is decided from what the blank disc takes.
    if (isSequentialDvd(plan.media) && !plan.overwritable && !plan.erase) {
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
    return checkLastTrack(state, plan, message);
}

}  // namespace

PlanOutcome planBurn(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                     std::string& message, const Sleeper& sleep, std::chrono::seconds readyLimit) {
    plan = BurnPlan{};
    message = waitForDrive(state, LongOperation::None, readyLimit, sleep);
    if (!message.empty()) return PlanOutcome::Refused;
    plan.media = DetermineMediaType(state);
    if (plan.media == kMediaBdRRandom) {
        message =
            "The disc in the drive is a BD-R formatted for random recording, which this "
            "program does not write: use a BD-R that has not been formatted.";
        return PlanOutcome::Refused;
    }
    if (!isWritable(plan.media)) {
        message = "The disc in the drive cannot be written: it is not a recordable disc.";
        return PlanOutcome::Refused;
    }
    if (!readDiscInformation(state, 66)) {
        message = refused(state, "to describe the disc");
        return PlanOutcome::Refused;
    }
    const auto outcome = planMedium(state, plan, message);
    if (outcome != PlanOutcome::Ready) return outcome;
    return checkCapacity(state, plan, volumeSectors, message);
}

}  // namespace rondivo::burn

namespace rondivo::burn {

namespace {

constexpr const char* kCancelledText = "The burn was cancelled.";

std::string eraseDisc(DriveState& state, const Sleeper& sleep) {
    if (!blank(state)) return refused(state, "to erase the disc");
    return waitForDrive(state, LongOperation::Erasing, kLongOperationLimit, sleep);
}

std::string format(DriveState& state, const FormatDescriptor& d, const Sleeper& sleep) {
    if (!formatUnit(state, d)) return refused(state, "to format the disc");
    return waitForDrive(state, LongOperation::Formatting, kLongOperationLimit, sleep);
}

// Formatting a blank DVD+RW runs in the background once started; one that was
// stopped (an eject mid-format) is restarted where it stopped, not begun again
// over what it already holds. Writes may go on while it runs.
std::string prepareDvdPlusRw(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    const auto status = state.discInformation.backgroundFormat;
    if (status == 2 || status == 3) return {};
    FormatDescriptor d{0xFFFFFFFF, kFormatDvdPlusRw, 0};
    if (status == 1) {
        if (!offersFormat(state, kFormatDvdPlusRw, d))
            return refused(state, "to offer the DVD+RW format");
        d.parameter = kFormatRestart;
    }
    return format(state, d, sleep);
}

std::string prepareFormats(DriveState& state, BurnPlan& plan, const Sleeper& sleep) {
    std::string error;
    if (plan.erase) error = eraseDisc(state, sleep);
    FormatDescriptor d;
    if (!error.empty()) return error;
    if (plan.formatRestricted) {
        if (!offersFormat(state, kFormatQuickRestricted, d))
            return refused(state, "to offer the quick format");
        error = format(state, d, sleep);
        if (error.empty()) plan.media = state.mediaType = kMediaDvdRwRestricted;
    } else if (plan.media == kMediaDvdRwRestricted && offersFormat(state, kFormatGrowSession, d)) {
        error = format(state, d, sleep);
    } else if (plan.media == kMediaDvdPlusRw) {
        error = prepareDvdPlusRw(state, sleep);
    } else if (plan.formatBluRay) {
        if (!offersFormat(state, kFormatBdReSpare, d))
            return refused(state, "to offer the BD-RE format");
        error = format(state, d, sleep);
    } else if (plan.erase && isSequentialDvd(plan.media)) {
        chooseDvdWriteType(state, plan, true);
    }
    return error;
}

// DVD+R and BD-R ignore the page, random-access media other than restricted
// overwrite do not use it.
bool takesWriteParameters(const BurnPlan& plan) {
    if (plan.media == kMediaDvdRwRestricted) return true;
    return !plan.overwritable && !isPlusROrBdR(plan.media);
}

WriteSettings writeSettings(const DriveState& state, const BurnPlan& plan) {
    WriteSettings w;
    w.multiSession = state.finalize ? 0 : 3;
    if (isCd(plan.media)) return w;  // track at once, mode 1
    w.trackMode = 5;
    if (plan.discAtOnce) {
        w.writeType = kWriteDiscAtOnce;
        w.multiSession = 0;
        return w;
    }
    w.writeType = kWriteIncremental;
    w.fixedPacket = true;
    w.packetSize = 16;
    // Restricted overwrite is written in ECC blocks without a link.
    if (plan.media != kMediaDvdRwRestricted) w.linkSize = plan.linkSize;
    return w;
}

// The chosen speed (a multiple of the 1x CD rate; 0 for the drive's maximum)
// over the disc's own range; drives without SET STREAMING may take SET CD
// SPEED. A drive that takes neither writes at its own speed.
void setWriteSpeed(DriveState& state, const BurnPlan& plan) {
    std::uint32_t kbps = speedFactorToKbps(state.writeSpeed);
    if (!isCd(plan.media) && plan.discEnd > 0) {
        if (state.writeSpeed == 0) {
            kbps = parseCapabilities(state.capabilities).maxWriteKbps;
            if (kbps == 0) kbps = 0xFFFFFFFF;
        }
        if (setStreaming(state, streamingDescriptor(plan.discEnd - 1, kbps, kbps))) return;
    }
    if (setCdSpeed(state, 0, state.writeSpeed)) return;
    state.addNote("The drive kept its own write speed: " + failureText(state) + ".");
}

std::string prepareSequentialDvd(DriveState& state, const BurnPlan& plan,
                                 std::uint32_t volumeSectors, const UtcTime& now) {
    // The time stamp is optional: a drive that refuses it records the disc all the same.
    if ((plan.media == kMediaDvdR || plan.media == kMediaDvdRDl) &&
        !sendDiscStructure(state, 0x0F, timestampStructure(now)))
        state.addNote("The drive did not take the disc's time stamp: " + failureText(state) + ".");
    if (plan.discAtOnce && !reserveTrack(state, volumeSectors))
        return refused(state, "to reserve the track");
    return {};
}

}  // namespace

std::string prepareForWriting(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                              const UtcTime& now, const Sleeper& sleep) {
    preventMediumRemoval(state);
    std::string error = prepareFormats(state, plan, sleep);
    if (!error.empty()) return error;
    if (state.cancelRequested) return kCancelledText;
    if (isSequentialDvd(plan.media) && !plan.overwritable && !plan.discAtOnce && !plan.linkSize)
        return "The drive does not say how to write this disc after erasing it.";
    if (takesWriteParameters(plan) && !sendWriteParameters(state, writeSettings(state, plan))) {
        // Restricted overwrite is written without the page by drives that
        // follow the letter of MMC; only the sequential media need it.
        if (plan.media != kMediaDvdRwRestricted) return refused(state, "the write parameters");
        state.addNote("The drive did not take the write parameters for this DVD-RW: " +
                      failureText(state) + ".");
    }
    setWriteSpeed(state, plan);
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

// A flush or close the drive answers with "operation in progress", "long write
// in progress", busy or a reset is repeated: the track must not stay open.
template <typename Command>
bool retryWhileItPasses(DriveState& state, const Sleeper& sleep, Command command) {
    for (int attempt = 0;; ++attempt) {
        if (command()) return true;
        if (state.transportFailed) return false;
        const bool again = state.busy || judgeSense(lastSense(state)) == SenseVerdict::TryAgain;
        if (!again || attempt >= kCloseRetries) return false;
        sleep(kPollInterval);
    }
}

std::string closeAndWait(DriveState& state, std::uint8_t function, std::uint32_t track,
                         const Sleeper& sleep) {
    if (!retryWhileItPasses(state, sleep,
                            [&] { return closeTrackSession(state, true, function, track); }))
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

// A quick-formatted or grown DVD-RW stays in an intermediate state, readable
// only in the drive that wrote it, until its session is closed.
std::string closeRestrictedOverwrite(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    if (state.discInformation.lastSessionState != 1) return {};
    return closeAndWait(state, kCloseSession, 0, sleep);
}

}  // namespace

std::string closeMedium(DriveState& state, const BurnPlan& plan, const Sleeper& sleep) {
    if (!retryWhileItPasses(state, sleep, [&] { return synchronizeCache(state, true); }))
        return refused(state, "to write its cache");
    std::string error = waitForDrive(state, LongOperation::Closing, kLongOperationLimit, sleep);
    if (!error.empty() || plan.discAtOnce) return error;
    switch (plan.media) {
        case kMediaCdR:
        case kMediaCdRw:
        case kMediaDvdR:
        case kMediaDvdRDl:
        case kMediaDvdRwSequential:
            return closeTrackAndSession(state, kCloseSession, sleep);
        case kMediaDvdPlusR:
            return closeTrackAndSession(
                state, state.finalize ? kCloseFinalizeDvdPlusR : kCloseSession, sleep);
        case kMediaDvdPlusRDl:
            return closeTrackAndSession(
                state, state.finalize ? kCloseFinalizeMinimalRadius : kCloseSession, sleep);
        case kMediaBdR:
            return closeTrackAndSession(state, state.finalize ? kCloseFinalizeBdR : kCloseSession,
                                        sleep);
        case kMediaDvdPlusRw:
            return closeDvdPlusRw(state, sleep);
        case kMediaDvdRwRestricted:
            return closeRestrictedOverwrite(state, sleep);
        default:
            return {};  // DVD-RAM and BD-RE have nothing to close
    }
}

std::string discStateAfterFailure(const BurnPlan& plan, std::uint32_t written,
                                  const std::string& closeError) {
    if (written == 0) return "Nothing was written to the disc.";
    const std::string count = std::to_string(written) + " sectors were written";
    if (!closeError.empty())
        return count + ", but the disc could not be closed, so other drives may not read it. " +
               closeError;
    if (plan.overwritable) return count + ": the disc holds part of the image; burn it again.";
    if (isErasable(plan.media))
        return count +
               " and closed: the disc holds part of the image; erase it before using it "
               "again.";
    return count + " and closed as a session: the disc holds part of the image.";
}

void finishTray(DriveState& state) {
    allowMediumRemoval(state);
}

}  // namespace rondivo::burn
