#include "vdrive/virtual_medium.h"

#include <algorithm>

#include "scsi/scsi_command.h"

namespace rondivo::vdrive::virtualdrive {

namespace {

// Capacities of common blanks: 80-minute CD, single-layer DVD, 4.7 GB DVD-RAM.
constexpr MediumModel kModels[] = {
    {"cd-rom", 0x08, 359847, false, false, true, false},
    {"cd-r", 0x09, 359847, false, true, true, true},
    {"cd-rw", 0x0A, 359847, true, true, true, true},
    {"dvd-rom", 0x10, 2298496, false, false, false, false},
    {"dvd-r", 0x11, 2298496, false, true, false, true},
    {"dvd-ram", 0x12, 2236704, true, false, false, true},
    {"dvd-rw-ro", 0x13, 2298496, true, false, false, true},
    {"dvd-rw", 0x14, 2298496, true, true, false, true},
    {"dvd+rw", 0x1A, 2295104, true, false, false, true},
    {"dvd+r", 0x1B, 2295104, false, true, false, true},
    {"dvd-r-dl", 0x15, 4171712, false, true, false, true},
    {"dvd+r-dl", 0x2B, 4173824, false, true, false, true},
    {"bd-rom", 0x40, 12219392, false, false, false, false},
    {"bd-r", 0x41, 12219392, false, true, false, true},
    {"bd-r-dl", 0x41, 24438784, false, true, false, true},
    {"bd-r-rrm", 0x42, 12219392, false, false, false, true},
    {"bd-re", 0x43, 12219392, true, false, false, true},
};

}  // namespace

const MediumModel* modelFor(std::uint16_t profile) {
    for (const auto& m : kModels)
        if (m.profile == profile) return &m;
    return nullptr;
}

const MediumModel* modelNamed(const std::string& name) {
    for (const auto& m : kModels)
        if (name == m.name) return &m;
    return nullptr;
}

void MediumState::load(const MediumModel& m) {
    *this = MediumState{};
    model = m;
    capacity = m.capacity;
    present = true;
    tracks = {Track{}};
    if (!m.recordable) {
        tracks[0].recorded = tracks[0].reserved = m.capacity / 2;
        tracks[0].closed = true;
        discStatus = 2;
    }
}

void MediumState::finalize() {
    Track& t = tracks.back();
    if (t.recorded == 0) t.recorded = 1000;
    closeSession(false, 0);
}

std::uint32_t MediumState::openSessionStart() const {
    for (const auto& t : tracks)
        if (t.session == sessions) return t.start;
    return 0;
}

void MediumState::closeTrack(Track& t) {
    t.closed = true;
    if (&t != &tracks.back()) return;
    if (!t.reserved) t.reserved = t.recorded;
    Track next;
    next.start = t.start + t.reserved;
    next.session = sessions;
    tracks.push_back(next);
}

void MediumState::closeSession(bool appendable, std::uint32_t sessionGap) {
    for (auto& t : tracks) {
        if (t.session == sessions && (t.recorded || t.reserved)) {
            t.closed = true;
            if (!t.reserved) t.reserved = t.recorded;
        }
    }
    while (tracks.size() > 1 && tracks.back().recorded == 0 && tracks.back().reserved == 0)
        tracks.pop_back();
    sessionHasData = false;
    discAtOnceTrack = false;
    if (!appendable) {
        discStatus = 2;
        return;
    }
    Track next;
    next.start = endOf(tracks.back()) + sessionGap;
    ++sessions;
    next.session = sessions;
    tracks.push_back(next);
    discStatus = 1;
}

std::array<std::uint8_t, 34> MediumState::discInformation() const {
    std::array<std::uint8_t, 34> a{};
    scsi::putBe16(&a[0], 32);
    std::uint8_t lastSession = 0;  // empty
    std::uint8_t status = discStatus;
    if (!model.sequential && model.recordable) {
        // Random access is reported complete, except a restricted-overwrite
        // DVD-RW whose session is still open after a quick format or grow.
        lastSession = intermediate ? 1 : 3;
        status = 2;
    } else if (discStatus == 2) {
        lastSession = 3;
    } else if (sessionHasData) {
        lastSession = 1;
    }
    a[2] = static_cast<std::uint8_t>((model.erasable ? 0x10 : 0) | lastSession << 2 | status);
    a[3] = 1;
    const auto firstInLast = static_cast<std::uint16_t>(
        std::find_if(tracks.begin(), tracks.end(),
                     [&](const Track& t) { return t.session == sessions; }) -
        tracks.begin() + 1);
    const auto lastInLast = static_cast<std::uint16_t>(tracks.size());
    a[4] = static_cast<std::uint8_t>(sessions);
    a[5] = static_cast<std::uint8_t>(firstInLast);
    a[6] = static_cast<std::uint8_t>(lastInLast);
    a[7] = model.profile == 0x1A ? backgroundFormat : 0;
    a[9] = static_cast<std::uint8_t>(sessions >> 8);
    a[10] = static_cast<std::uint8_t>(firstInLast >> 8);
    a[11] = static_cast<std::uint8_t>(lastInLast >> 8);
    scsi::putBe32(&a[16], discStatus == 2 ? 0xFFFFFFFF : openSessionStart());
    scsi::putBe32(&a[20], capacity);
    return a;
}

std::array<std::uint8_t, 48> MediumState::trackInformation(std::size_t index,
                                                           bool negativeBlankNwa) const {
    const Track& t = tracks[index];
    const bool last = index + 1 == tracks.size();
    const bool writable =
        model.recordable && (model.sequential ? (!t.closed && discStatus != 2) : true);
    const std::uint32_t size = endOf(t) - t.start;
    std::array<std::uint8_t, 48> a{};
    scsi::putBe16(&a[0], 46);
    a[2] = static_cast<std::uint8_t>(index + 1);
    a[3] = static_cast<std::uint8_t>(t.session);
    a[5] = static_cast<std::uint8_t>((model.cd ? 4 : 5) | (t.damaged ? 0x20 : 0));
    a[6] = static_cast<std::uint8_t>((t.recorded == 0 && model.sequential ? 0x40 : 0) |
                                     (t.reserved ? 0x80 : 0) | 1);
    if (!model.cd) a[6] |= 0x30;  // fixed packets
    a[7] = static_cast<std::uint8_t>((writable ? 1 : 0) | (t.recorded ? 2 : 0));
    std::uint32_t nwa = writable ? (model.sequential ? t.start + t.recorded : 0) : 0;
    // Some drives count the pre-gap of a blank CD's first track before zero.
    if (negativeBlankNwa && writable && discStatus == 0 && index == 0) nwa = 0xFFFFFF6A;
    scsi::putBe32(&a[8], t.start);
    scsi::putBe32(&a[12], nwa);
    scsi::putBe32(
        &a[16],
        writable ? (last || t.reserved ? size - (model.sequential ? t.recorded : 0) : 0) : 0);
    scsi::putBe32(&a[20], model.cd ? 0 : 16);
    scsi::putBe32(&a[24], t.reserved || !last ? (t.reserved ? t.reserved : t.recorded) : size);
    scsi::putBe32(&a[28], t.recorded ? t.start + t.recorded - 1 : 0);
    a[32] = static_cast<std::uint8_t>((index + 1) >> 8);
    a[33] = static_cast<std::uint8_t>(t.session >> 8);
    return a;
}

}  // namespace rondivo::vdrive::virtualdrive
