// CD-R and CD-RW: one track at once per session, closed with its session; a
// used CD-RW is blanked first when the author asked for it.
#include <algorithm>

#include "burn/medium.h"
#include "burn/medium_steps.h"

namespace rondivo::burn {

bool isErasable(CdMedium m) {
    switch (m) {
        case CdMedium::R:
            return false;
        case CdMedium::Rw:
            return true;
    }
    return false;
}

std::uint32_t writtenSectors(CdMedium, std::uint32_t imageSectors) {
    return std::max(imageSectors, kMinimumCdTrack);
}

bool isDoubleLayer(CdMedium, std::uint32_t) {
    return false;
}

PlanOutcome planMedium(CdMedium m, DriveState& state, BurnPlan& plan, std::string& message) {
    if (state.discInformation.discStatus != 0) {
        const auto outcome = checkUsedDisc(state, plan, isErasable(m), message);
        if (outcome != PlanOutcome::Ready || plan.erase) return outcome;
    }
    return planNextSession(state, plan, isErasable(m), message);
}

std::optional<std::uint32_t> discEnd(CdMedium, DriveState& state, const BurnPlan& plan) {
    // An erased CD-RW holds what its ATIP says.
    if (plan.erase) return atipCapacity(state);
    return sessionDiscEnd(state, plan);
}

std::string prepareMedium(CdMedium, DriveState& state, BurnPlan& plan, const Sleeper& sleep) {
    if (plan.erase) return eraseDisc(state, sleep);
    return {};
}

std::string setUpWriting(CdMedium, DriveState& state, const BurnPlan& plan, const WriteStart&) {
    scsi::WriteSettings page;  // track at once, mode 1
    page.multiSession = state.finalize ? 0 : 3;
    if (!sendWriteParameters(state, page)) return refused(state, "the write parameters");
    setWriteSpeed(state, plan, true);
    return checkWriteStart(state, plan);
}

std::string closeDisc(CdMedium, DriveState& state, const BurnPlan&, const Sleeper& sleep) {
    return closeTrackAndSession(state, scsi::kCloseSession, sleep);
}

}  // namespace rondivo::burn
