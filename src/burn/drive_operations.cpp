#include "burn/drive_operations.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <thread>

#include "burn/drive_discovery.h"
#include "platform/file_io.h"
#include "scsi/scsi_sense.h"

namespace rondivo::burn {

namespace {

bool run(DriveState& state, scsi::CommandBlock block, std::span<std::uint8_t> data = {}) {
    return ExecuteCommand(state, block, data) == scsi::kStatusDone;
}

// Tray and lock commands close the handle afterwards so the system notices the
// change, except while a burn holds it: the kernel would unlock the tray.
bool runReleased(DriveState& state, scsi::CommandBlock block) {
    const bool previous = state.releaseHandle;
    state.releaseHandle = !state.holdHandle;
    const bool ok = run(state, block);
    state.releaseHandle = previous;
    return ok;
}

bool runWithParameters(DriveState& state, scsi::CommandBlock block,
                       std::span<const std::uint8_t> p) {
    if (p.size() < block.dataLength) return false;
    std::vector<std::uint8_t> copy(p.begin(), p.begin() + block.dataLength);
    if (copy.empty()) copy.resize(1);
    return run(state, block, copy);
}

}  // namespace

bool testUnitReady(DriveState& state) {
    return run(state, scsi::makeTestUnitReady());
}

bool formatUnit(DriveState& state, const scsi::FormatDescriptor& format) {
    return runWithParameters(
        state, scsi::makeFormatUnit(),
        scsi::formatParameterList(format.type, format.blocks, format.parameter));
}

bool readFormatCapacities(DriveState& state, scsi::FormatCapacities& out) {
    if (!run(state, scsi::makeReadFormatCapacities(252))) return false;
    out = scsi::parseFormatCapacities(std::span(state.data.data(), 252));
    return true;
}

bool blank(DriveState& state) {
    return run(state, scsi::makeBlank(true));
}

bool inquiry(DriveState& state, std::uint8_t allocation) {
    return run(state, scsi::makeInquiry(allocation));
}

bool loadMedium(DriveState& state, bool immediate) {
    return runReleased(state, scsi::makeStartStopUnit(immediate, true));
}

bool ejectMedium(DriveState& state, bool immediate) {
    return runReleased(state, scsi::makeStartStopUnit(immediate, false));
}

bool preventMediumRemoval(DriveState& state) {
    return runReleased(state, scsi::makePreventAllowMediumRemoval(true));
}

bool allowMediumRemoval(DriveState& state) {
    return runReleased(state, scsi::makePreventAllowMediumRemoval(false));
}

bool write10(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
             std::span<const std::uint8_t> data) {
    auto block = scsi::makeWrite10(lba, blocks);
    if (data.size() < block.dataLength) return false;
    // The transport takes a mutable buffer; a data-out command does not change it.
    std::span<std::uint8_t> buffer(const_cast<std::uint8_t*>(data.data()), block.dataLength);
    return ExecuteCommand(state, block, buffer) == scsi::kStatusDone;
}

bool synchronizeCache(DriveState& state, bool immediate) {
    return run(state, scsi::makeSynchronizeCache(immediate));
}

bool readAtip(DriveState& state) {
    return run(state, scsi::makeReadAtip());
}

bool getConfiguration(DriveState& state, std::uint16_t startingFeature, std::uint16_t allocation) {
    allocation = std::min<std::uint16_t>(allocation, kDataBufferSize);
    return run(state, scsi::makeGetConfiguration(startingFeature, allocation));
}

bool readDiscInformation(DriveState& state, std::uint16_t allocation) {
    allocation = std::min<std::uint16_t>(allocation, kDataBufferSize);
    if (!run(state, scsi::makeReadDiscInformation(allocation))) return false;
    state.discInformation = scsi::parseDiscInformation(std::span(state.data.data(), allocation));
    return true;
}

bool readTrackInformation(DriveState& state, std::uint8_t track) {
    if (!run(state, scsi::makeReadTrackInformation(track))) return false;
    state.trackInformation = scsi::parseTrackInformation(
        std::span(state.data.data(), scsi::kReadTrackInformationLength));
    return true;
}

bool reserveTrack(DriveState& state, std::uint32_t sectors) {
    return run(state, scsi::makeReserveTrack(sectors));
}

bool modeSense10(DriveState& state, std::uint8_t page, bool defaults, std::uint16_t allocation) {
    allocation = std::min<std::uint16_t>(allocation, kDataBufferSize);
    return run(state, scsi::makeModeSense10(page, defaults, allocation));
}

bool modeSelect10(DriveState& state, std::span<const std::uint8_t> parameters) {
    if (parameters.empty() || parameters.size() > 0xFFFF) return false;
    return runWithParameters(
        state, scsi::makeModeSelect10(static_cast<std::uint16_t>(parameters.size())), parameters);
}

bool closeTrackSession(DriveState& state, bool immediate, std::uint8_t function,
                       std::uint32_t track) {
    return run(state, scsi::makeCloseTrackSession(immediate, function, track));
}

bool readBufferCapacity(DriveState& state) {
    return run(state, scsi::makeReadBufferCapacity());
}

bool setStreaming(DriveState& state, std::span<const std::uint8_t> descriptor) {
    return runWithParameters(
        state, scsi::makeSetStreaming(static_cast<std::uint16_t>(descriptor.size())), descriptor);
}

bool setCdSpeed(DriveState& state, std::uint8_t readFactor, std::uint8_t writeFactor) {
    return run(state, scsi::makeSetCdSpeed(scsi::speedFactorToKbps(readFactor),
                                           scsi::speedFactorToKbps(writeFactor)));
}

bool sendDiscStructure(DriveState& state, std::uint8_t format,
                       std::span<const std::uint8_t> parameters) {
    return runWithParameters(
        state, scsi::makeSendDiscStructure(format, static_cast<std::uint16_t>(parameters.size())),
        parameters);
}

bool beginExclusiveUse(DriveState& state) {
    if (state.currentRow < 0 || static_cast<std::size_t>(state.currentRow) >= state.rowCount())
        return false;
    auto& entry = state.drives[static_cast<std::size_t>(state.currentRow)];
    entry.transport->closeHandle();
    if (!entry.transport->openExclusive(entry.device)) {
        state.transportFailed = true;
        state.transportMessage = entry.transport->lastFailure();
        return false;
    }
    state.holdHandle = true;
    return true;
}

void endExclusiveUse(DriveState& state) {
    if (!state.holdHandle) return;
    state.holdHandle = false;
    if (state.currentRow >= 0 && static_cast<std::size_t>(state.currentRow) < state.rowCount())
        state.drives[static_cast<std::size_t>(state.currentRow)].transport->closeHandle();
}

scsi::SenseInfo lastSense(const DriveState& state) {
    return scsi::decodeSense(state.sense);
}

std::string failureText(const DriveState& state) {
    if (state.transportFailed)
        return state.transportMessage.empty() ? "the command did not reach the drive"
                                              : state.transportMessage;
    if (state.busy) return "the drive is busy";
    return scsi::describeSense(lastSense(state));
}

scsi::MediaType DetermineMediaType(DriveState& state) {
    scsi::MediaType type = scsi::MediaType::None;
    if (getConfiguration(state, 0, 114)) {
        type = scsi::mediaTypeFromProfile(scsi::currentProfile(std::span(state.data.data(), 8)));
    } else if (readAtip(state)) {
        type = scsi::mediaTypeFromAtip(std::span(state.data.data(), scsi::kAtipLength));
    } else if (readDiscInformation(state, 66)) {
        type = scsi::mediaTypeFromDiscInformation(std::span(state.data.data(), 66));
    } else {
        type = testUnitReady(state) ? scsi::MediaType::CdRom : scsi::MediaType::None;
    }
    state.mediaType = type;
    return type;
}

bool sendWriteParameters(DriveState& state, scsi::WriteSettings settings) {
    if (!modeSense10(state, scsi::kPageWriteParameters, false, kDataBufferSize)) return false;
    std::array<std::uint8_t, kDataBufferSize> answer = state.data;
    const auto offset = scsi::findModePage(answer, scsi::kPageWriteParameters);
    if (!offset) return false;
    settings.bufferUnderrunProtection =
        scsi::parseCapabilities(state.capabilities).bufferUnderrunProtection;
    const auto length = scsi::buildWriteParameters(answer, *offset, settings);
    if (length == 0) return false;
    return modeSelect10(state, std::span(answer.data(), length));
}

std::optional<std::uint32_t> nextWritableAddress(DriveState& state) {
    if (!readDiscInformation(state, 66)) return std::nullopt;
    const auto last = static_cast<std::uint8_t>(state.discInformation.lastTrackInLastSession);
    if (!readTrackInformation(state, last)) return std::nullopt;
    const auto& t = state.trackInformation;
    if (!t.nextWritableValid) return std::nullopt;
    // Some drives give a negative address for the first track of a blank disc.
    if (static_cast<std::int32_t>(t.nextWritable) < 0)
        return state.discInformation.discStatus == 0 ? std::optional<std::uint32_t>(0)
                                                     : std::nullopt;
    return t.nextWritable;
}

bool ejectDisc(DriveState& state) {
    synchronizeCache(state, false);
    allowMediumRemoval(state);
    return ejectMedium(state, false);
}

void sleepFor(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

namespace {

bool keepsWaiting(const DriveState& state, const scsi::SenseInfo& sense) {
    if (state.busy) return true;
    if (scsi::judgeSense(sense) == scsi::SenseVerdict::TryAgain) return true;
    // Reported once after a disc change; the next poll tells the truth.
    return sense.key == static_cast<std::uint8_t>(scsi::SenseKey::UnitAttention) &&
           sense.asc == 0x28;
}

// Not ready for a reason that only ends with help, or for none given: drives
// say so for a moment while they settle, so allow a few polls.
bool needsGrace(const scsi::SenseInfo& sense) {
    return sense.key == static_cast<std::uint8_t>(scsi::SenseKey::NotReady) && sense.asc == 0x04 &&
           (sense.ascq == 0x00 || sense.ascq == 0x02 || sense.ascq == 0x03);
}

}  // namespace

std::string waitForDrive(DriveState& state, LongOperation operation, std::chrono::seconds limit,
                         const Sleeper& sleep) {
    state.operation = operation;
    state.operationPercent = -1;
    std::chrono::milliseconds waited{0};
    int grace = 0;
    std::string result;
    for (;;) {
        if (testUnitReady(state)) break;
        const scsi::SenseInfo sense = lastSense(state);
        if (sense.progress >= 0) state.operationPercent = sense.progress * 100 / 65536;
        if (state.transportFailed) {
            result = failureText(state);
            break;
        }
        if (sense.asc == 0x3A) {
            result = "There is no disc in the drive.";
            break;
        }
        if (!keepsWaiting(state, sense) && !(needsGrace(sense) && ++grace <= kNotReadyGracePolls)) {
            result = "The drive is not ready: " + failureText(state) + ".";
            break;
        }
        if (waited >= limit) {
            result = limit.count() < 60 ? "The drive is not ready yet: " + failureText(state) + "."
                                        : "The drive did not become ready within " +
                                              std::to_string(limit.count() / 60) +
                                              " minutes: " + failureText(state) + ".";
            break;
        }
        sleep(kPollInterval);
        waited += kPollInterval;
    }
    state.operation = LongOperation::None;
    state.operationPercent = -1;
    return result;
}

int findDriveRow(const DriveState& state, const std::string& device) {
    for (std::size_t i = 0; i < state.drives.size(); ++i)
        if (state.drives[i].device == device) return static_cast<int>(i);
    return -1;
}

std::string mountDeviceFor(const std::string& path, const std::string& mountTable) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fs::weakly_canonical(fs::absolute(platform::u8path(path), ec), ec);
    std::string bestDevice;
    std::size_t bestLength = 0;
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        if (!(fields >> device >> mountPoint)) continue;
        // /proc/mounts escapes blanks in mount points as \040.
        std::string unescaped;
        for (std::size_t i = 0; i < mountPoint.size(); ++i) {
            if (mountPoint[i] == '\\' && i + 3 < mountPoint.size() &&
                std::isdigit(static_cast<unsigned char>(mountPoint[i + 1]))) {
                unescaped += static_cast<char>(std::stoi(mountPoint.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                unescaped += mountPoint[i];
            }
        }
        const std::string t = target.string();
        const bool inside = t == unescaped || (t.size() > unescaped.size() &&
                                               t.compare(0, unescaped.size(), unescaped) == 0 &&
                                               (unescaped == "/" || t[unescaped.size()] == '/'));
        if (inside && unescaped.size() >= bestLength) {
            bestLength = unescaped.size();
            bestDevice = device;
        }
    }
    return bestDevice;
}

}  // namespace rondivo::burn
