// BD-R (sequential recording) and BD-RE. BD-R closes each session with its
// track and takes no Write Parameters page; a blank BD-RE is formatted with
// spare areas first and then written from sector 0.
#include "burn/medium.h"
#include "burn/medium_steps.h"

namespace rondivo::burn {

bool isErasable(BluRayMedium) {
    return false;
}

std::uint32_t writtenSectors(BluRayMedium, std::uint32_t imageSectors) {
    return roundUp(imageSectors, 32);  // whole clusters
}

bool isDoubleLayer(BluRayMedium m, std::uint32_t discEnd) {
    return m == BluRayMedium::R && discEnd > kSingleLayerBdLimit;
}

PlanOutcome planMedium(BluRayMedium m, DriveState& state, BurnPlan& plan, std::string& message) {
    switch (m) {
        case BluRayMedium::R:
            if (state.discInformation.discStatus != 0) {
                const auto outcome = checkUsedDisc(state, plan, false, message);
                if (outcome != PlanOutcome::Ready) return outcome;
            }
            return planNextSession(state, plan, false, message);
        case BluRayMedium::Re: {
            plan.overwritable = true;
            scsi::FormatCapacities caps;
            plan.formatBluRay = readFormatCapacities(state, caps) && caps.currentKind == 1;
            return PlanOutcome::Ready;
        }
    }
    return PlanOutcome::Refused;
}

std::optional<std::uint32_t> discEnd(BluRayMedium m, DriveState& state, const BurnPlan& plan) {
    switch (m) {
        case BluRayMedium::R:
            return sessionDiscEnd(state, plan);
        case BluRayMedium::Re:
            return formattedCapacity(
                state, plan.formatBluRay ? std::optional<std::uint8_t>(scsi::kFormatBdReSpare)
                                         : std::nullopt);
    }
    return std::nullopt;
}

std::string prepareMedium(BluRayMedium, DriveState& state, BurnPlan& plan, const Sleeper& sleep) {
    if (!plan.formatBluRay) return {};
    scsi::FormatDescriptor d;
    if (!offersFormat(state, scsi::kFormatBdReSpare, d))
        return refused(state, "to offer the BD-RE format");
    return format(state, d, sleep);
}

std::string setUpWriting(BluRayMedium m, DriveState& state, const BurnPlan& plan,
                         const WriteStart&) {
    setWriteSpeed(state, plan, false);
    switch (m) {
        case BluRayMedium::R:
            return checkWriteStart(state, plan);
        case BluRayMedium::Re:
            return {};
    }
    return {};
}

std::string closeDisc(BluRayMedium m, DriveState& state, const BurnPlan&, const Sleeper& sleep) {
    switch (m) {
        case BluRayMedium::R:
            return closeTrackAndSession(
                state, state.finalize ? scsi::kCloseFinalizeBdR : scsi::kCloseSession, sleep);
        case BluRayMedium::Re:
            return {};  // nothing to close
    }
    return {};
}

}  // namespace rondivo::burn
