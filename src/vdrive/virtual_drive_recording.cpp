#include <cstdio>

#include "platform/file_io.h"
#include "vdrive/virtual_drive_impl.h"

namespace rondivo::vdrive {

using namespace virtualdrive;

void VirtualDrive::Impl::formatUnit(const Request& r) {
    if ((r.cdb[1] & 0x10) == 0 || r.length < 12) return illegal(0x24);
    if (be16(r.data + 2) != 8) return illegal(0x26);
    const std::uint8_t type = r.data[8] >> 2;
    const bool restart = type == 0x26 && (r.data[11] & 1) != 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "type=%c%ch%s", hexDigit(type >> 4), hexDigit(type),
                  restart ? " restart=1" : "");
    note = buf;
    const auto offered = offeredFormats();
    if (std::none_of(offered.begin(), offered.end(),
                     [&](const auto& d) { return (d[4] >> 2) == type; }))
        return illegal(0x26);
    // Restarting needs a suspended format to go on with.
    if (restart && medium.backgroundFormat != virtualdrive::kSuspended) return illegal(0x26);
    applyFormat(type, restart);
    if (r.data[1] & 0x02) startLongOperation(0x04);
}

void VirtualDrive::Impl::applyFormat(std::uint8_t type, bool restart) {
    if (profile() == 0x1A) {
        // Without the restart bit a suspended format begins again from the
        // start: what was formatted (and written) is lost.
        if (!restart && medium.backgroundFormat != virtualdrive::kNotFormatted)
            ++freshFormatsOverData;
        medium.backgroundFormat = virtualdrive::kRunning;
    } else if (profile() == 0x43) {
        medium.formatted = true;
        medium.capacity = type == 0x30 ? kBdReWithSpares : model().capacity;
    } else if (type == 0x15) {
        medium.load(*virtualdrive::modelFor(0x13));
        medium.intermediate = true;
    } else if (type == 0x13) {
        medium.intermediate = true;  // grown to the whole disc, open until closed
    } else if (type == 0x10) {
        medium.load(*virtualdrive::modelFor(0x14));
    }
}

void VirtualDrive::Impl::blank(const Request& r) {
    if (!model().erasable || !model().sequential || profile() == 0x12) {
        if (profile() != 0x13) return illegal(0x30, 0x06);
    }
    const std::uint8_t type = r.cdb[1] & 7;
    if (type != 0 && type != 1) return illegal(0x24);
    medium.load(*virtualdrive::modelFor(model().cd ? 0x0A : 0x14));
    // A minimal blank leaves a DVD-RW writable in one go only.
    medium.minimallyBlanked = !model().cd && type == 1;
    params = WriteParameters{};
    if (r.cdb[1] & 0x10) startLongOperation(0x07);
}

void VirtualDrive::Impl::reserveTrack(const Request& r) {
    const std::uint32_t size = be32(r.cdb + 5);
    if (!model().sequential || medium.discStatus == 2) return illegal(0x2C);
    Track& t = medium.invisible();
    if (size == 0 || t.recorded != 0 || t.reserved != 0) return illegal(0x2C);
    if (std::uint64_t{t.start} + size > medium.capacity) return illegal(0x21);
    t.reserved = size;
    Track next;
    next.start = t.start + size;
    next.session = medium.sessions;
    medium.tracks.push_back(next);
    medium.sessionHasData = true;
    medium.discAtOnceTrack = params.writeType == 2;
    medium.discStatus = 1;
}

// Why a write to the medium is refused before any address is looked at.
bool VirtualDrive::Impl::refusesWriting() {
    if (!medium.writable()) return fail(0x7, 0x27, 0x00), true;  // write protected
    if (profile() == 0x1A && medium.backgroundFormat == 0) return illegal(0x30, 0x05), true;
    if (profile() == 0x43 && !medium.formatted) return illegal(0x30, 0x05), true;
    if (profile() == 0x42) return illegal(0x30, 0x05), true;  // pseudo-overwrite not modelled
    if (!model().sequential || ignoresWritePage()) return false;
    const bool fits = params.set && (model().cd ? params.writeType == 1
                                                : params.writeType == 0 || params.writeType == 2);
    if (!fits) return illegal(0x64), true;
    // After a minimal blank a DVD-RW takes disc-at-once writing only.
    if (params.writeType == 0 && !incrementalCurrent()) return illegal(0x64), true;
    // Disc at once writes only into the track reserved for it.
    if (params.writeType == 2 && !medium.discAtOnceTrack) return illegal(0x2C), true;
    return false;
}

Track* VirtualDrive::Impl::sequentialTarget(std::uint32_t lba, std::uint32_t blocks) {
    if (medium.discStatus == 2) return illegal(0x21, 0x02), nullptr;
    Track* target = nullptr;
    for (auto& t : medium.tracks)
        if (!t.closed && t.start + t.recorded == lba) target = &t;
    if (!target || (target->reserved && target->recorded + blocks > target->reserved))
        return illegal(0x21, 0x02), nullptr;
    return target;
}

