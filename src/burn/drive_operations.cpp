#include "burn/drive_operations.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <thread>

#include "burn/drive_discovery.h"
#include "scsi/scsi_sense.h"

namespace rondivo::burn {

namespace {

bool run(DriveState& state, CommandBlock block, std::span<std::uint8_t> data = {}) {
    return ExecuteCommand(state, block, data) == kStatusDone;
}

// Tray and lock commands close the handle afterwards so the system notices the change.
bool runReleased(DriveState& state, CommandBlock block) {
    const bool previous = state.releaseHandle;
    state.releaseHandle = true;
    const bool ok = run(state, block);
    state.releaseHandle = previous;
    return ok;
}

bool runWithParameters(DriveState& state, CommandBlock block, std::span<const std::uint8_t> p) {
    if (p.size() < block.dataLength) return false;
    std::vector<std::uint8_t> copy(p.begin(), p.begin() + block.dataLength);
    if (copy.empty()) copy.resize(1);
    return run(state, block, copy);
}

}  // namespace

bool testUnitReady(DriveState& state) {
    return run(state, makeTestUnitReady());
}
bool rezeroUnit(DriveState& state) {
    return run(state, makeRezeroUnit());
}

bool formatUnit(DriveState& state) {
    return runWithParameters(state, makeFormatUnit(), formatParameterList());
}

bool inquiry(DriveState& state, std::uint8_t allocation) {
    return run(state, makeInquiry(allocation));
}

bool loadMedium(DriveState& state, bool immediate) {
    return runReleased(state, makeStartStopUnit(immediate, true));
}

bool ejectMedium(DriveState& state, bool immediate) {
    return runReleased(state, makeStartStopUnit(immediate, false));
}

bool preventMediumRemoval(DriveState& state) {
    return runReleased(state, makePreventAllowMediumRemoval(true));
}

bool allowMediumRemoval(DriveState& state) {
    return runReleased(state, makePreventAllowMediumRemoval(false));
}

bool write10(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
             std::span<const std::uint8_t> data) {
    auto block = makeWrite10(lba, blocks);
    if (data.size() < block.dataLength) return false;
    // The transport takes a mutable buffer; a data-out command does not change it.
    std::span<std::uint8_t> buffer(const_cast<std::uint8_t*>(data.data()), block.dataLength);
    const auto status = ExecuteCommand(state, block, buffer);
    return status == kStatusDone || status == kStatusPending;
}

bool synchronizeCache(DriveState& state, bool immediate) {
    auto block = makeSynchronizeCache(immediate);
    const auto status = ExecuteCommand(state, block);
    return status == kStatusDone || status == kStatusPending;
}

bool readAtip(DriveState& state) {
    return run(state, makeReadAtip());
}

bool getConfiguration(DriveState& state, std::uint16_t startingFeature, std::uint16_t allocation) {
    allocation = std::min<std::uint16_t>(allocation, kDataBufferSize);
    if (!run(state, makeGetConfiguration(startingFeature, allocation))) return false;
    std::copy_n(state.data.begin(), std::min<std::size_t>(allocation, state.configuration.size()),
                state.configuration.begin());
    return true;
}

bool readDiscInformation(DriveState& state, std::uint16_t allocation) {
    allocation = std::min<std::uint16_t>(allocation, kDataBufferSize);
    if (!run(state, makeReadDiscInformation(allocation))) return false;
    state.discInformationRaw.fill(0);
    std::copy_n(state.data.begin(),
                std::min<std::size_t>(allocation, state.discInformationRaw.size()),
                state.discInformationRaw.begin());
    state.discInformation = parseDiscInformation(state.discInformationRaw);
    return true;
}

bool readTrackInformation(DriveState& state, std::uint8_t track) {
    if (!run(state, makeReadTrackInformation(track))) return false;
    std::copy_n(state.data.begin(), state.trackInformationRaw.size(),
                state.trackInformationRaw.begin());
    state.trackInformation = parseTrackInformation(state.trackInformationRaw);
    return true;
}

bool reserveTrack(DriveState& state, std::uint32_t sectors) {
    return run(state, makeReserveTrack(sectors));
}

bool modeSense10(DriveState& state, std::uint8_t page, bool defaults, std::uint16_t allocation) {
    allocation = std::min<std::uint16_t>(allocation, kDataBufferSize);
    return run(state, makeModeSense10(page, defaults, allocation));
}

bool modeSelect10(DriveState& state, std::span<const std::uint8_t> parameters) {
    if (parameters.empty() || parameters.size() > 0xFFFF) return false;
    return runWithParameters(state, makeModeSelect10(static_cast<std::uint16_t>(parameters.size())),
                             parameters);
}

bool closeTrackSession(DriveState& state, bool immediate, std::uint8_t function,
                       std::uint32_t track) {
    return run(state, makeCloseTrackSession(immediate, function, track));
}

bool readBufferCapacity(DriveState& state) {
    return run(state, makeReadBufferCapacity());
}

bool setStreaming(DriveState& state, std::span<const std::uint8_t> descriptor) {
    return runWithParameters(state, makeSetStreaming(static_cast<std::uint16_t>(descriptor.size())),
                             descriptor);
}

bool setCdSpeed(DriveState& state, std::uint8_t readFactor, std::uint8_t writeFactor) {
    return run(state,
               makeSetCdSpeed(speedFactorToKbps(readFactor), speedFactorToKbps(writeFactor)));
}

bool sendDiscStructure(DriveState& state, std::uint8_t format,
                       std::span<const std::uint8_t> parameters) {
    return runWithParameters(
        state, makeSendDiscStructure(format, static_cast<std::uint16_t>(parameters.size())),
        parameters);
}

std::uint8_t lastAsc(const DriveState& state) {
    return decodeSense(state.sense).asc;
}

MediaType DetermineMediaType(DriveState& state) {
    MediaType type = kMediaNone;
    if (getConfiguration(state, 0, 114)) {
        type = mediaTypeFromProfile(currentProfile(state.configuration));
    } else if (readAtip(state)) {
        type = mediaTypeFromAtip(std::span(state.data.data(), kAtipLength));
    } else if (readDiscInformation(state, 66)) {
        type = mediaTypeFromDiscInformation(state.discInformationRaw);
    } else {
        type = testUnitReady(state) ? kMediaCdRom : kMediaNone;
    }
    state.mediaType = type;
    return type;
}

bool sendWriteParameters(DriveState& state, std::uint8_t multiSession) {
    if (!modeSense10(state, kPageWriteParameters, false, kDataBufferSize)) return false;
    std::array<std::uint8_t, kDataBufferSize> answer = state.data;
    const auto offset = findModePage(answer, kPageWriteParameters);
    if (!offset) return false;
    // Ask for underrun protection only when the drive offers it.
    const bool protect = state.bufferUnderrunRequested && (state.capabilities[4] & 0x80) != 0;
    const auto length =
        buildWriteParameters(answer, *offset, state.mediaType, multiSession, protect);
    if (length == 0) return false;
    state.writeParameters.fill(0);
    std::copy_n(answer.begin() + static_cast<std::ptrdiff_t>(*offset),
                std::min<std::size_t>(state.writeParameters.size(), length - *offset),
                state.writeParameters.begin());
    return modeSelect10(state, std::span(answer.data(), length));
}

std::optional<std::uint32_t> lastTrackStart(DriveState& state) {
    const auto last = static_cast<std::uint8_t>(state.discInformationRaw[6]);
    if (readTrackInformation(state, last)) return state.trackInformation.trackStart;
    if (readTrackInformation(state, 1)) return state.trackInformation.trackStart;
    return std::nullopt;
}

std::optional<std::uint32_t> nextWritableAddress(DriveState& state) {
    const auto last = static_cast<std::uint8_t>(state.discInformationRaw[6]);
    if (readTrackInformation(state, last)) return state.trackInformation.nextWritable;
    if (readTrackInformation(state, 1)) return state.trackInformation.trackStart;
    return std::nullopt;
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
constexpr std::chrono::milliseconds kPoll{5000};
constexpr std::uint8_t kNotReady = 0x04;
}  // namespace

void waitWhileFormatting(DriveState& state, const Sleeper& sleep) {
    do {
        sleep(kPoll);
        readDiscInformation(state, 42);
    } while (lastAsc(state) == kNotReady);
}

void waitForDrive(DriveState& state, const Sleeper& sleep) {
    waitWhileFormatting(state, sleep);
    do {
        testUnitReady(state);
        sleep(kPoll);
    } while (lastAsc(state) == kNotReady);
}

void waitUntilReady(DriveState& state, const Sleeper& sleep) {
    do {
        readDiscInformation(state, 42);
        if (lastAsc(state) == kNotReady) sleep(kPoll);
    } while (lastAsc(state) == kNotReady);
}

int findDriveRow(const DriveState& state, const std::string& device) {
    for (std::size_t i = 0; i < state.drives.size(); ++i)
        if (state.drives[i].device == device) return static_cast<int>(i);
    return -1;
}

std::string mountDeviceFor(const std::string& path, const std::string& mountTable) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fs::weakly_canonical(fs::absolute(path, ec), ec);
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
