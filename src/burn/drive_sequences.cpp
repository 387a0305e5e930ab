#include "burn/drive_sequences.h"

namespace rondivo::burn {

namespace {

constexpr std::uint8_t kNotReady = 0x04;
constexpr std::uint8_t kMultiSessionOpen = 3;

bool isDvdRw(MediaType m) {
    return m == kMediaDvdRwRestricted || m == kMediaDvdRwSequential;
}

std::uint8_t multiSessionForFinalize(const DriveState& state) {
    return state.finalize ? 0 : kMultiSessionOpen;
}

}  // namespace

WriterSetup prepareForWriting(DriveState& state, std::uint32_t volumeSectors, const UtcTime& now,
                              const Sleeper& sleep) {
    WriterSetup setup;
    const MediaType media = state.mediaType;

    synchronizeCache(state, false);
    rezeroUnit(state);
    sendWriteParameters(state, 0);
    readDiscInformation(state, 66);

    // Blank DVD-RW is quick-formatted first; the format runs in the background.
    if (isDvdRw(media) && formatUnit(state)) waitWhileFormatting(state, sleep);

    setup.writeStart = nextWritableAddress(state).value_or(0);

    sendWriteParameters(state, media == kMediaDvdPlusR && !state.finalize ? kMultiSessionOpen : 0);
    setCdSpeed(state, 0, state.writeSpeed);

    if (readDiscInformation(state, 66)) {
        setup.completeSessions = completeSessions(state.discInformation);
    } else {
        setup.completeSessions = media == kMediaDvdRam ? 1 : 0;
    }

    if (media == kMediaDvdR) {
        setStreaming(state, dvdRStreamingDescriptor());
        sendDiscStructure(state, 0x0F, timestampStructure(now));
        reserveTrack(state, volumeSectors);
    }
    state.releaseHandle = false;
    return setup;
}

WriteOutcome writeWithRetry(DriveState& state, std::uint32_t lba, std::uint16_t blocks,
                            std::span<const std::uint8_t> data, const Sleeper& sleep) {
    for (int attempt = 0;; ++attempt) {
        if (write10(state, lba, blocks, data)) return WriteOutcome::Written;
        const std::uint8_t asc = lastAsc(state);
        if (!state.busy && asc != kNotReady && asc != 0) return WriteOutcome::Failed;
        if (attempt >= kWriteRetries) return WriteOutcome::Failed;
        sleep(std::chrono::milliseconds(100));
    }
}

void closeMedium(DriveState& state, std::uint16_t k, const Sleeper& sleep) {
    state.releaseHandle = true;
    const MediaType media = state.mediaType;
    const auto track = [k](int n) { return static_cast<std::uint32_t>(k + n); };

    switch (media) {
        case kMediaDvdR:
            synchronizeCache(state, false);
            closeTrackSession(state, false, kCloseTrack, track(1));
            closeTrackSession(state, false, kCloseTrack, track(2));
            closeTrackSession(state, false, kCloseSession, track(3));
            waitUntilReady(state, sleep);
            break;
        case kMediaDvdPlusR:
            synchronizeCache(state, false);
            closeTrackSession(state, false, kCloseTrack, track(1));
            closeTrackSession(state, false, kCloseSession, kAnyTrack);
            waitUntilReady(state, sleep);
            break;
        case kMediaDvdPlusRw:
            synchronizeCache(state, false);
            closeTrackSession(state, false, kCloseFinal, kAnyTrack);
            waitUntilReady(state, sleep);
            break;
        case kMediaDvdRwRestricted:
        case kMediaDvdRwSequential:
            synchronizeCache(state, false);
            closeTrackSession(state, false, kCloseTrack, 1);
            closeTrackSession(state, true, kCloseSession, 0);
            waitWhileFormatting(state, sleep);
            waitUntilReady(state, sleep);
            break;
        case kMediaCdR:
        case kMediaCdRw:
            synchronizeCache(state, true);
            waitForDrive(state, sleep);
            sendWriteParameters(state, multiSessionForFinalize(state));
            if (!closeTrackSession(state, true, kCloseSession, 0))
                closeTrackSession(state, true, kCloseTrack, kAnyTrack);
            waitUntilReady(state, sleep);
            break;
        default: {
            const bool ram = media == kMediaDvdRam;
            synchronizeCache(state, true);
            if (!ram) waitForDrive(state, sleep);
            if (!closeTrackSession(state, false, kCloseTrack, kAnyTrack))
                closeTrackSession(state, true, kCloseTrack, kAnyTrack);
            sendWriteParameters(state, multiSessionForFinalize(state));
            if (!closeTrackSession(state, true, kCloseSession, 0))
                closeTrackSession(state, false, kCloseSession, 0);
            if (!ram) waitUntilReady(state, sleep);
            break;
        }
    }
}

void finishTray(DriveState& state) {
    allowMediumRemoval(state);
    loadMedium(state, false);
    rezeroUnit(state);
    testUnitReady(state);
}

}  // namespace rondivo::burn
