#include "burn/medium_steps.h"

#include <span>

namespace rondivo::burn {

std::string refused(const DriveState& state, const std::string& what) {
    // The system, not the drive, stopped it: the drive is not to blame.
    if (state.transportFailed)
        return "The drive was not reached (" + what + "): " + failureText(state) + ".";
    return "The drive refused " + what + ": " + failureText(state) + ".";
}

PlanOutcome checkUsedDisc(DriveState& state, BurnPlan& plan, bool erasable, std::string& message) {
    const bool appendable = state.discInformation.discStatus == 1;
    if (state.blankFirst && erasable) {
        plan.erase = true;
        return PlanOutcome::Ready;
    }
    if (appendable) return PlanOutcome::Ready;
    if (erasable) {
        message = "The disc in the drive is not blank and takes no more data. Erase it first.";
        return PlanOutcome::NeedsErasing;
    }
    message = "The disc in the drive is closed: nothing more can be written to it.";
    return PlanOutcome::Refused;
}

namespace {

// The track a new session would follow must be blank. A damaged track, or one
// a burn left open part-way, still reports a next writable address inside it,
// where no reader would look for the new image.
PlanOutcome checkLastTrack(const DriveState& state, bool erasable, std::string& message) {
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
    if (erasable) {
        message += " Erase it first.";
        return PlanOutcome::NeedsErasing;
    }
    return PlanOutcome::Refused;
}

}  // namespace

PlanOutcome planNextSession(DriveState& state, BurnPlan& plan, bool erasable,
                            std::string& message) {
    const auto address = nextWritableAddress(state);
    if (!address) {
        message = "The drive reports no writable address on this disc.";
        return PlanOutcome::Refused;
    }
    plan.writeStart = *address;
    return checkLastTrack(state, erasable, message);
}

std::uint32_t sessionDiscEnd(const DriveState& state, const BurnPlan& plan) {
    return plan.writeStart + state.trackInformation.freeBlocks;
}

bool offersFormat(DriveState& state, std::uint8_t type, scsi::FormatDescriptor& out) {
    scsi::FormatCapacities caps;
    if (!readFormatCapacities(state, caps)) return false;
    const auto* d = caps.find(type);
    if (!d) return false;
    out = *d;
    return true;
}

std::string format(DriveState& state, const scsi::FormatDescriptor& d, const Sleeper& sleep) {
    if (!formatUnit(state, d)) return refused(state, "to format the disc");
    return waitForDrive(state, LongOperation::Formatting, kLongOperationLimit, sleep);
}

std::string eraseDisc(DriveState& state, const Sleeper& sleep) {
    if (!blank(state)) return refused(state, "to erase the disc");
    return waitForDrive(state, LongOperation::Erasing, kLongOperationLimit, sleep);
}

// One reserved track when the disc is finished in one go or the medium cannot
// take incremental writing now (feature 0021h not current, as after a minimal
// blank), else packets with the link size the drive gives.
void chooseDvdWriteType(DriveState& state, BurnPlan& plan, bool blank) {
    plan.discAtOnce = false;
    plan.linkSize.reset();
    if (blank && state.finalize) {
        plan.discAtOnce = true;
        return;
    }
    if (getConfiguration(state, 0x21, 64)) {
        const std::span<const std::uint8_t> answer(state.data.data(), 64);
        if (scsi::featureIsCurrent(answer, 0x21)) plan.linkSize = scsi::incrementalLinkSize(answer);
    }
    if (!plan.linkSize && blank) plan.discAtOnce = true;
}

scsi::WriteSettings sequentialDvdSettings(const DriveState& state, const BurnPlan& plan) {
    scsi::WriteSettings w;
    w.multiSession = state.finalize ? 0 : 3;
    w.trackMode = 5;
    if (plan.discAtOnce) {
        w.writeType = scsi::kWriteDiscAtOnce;
        w.multiSession = 0;
        return w;
    }
    w.writeType = scsi::kWriteIncremental;
    w.fixedPacket = true;
    w.packetSize = 16;
    // Restricted overwrite is written in ECC blocks without a link.
    if (plan.media != scsi::MediaType::DvdRwRestricted) w.linkSize = plan.linkSize;
    return w;
}

std::string prepareSequentialDvd(DriveState& state, const BurnPlan& plan,
                                 std::uint32_t volumeSectors, const scsi::UtcTime& now,
                                 bool timestamp) {
    // The time stamp is optional: a drive that refuses it records the disc all the same.
    if (timestamp && !sendDiscStructure(state, 0x0F, scsi::timestampStructure(now)))
        state.addNote("The drive did not take the disc's time stamp: " + failureText(state) + ".");
    if (plan.discAtOnce && !reserveTrack(state, volumeSectors))
        return refused(state, "to reserve the track");
    return {};
}

// The chosen speed is a multiple of the 1x CD rate (0 for the drive's maximum);
// drives without SET STREAMING may take SET CD SPEED.
void setWriteSpeed(DriveState& state, const BurnPlan& plan, bool cd) {
    std::uint32_t kbps = scsi::speedFactorToKbps(state.writeSpeed);
    if (!cd && plan.discEnd > 0) {
        if (state.writeSpeed == 0) {
            kbps = scsi::parseCapabilities(state.capabilities).maxWriteKbps;
            if (kbps == 0) kbps = 0xFFFFFFFF;
        }
        if (setStreaming(state, scsi::streamingDescriptor(plan.discEnd - 1, kbps, kbps))) return;
    }
    if (setCdSpeed(state, 0, state.writeSpeed)) return;
    state.addNote("The drive kept its own write speed: " + failureText(state) + ".");
}

std::string checkWriteStart(DriveState& state, const BurnPlan& plan) {
    const auto address = nextWritableAddress(state);
    if (!address || *address != plan.writeStart)
        return "The drive's next writable address is not the one the image was built for.";
    return {};
}

// A close the drive answers with "operation in progress", "long write in
// progress", busy or a reset is repeated: the track must not stay open.
std::string closeAndWait(DriveState& state, std::uint8_t function, std::uint32_t track,
                         const Sleeper& sleep) {
    if (!retryWhileItPasses(state, sleep, kCloseRetries, kPollInterval,
                            [&] { return closeTrackSession(state, true, function, track); }))
        return refused(
            state, function == scsi::kCloseTrack ? "to close the track" : "to close the session");
    return waitForDrive(state, LongOperation::Closing, kLongOperationLimit, sleep);
}

// The track the data went into is the last one the drive lists.
std::string closeTrackAndSession(DriveState& state, std::uint8_t sessionFunction,
                                 const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    std::string error =
        closeAndWait(state, scsi::kCloseTrack, state.discInformation.lastTrackInLastSession, sleep);
    if (error.empty()) error = closeAndWait(state, sessionFunction, 0, sleep);
    return error;
}

}  // namespace rondivo::burn
