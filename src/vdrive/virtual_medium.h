#pragma once
// What the virtual drive holds: one medium's model (profile, capacity, how it
// is written) and its state (tracks, sessions, disc status, format state).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rondivo::vdrive::virtualdrive {

struct MediumModel {
    const char* name;
    std::uint16_t profile;
    std::uint32_t capacity;  // sectors (BD-RE: formatted without spare areas)
    bool erasable;
    bool sequential;  // writes go to the next writable address of an open track
    bool cd;
    bool recordable;  // false: a pressed disc
};

// The model of a profile; nothing for a profile the drive does not know.
const MediumModel* modelFor(std::uint16_t profile);
const MediumModel* modelNamed(const std::string& lowerCaseName);

struct Track {
    std::uint32_t start = 0;
    std::uint32_t reserved = 0;  // 0: the invisible track, open to the end of the disc
    std::uint32_t recorded = 0;
    std::uint16_t session = 1;
    bool closed = false;
    bool damaged = false;  // written, then left by a crash or power loss
};

// DVD+RW background format status, as READ DISC INFORMATION reports it.
enum BackgroundFormat : std::uint8_t { kNotFormatted = 0, kSuspended = 1, kRunning = 2, kDone = 3 };

struct MediumState {
    MediumModel model{};
    bool present = false;
    std::vector<Track> tracks;
    std::uint16_t sessions = 1;
    bool sessionHasData = false;  // the open session has written or reserved tracks
    std::uint8_t discStatus = 0;  // 0 empty, 1 appendable, 2 complete
    std::uint8_t backgroundFormat = kNotFormatted;
    std::uint32_t capacity = 0;     // sectors the disc holds now
    bool intermediate = false;      // DVD-RW quick-formatted or grown: its session is open
    bool minimallyBlanked = false;  // DVD-RW after a minimal blank: disc at once only
    bool formatted = false;         // BD-RE
    bool discAtOnceTrack = false;   // the reserved track closes the disc when full
    std::uint32_t highestWritten = 0;

    // A fresh blank (or, for a pressed model, a full and closed disc).
    void load(const MediumModel& m);
    // Closes the disc as a finished burn would: nothing more may be written.
    void finalize();

    bool writable() const { return model.recordable; }
    std::uint32_t endOf(const Track& t) const {
        return t.reserved ? t.start + t.reserved : capacity;
    }
    std::uint32_t openSessionStart() const;
    Track& invisible() { return tracks.back(); }
    // Closes the open session's tracks; `appendable` leaves room for another.
    void closeSession(bool appendable, std::uint32_t sessionGap);
    // Closes one track; the invisible track after it opens.
    void closeTrack(Track& t);
    std::array<std::uint8_t, 34> discInformation() const;
    std::array<std::uint8_t, 48> trackInformation(std::size_t index, bool negativeBlankNwa) const;
};

}  // namespace rondivo::vdrive::virtualdrive
