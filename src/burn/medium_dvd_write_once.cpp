// DVD-R and DVD+R, one layer or two. DVD-R takes a Write Parameters page and
// is written in packets or, when finished in one go, as one reserved track;
// DVD+R ignores the page and closes each session with its track.
#include "burn/medium.h"
#include "burn/medium_steps.h"

namespace rondivo::burn {

namespace {

bool isMinusR(WriteOnceDvd m) {
    switch (m) {
        case WriteOnceDvd::MinusR:
        case WriteOnceDvd::MinusRDl:
            return true;
        case WriteOnceDvd::PlusR:
        case WriteOnceDvd::PlusRDl:
            return false;
    }
    return false;
}

}  // namespace

bool isErasable(WriteOnceDvd) {
    return false;
}

std::uint32_t writtenSectors(WriteOnceDvd, std::uint32_t imageSectors) {
    return imageSectors;
}

bool isDoubleLayer(WriteOnceDvd m, std::uint32_t) {
    switch (m) {
        case WriteOnceDvd::MinusR:
        case WriteOnceDvd::PlusR:
            return false;
        case WriteOnceDvd::MinusRDl:
        case WriteOnceDvd::PlusRDl:
            return true;
    }
    return false;
}

PlanOutcome planMedium(WriteOnceDvd m, DriveState& state, BurnPlan& plan, std::string& message) {
    const bool blank = state.discInformation.discStatus == 0;
    if (!blank) {
        const auto outcome = checkUsedDisc(state, plan, false, message);
        if (outcome != PlanOutcome::Ready) return outcome;
    }
    if (isMinusR(m)) {
        chooseDvdWriteType(state, plan, blank);
        if (!plan.discAtOnce && !plan.linkSize) {
            message = "The drive does not say how to add a session to this disc.";
            return PlanOutcome::Refused;
        }
    }
    return planNextSession(state, plan, false, message);
}

std::optional<std::uint32_t> discEnd(WriteOnceDvd, DriveState& state, const BurnPlan& plan) {
    return sessionDiscEnd(state, plan);
}

std::string prepareMedium(WriteOnceDvd, DriveState&, BurnPlan&, const Sleeper&) {
    return {};  // nothing to erase or format
}

std::string setUpWriting(WriteOnceDvd m, DriveState& state, const BurnPlan& plan,
                         const WriteStart& start) {
    if (isMinusR(m) && !sendWriteParameters(state, sequentialDvdSettings(state, plan)))
        return refused(state, "the write parameters");
    setWriteSpeed(state, plan, false);
    std::string error = checkWriteStart(state, plan);
    if (error.empty() && isMinusR(m))
        error = prepareSequentialDvd(state, plan, start.volumeSectors, start.now, true);
    return error;
}

std::string closeDisc(WriteOnceDvd m, DriveState& state, const BurnPlan&, const Sleeper& sleep) {
    switch (m) {
        case WriteOnceDvd::MinusR:
        case WriteOnceDvd::MinusRDl:
            return closeTrackAndSession(state, scsi::kCloseSession, sleep);
        case WriteOnceDvd::PlusR:
            return closeTrackAndSession(
                state, state.finalize ? scsi::kCloseFinalizeDvdPlusR : scsi::kCloseSession, sleep);
        case WriteOnceDvd::PlusRDl:
            // Double-layer writers expect the minimal-radius close.
            return closeTrackAndSession(
                state, state.finalize ? scsi::kCloseFinalizeMinimalRadius : scsi::kCloseSession,
                sleep);
    }
    return {};
}

}  // namespace rondivo::burn