bool VirtualDrive::Impl::store(const std::uint8_t* in, std::uint32_t lba, std::uint32_t len) {
    if (fd < 0) {
        fd = platform::openForWriting(file, platform::Create::Truncate, 0644);
        if (fd < 0) return false;
    }
    const std::uint64_t offset = static_cast<std::uint64_t>(lba) * 2048;
    for (std::size_t done = 0; done < len;) {
        const long n = platform::writeAt(fd, in + done, len - done, offset + done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void VirtualDrive::Impl::write(const Request& r) {
    const std::uint32_t lba = be32(r.cdb + 2);
    const std::uint32_t blocks = be16(r.cdb + 7);
    if (r.length != blocks * 2048u) return illegal(0x24);
    if (blocks == 0) return;
    if (std::uint64_t{lba} + blocks > medium.capacity) return illegal(0x21);
    if (refusesWriting()) return;
    Track* target = nullptr;
    if (model().sequential) {
        if (!(target = sequentialTarget(lba, blocks))) return;
    } else if (profile() == 0x13 && (lba % 16 || blocks % 16)) {
        return illegal(0x21, 0x02);  // whole 32 KiB ECC blocks only
    }
    if (writeErrorSector && *writeErrorSector >= lba && *writeErrorSector < lba + blocks)
        return fail(0x3, 0x0C, 0x00);
    if (params.testWrite && model().sequential) return;  // a test write records nothing
    if (!store(r.data, lba, r.length)) return fail(0x3, 0x0C, 0x00);
    medium.highestWritten = std::max(medium.highestWritten, lba + blocks);
    if (target) {
        target->recorded += blocks;
        medium.sessionHasData = true;
        medium.discStatus = 1;
    }
}

void VirtualDrive::Impl::synchronizeCache(const Request& r) {
    if (r.cdb[1] & 2) startLongOperation(0x07);
    // A disc-at-once track that is full closes the disc.
    if (medium.discAtOnceTrack) {
        const Track& t = medium.tracks[medium.tracks.size() - 2];
        if (t.recorded == t.reserved) medium.closeSession(false, 0);
    }
}

// Close functions each medium knows (MMC-6 table "close function").
bool VirtualDrive::Impl::closeFunctionFits(std::uint8_t function) const {
    switch (profile()) {
        case 0x1A:
            return function == 0 || function == 2 || function == 3;
        case 0x1B:
        case 0x2B:
            return function == 1 || function == 2 || function == 5 || function == 6;
        case 0x41:
            return function == 1 || function == 2 || function == 6;
        case 0x13:
            return function == 2 || function == 3;
        case 0x14:
            return function >= 1 && function <= 3;
        case 0x09:
        case 0x0A:
        case 0x11:
        case 0x15:
            return function == 1 || function == 2;
        default:
            return false;  // random-access media have nothing to close
    }
}

void VirtualDrive::Impl::closeTrack(std::uint16_t number) {
    auto& tracks = medium.tracks;
    if (number == 0 || number > tracks.size()) return illegal(0x24);
    Track& t = tracks[number - 1u];
    if (t.closed || (t.recorded == 0 && t.reserved == 0)) return;  // empty: nothing to do
    // A CD track shorter than 300 sectors cannot be closed.
    if (model().cd && t.recorded < kMinimumCdTrack) return fail(0x5, 0x72, 0x03);
    medium.closeTrack(t);
}

void VirtualDrive::Impl::closeSession(std::uint8_t function) {
    if (!medium.sessionHasData) return illegal(0x2C);
    bool appendable = function == 2 && params.multiSession == 3;
    // DVD+R and BD-R: the function decides.
    if (ignoresWritePage()) appendable = function == 2;
    if (profile() == 0x14 && function == 3) appendable = false;
    medium.closeSession(appendable, model().cd ? kCdSessionGap : 0);
}

void VirtualDrive::Impl::closeTrackSession(const Request& r) {
    const std::uint8_t function = r.cdb[2] & 7;
    const std::uint16_t number = be16(r.cdb + 4);
    if (!closeFunctionFits(function)) return illegal(0x24);
    if (r.cdb[1] & 1) startLongOperation(0x07);
    if (profile() == 0x1A) {
        // Stops the background format; the formatted part reads everywhere.
        if (medium.backgroundFormat == virtualdrive::kRunning)
            medium.backgroundFormat = virtualdrive::kDone;
        return;
    }
    if (profile() == 0x13) {
        medium.intermediate = false;  // the lead-out makes it readable everywhere
        return;
    }
    if (function == 1) return closeTrack(number);
    closeSession(function);
}

}  // namespace rondivo::vdrive
