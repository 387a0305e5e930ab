// DVD-RW, DVD+RW and DVD-RAM. A sequential DVD-RW is written like a DVD-R, or
// quick-formatted to restricted overwrite when blank; the others are written
// from sector 0 over what they hold and need at most their format finished.
#include "burn/medium.h"
#include "burn/medium_steps.h"

namespace rondivo::burn {

bool isErasable(RewritableDvd m) {
    switch (m) {
        case RewritableDvd::MinusRwSequential:
            return true;
        case RewritableDvd::MinusRwRestricted:
        case RewritableDvd::PlusRw:
        case RewritableDvd::Ram:
            return false;
    }
    return false;
}

std::uint32_t writtenSectors(RewritableDvd m, std::uint32_t imageSectors) {
    // Restricted overwrite is written in whole ECC blocks.
    return m == RewritableDvd::MinusRwRestricted ? roundUp(imageSectors, 16) : imageSectors;
}

bool isDoubleLayer(RewritableDvd, std::uint32_t) {
    return false;
}

namespace {

PlanOutcome planSequential(DriveState& state, BurnPlan& plan, std::string& message) {
    bool blank = state.discInformation.discStatus == 0;
    if (!blank) {
        const auto outcome = checkUsedDisc(state, plan, true, message);
        if (outcome != PlanOutcome::Ready) return outcome;
        blank = plan.erase;
    }
    scsi::FormatDescriptor d;
    if (blank && offersFormat(state, scsi::kFormatQuickRestricted, d)) {
        plan.formatRestricted = plan.overwritable = true;
        return PlanOutcome::Ready;
    }
    // After erasing, the write type is decided from what the blank disc takes.
    if (plan.erase) return PlanOutcome::Ready;
    chooseDvdWriteType(state, plan, blank);
    if (!plan.discAtOnce && !plan.linkSize) {
        message = "The drive does not say how to add a session to this disc.";
        return PlanOutcome::Refused;
    }
    return planNextSession(state, plan, true, message);
}

// Formatting a blank DVD+RW runs in the background once started; one that was
// stopped (an eject mid-format) is restarted where it stopped, not begun again
// over what it already holds. Writes may go on while it runs.
std::string prepareDvdPlusRw(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    const auto status = state.discInformation.backgroundFormat;
    if (status == 2 || status == 3) return {};
    scsi::FormatDescriptor d{0xFFFFFFFF, scsi::kFormatDvdPlusRw, 0};
    if (status == 1) {
        if (!offersFormat(state, scsi::kFormatDvdPlusRw, d))
            return refused(state, "to offer the DVD+RW format");
        d.parameter = scsi::kFormatRestart;
    }
    return format(state, d, sleep);
}

std::string prepareSequential(DriveState& state, BurnPlan& plan, const Sleeper& sleep) {
    if (plan.erase) {
        const std::string error = eraseDisc(state, sleep);
        if (!error.empty()) return error;
    }
    if (plan.formatRestricted) {
        scsi::FormatDescriptor d;
        if (!offersFormat(state, scsi::kFormatQuickRestricted, d))
            return refused(state, "to offer the quick format");
        const std::string error = format(state, d, sleep);
        if (error.empty()) plan.media = state.mediaType = scsi::MediaType::DvdRwRestricted;
        return error;
    }
    if (plan.erase) chooseDvdWriteType(state, plan, true);
    return {};
}

// A background format still running is stopped so that the disc reads everywhere.
std::string closeDvdPlusRw(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    const auto status = state.discInformation.backgroundFormat;
    if (status != 1 && status != 2) return {};
    return closeAndWait(state, scsi::kCloseSession, 0, sleep);
}

// A quick-formatted or grown DVD-RW stays in an intermediate state, readable
// only in the drive that wrote it, until its session is closed.
std::string closeRestrictedOverwrite(DriveState& state, const Sleeper& sleep) {
    if (!readDiscInformation(state, 66)) return refused(state, "to describe the disc");
    if (state.discInformation.lastSessionState != 1) return {};
    return closeAndWait(state, scsi::kCloseSession, 0, sleep);
}

}  // namespace

PlanOutcome planMedium(RewritableDvd m, DriveState& state, BurnPlan& plan, std::string& message) {
    switch (m) {
        case RewritableDvd::MinusRwSequential:
            return planSequential(state, plan, message);
        case RewritableDvd::MinusRwRestricted:
        case RewritableDvd::PlusRw:
        case RewritableDvd::Ram:
            plan.overwritable = true;
            return PlanOutcome::Ready;
    }
    return PlanOutcome::Refused;
}

std::optional<std::uint32_t> discEnd(RewritableDvd m, DriveState& state, const BurnPlan& plan) {
    switch (m) {
        case RewritableDvd::MinusRwSequential:
            if (plan.formatRestricted)
                return formattedCapacity(state, scsi::kFormatQuickRestricted);
            if (plan.erase) return formattedCapacity(state, std::nullopt);
            return sessionDiscEnd(state, plan);
        case RewritableDvd::MinusRwRestricted: {
            scsi::FormatDescriptor grow;
            if (offersFormat(state, scsi::kFormatGrowSession, grow)) return grow.blocks;
            return formattedCapacity(state, std::nullopt);
        }
        case RewritableDvd::PlusRw:
            return formattedCapacity(state, scsi::kFormatDvdPlusRw);
        case RewritableDvd::Ram:
            return formattedCapacity(state, std::nullopt);
    }
    return std::nullopt;
}

std::string prepareMedium(RewritableDvd m, DriveState& state, BurnPlan& plan,
                          const Sleeper& sleep) {
    switch (m) {
        case RewritableDvd::MinusRwSequential:
            return prepareSequential(state, plan, sleep);
        case RewritableDvd::MinusRwRestricted: {
            scsi::FormatDescriptor grow;
            if (offersFormat(state, scsi::kFormatGrowSession, grow))
                return format(state, grow, sleep);
            return {};
        }
        case RewritableDvd::PlusRw:
            return prepareDvdPlusRw(state, sleep);
        case RewritableDvd::Ram:
            return {};
    }
    return {};
}

std::string setUpWriting(RewritableDvd m, DriveState& state, const BurnPlan& plan,
                         const WriteStart& start) {
    switch (m) {
        case RewritableDvd::MinusRwSequential: {
            if (!plan.discAtOnce && !plan.linkSize)
                return "The drive does not say how to write this disc after erasing it.";
            if (!sendWriteParameters(state, sequentialDvdSettings(state, plan)))
                return refused(state, "the write parameters");
            setWriteSpeed(state, plan, false);
            std::string error = checkWriteStart(state, plan);
            if (error.empty())
                error = prepareSequentialDvd(state, plan, start.volumeSectors, start.now, false);
            return error;
        }
        case RewritableDvd::MinusRwRestricted:
            // Written without the page by drives that follow the letter of MMC.
            if (!sendWriteParameters(state, sequentialDvdSettings(state, plan)))
                state.addNote("The drive did not take the write parameters for this DVD-RW: " +
                              failureText(state) + ".");
            setWriteSpeed(state, plan, false);
            return {};
        case RewritableDvd::PlusRw:
        case RewritableDvd::Ram:
            setWriteSpeed(state, plan, false);  // random access: no page, no address to check
            return {};
    }
    return {};
}

std::string closeDisc(RewritableDvd m, DriveState& state, const BurnPlan&, const Sleeper& sleep) {
    switch (m) {
        case RewritableDvd::MinusRwSequential:
            return closeTrackAndSession(state, scsi::kCloseSession, sleep);
        case RewritableDvd::MinusRwRestricted:
            return closeRestrictedOverwrite(state, sleep);
        case RewritableDvd::PlusRw:
            return closeDvdPlusRw(state, sleep);
        case RewritableDvd::Ram:
            return {};  // nothing to close
    }
    return {};
}

}  // namespace rondivo::burn
