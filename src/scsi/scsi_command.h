#pragma once
// The request block every drive command travels in: the CDB, the data
// direction and length, and what came back (status and sense data). Each
// transport maps it onto its operating system's pass-through request.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rondivo::scsi {

// Values of CommandBlock::status.
inline constexpr std::uint8_t kStatusPending = 0;
inline constexpr std::uint8_t kStatusDone = 1;
inline constexpr std::uint8_t kStatusError = 4;

// CommandBlock::flags.
inline constexpr std::uint8_t kFlagDataIn = 0x08;
inline constexpr std::uint8_t kFlagDataOut = 0x10;

// SCSI status bytes (SAM).
inline constexpr std::uint8_t kScsiStatusGood = 0x00;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;
inline constexpr std::uint8_t kScsiStatusBusy = 0x08;

inline constexpr std::size_t kSenseAreaSize = 32;
inline constexpr std::uint8_t kRequestedSenseLength = 24;

struct CommandBlock {
    std::uint8_t status = kStatusPending;
    std::uint8_t flags = 0;
    std::uint32_t dataLength = 0;
    std::uint8_t senseLength = kRequestedSenseLength;
    std::uint8_t cdbLength = 0;
    std::uint8_t hostAdapterStatus = 0;  // non-zero: the transport or host failed
    std::uint8_t targetStatus = 0;
    std::array<std::uint8_t, 16> cdb{};
    std::array<std::uint8_t, kSenseAreaSize> sense{};

    std::uint8_t opcode() const { return cdb[0]; }
    bool readsData() const { return (flags & kFlagDataIn) != 0; }
    bool writesData() const { return (flags & kFlagDataOut) != 0; }
};

// Big-endian fields of CDBs and MMC answers.
inline void putBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
inline void putBe24(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 16);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v);
}
inline void putBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}
inline std::uint16_t getBe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t getBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

}  // namespace rondivo::scsi
