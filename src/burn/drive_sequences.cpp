#include "burn/drive_sequences.h"

#include "burn/medium.h"
#include "burn/medium_steps.h"

namespace rondivo::burn {

namespace {

constexpr const char* kNotRecordableText =
    "The disc in the drive cannot be written: it is not a recordable disc.";

PlanOutcome checkCapacity(DriveState& state, BurnPlan& plan, const Medium& medium,
                          std::uint32_t volumeSectors, std::string& message) {
    const auto end = std::visit([&](auto m) { return discEnd(m, state, plan); }, medium);
    if (!end) {
        message = refused(state, "to tell how much the disc holds");
        return PlanOutcome::Refused;
    }
    plan.discEnd = *end;
    const std::uint32_t needed = writtenSectors(
        plan.formatRestricted ? scsi::MediaType::DvdRwRestricted : plan.media, volumeSectors);
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

}  // namespace

PlanOutcome planBurn(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                     std::string& message, const Sleeper& sleep, std::chrono::seconds readyLimit) {
    plan = BurnPlan{};
    message = waitForDrive(state, LongOperation::None, readyLimit, sleep);
    if (!message.empty()) return PlanOutcome::Refused;
    plan.media = DetermineMediaType(state);
    if (plan.media == scsi::MediaType::BdRRandom) {
        message =
            "The disc in the drive is a BD-R formatted for random recording, which this "
            "program does not write: use a BD-R that has not been formatted.";
        return PlanOutcome::Refused;
    }
    const auto medium = writableMedium(plan.media);
    if (!medium) {
        message = kNotRecordableText;
        return PlanOutcome::Refused;
    }
    if (!readDiscInformation(state, 66)) {
        message = refused(state, "to describe the disc");
        return PlanOutcome::Refused;
    }
    const auto outcome =
        std::visit([&](auto m) { return planMedium(m, state, plan, message); }, *medium);
    if (outcome != PlanOutcome::Ready) return outcome;
    return checkCapacity(state, plan, *medium, volumeSectors, message);
}

std::string prepareForWriting(DriveState& state, BurnPlan& plan, std::uint32_t volumeSectors,
                              const scsi::UtcTime& now, const Sleeper& sleep) {
    preventMediumRemoval(state);
    const auto medium = writableMedium(plan.media);
    if (!medium) return kNotRecordableText;
    std::string error =
        std::visit([&](auto m) { return prepareMedium(m, state, plan, sleep); }, *medium);
    if (!error.empty()) return error;
    if (state.cancelRequested) return "The burn was cancelled.";
    // Formatting may have made it another medium (restricted overwrite).
    const auto prepared = writableMedium(plan.media);
    if (!prepared) return kNotRecordableText;
    const WriteStart start{volumeSectors, now};
    return std::visit([&](auto m) { return setUpWriting(m, state, plan, start); }, *prepared);
}

WriteOutcome writeWithRetry(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
                            std::span<const std::uint8_t> data, const Sleeper& sleep) {
    const bool written =
        retryWhileItPasses(state, sleep, kWriteRetries, std::chrono::milliseconds(100),
                           [&] { return write10(state, lba, blocks, data); });
    return written ? WriteOutcome::Written : WriteOutcome::Failed;
}

std::string closeMedium(DriveState& state, const BurnPlan& plan, const Sleeper& sleep) {
    if (!retryWhileItPasses(state, sleep, kCloseRetries, kPollInterval,
                            [&] { return synchronizeCache(state, true); }))
        return refused(state, "to write its cache");
    std::string error = waitForDrive(state, LongOperation::Closing, kLongOperationLimit, sleep);
    if (!error.empty() || plan.discAtOnce) return error;
    const auto medium = writableMedium(plan.media);
    if (!medium) return {};
    return std::visit([&](auto m) { return closeDisc(m, state, plan, sleep); }, *medium);
}

std::string discStateAfterFailure(const BurnPlan& plan, std::uint32_t written,
                                  const std::string& closeError) {
    if (written == 0) return "Nothing was written to the disc.";
    const std::string count = std::to_string(written) + " sectors were written";
    if (!closeError.empty())
        return count + ", but the disc could not be closed, so other drives may not read it. " +
               closeError;
    if (plan.overwritable) return count + ": the disc holds part of the image; burn it again.";
    const auto medium = writableMedium(plan.media);
    if (medium && std::visit([](auto m) { return isErasable(m); }, *medium))
        return count +
               " and closed: the disc holds part of the image; erase it before using it "
               "again.";
    return count + " and closed as a session: the disc holds part of the image.";
}

void finishTray(DriveState& state) {
    allowMediumRemoval(state);
}

}  // namespace rondivo::burn
