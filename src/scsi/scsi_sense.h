#pragma once
// Sense data decoding (SPC-4 4.5): what went wrong with the last command.
#include <cstdint>
#include <span>
#include <string>

namespace rondivo::scsi {

// Sense keys (SPC-4 table 27).
enum class SenseKey : std::uint8_t {
    NoSense = 0x0,
    RecoveredError = 0x1,
    NotReady = 0x2,
    MediumError = 0x3,
    HardwareError = 0x4,
    IllegalRequest = 0x5,
    UnitAttention = 0x6,
    DataProtect = 0x7,
    BlankCheck = 0x8,
    AbortedCommand = 0xB,
};

struct SenseInfo {
    bool valid = false;  // response code 70h-73h
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
    // Share done of a long operation, 0-65535, from the sense-key specific bytes.
    int progress = -1;

    bool notReady() const { return asc == 0x04; }  // "logical unit not ready, ..."
    // Linux reports a swapped disc as unit attention 28h ("not ready to ready
    // change, medium may have changed"); the command is worth one more try.
    bool mediumMayHaveChanged() const {
        return key == static_cast<std::uint8_t>(SenseKey::UnitAttention) && asc == 0x28;
    }
};

// What a command's answer means for the one who waits on it.
enum class SenseVerdict {
    Success,   // good status, or an error the drive recovered from itself
    TryAgain,  // the drive is busy with something that ends by itself
    Failed,
};
// Sense data that is not there (an ioctl or host failure) is a failure, never
// "try again".
SenseVerdict judgeSense(const SenseInfo& sense);

// Reads fixed (70h/71h) and descriptor (72h/73h) format sense data; anything
// else, or too few bytes, gives an invalid, all-zero result.
SenseInfo decodeSense(std::span<const std::uint8_t> sense);

// Writes fixed-format sense data: response code 70h, key at byte 2, additional
// length 10, ASC at byte 12, ASCQ at byte 13. `out` must hold 18 bytes.
void encodeFixedSense(std::span<std::uint8_t> out, std::uint8_t key, std::uint8_t asc,
                      std::uint8_t ascq);

// A short English description for diagnostics, e.g. "NOT READY: medium not present".
std::string describeSense(const SenseInfo& sense);

}  // namespace rondivo::scsi
