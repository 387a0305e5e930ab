#pragma once
// Rock Ridge (RRIP 1.10, announced as "RRIP_1991A", over SUSP 1.10) in the
// System Use field of the primary hierarchy's directory records: POSIX
// modes, the long names and the times, so that a Linux desktop sees
// autorun.sh as executable. Windows reads the Joliet hierarchy and never
// looks here. RRIP 1.10 has no inode number in PX: one version, stated in ER.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "iso/iso_image.h"

namespace rondivo::iso {

// Read-only medium: nobody writes, everyone reads; folders and programs
// may be entered and run.
inline constexpr std::uint32_t kModeDirectory = 040555;
inline constexpr std::uint32_t kModeFile = 0100444;
inline constexpr std::uint32_t kModeExecutable = 0100555;

// The largest directory record: its length must be even (ECMA-119 §9.1.1).
inline constexpr std::uint32_t kMaxRecordLength = 254;

// What one record says in Rock Ridge.
struct RockRidgeRecord {
    std::uint32_t mode = kModeFile;
    std::uint32_t links = 1;
    const ImageTime* time = nullptr;
    std::string_view name;    // UTF-8; empty for "." and ".."
    bool volumeRoot = false;  // the root's "." record: SP first, ER continued
};

// How a record's System Use is split between the record and a continuation area.
struct SystemUseSplit {
    std::uint32_t inRecord = 0;   // even
    std::uint32_t continued = 0;  // 0: no continuation area
};

// `room`: what the record leaves after its identifier, up to kMaxRecordLength.
SystemUseSplit splitSystemUse(bool volumeRoot, std::size_t nameBytes, std::uint32_t room);

struct ContinuationPlace {
    std::uint32_t sector = 0;
    std::uint32_t offset = 0;
};

// Continuation areas packed one after the other from `firstSector`; none
// crosses the end of a sector (SUSP 5.1).
class ContinuationAreas {
  public:
    explicit ContinuationAreas(std::uint32_t firstSector) : first_(firstSector) {}
    ContinuationPlace place(std::uint32_t bytes);
    std::uint32_t sectors() const { return used_ == 0 && current_ == 0 ? 0 : current_ + 1; }

  private:
    std::uint32_t first_;
    std::uint32_t current_ = 0;
    std::uint32_t used_ = 0;
};

// Writes the entries: `split.inRecord` bytes at `systemUse` and, when
// split.continued, the rest at `continuation` (which is `place` in the image).
void putRockRidge(std::uint8_t* systemUse, std::uint8_t* continuation, const RockRidgeRecord& r,
                  const SystemUseSplit& split, ContinuationPlace place);

// Bytes utf16ToUtf8 makes of `text`.
std::size_t utf8Bytes(std::u16string_view text);

}  // namespace rondivo::iso
