#pragma once
// The request block every drive command travels in. It keeps the layout of the
// ASPI "execute SCSI command" request so that a Windows ASPI transport can hand
// it to the library unchanged; the Linux pass-through reads the same fields.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rondivo::burn {

// Values of CommandBlock::command and ::status (ASPI SC_EXEC_SCSI_CMD, SS_*).
inline constexpr std::uint8_t kExecuteScsiCommand = 2;
inline constexpr std::uint8_t kStatusPending = 0;
inline constexpr std::uint8_t kStatusDone = 1;
inline constexpr std::uint8_t kStatusError = 4;

// CommandBlock::flags.
inline constexpr std::uint8_t kFlagEventNotify = 0x40;
inline constexpr std::uint8_t kFlagDataIn = 0x08;
inline constexpr std::uint8_t kFlagDataOut = 0x10;

// SCSI status bytes (SAM).
inline constexpr std::uint8_t kScsiStatusGood = 0x00;
inline constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;
inline constexpr std::uint8_t kScsiStatusBusy = 0x08;

inline constexpr std::size_t kSenseAreaSize = 32;
inline constexpr std::uint8_t kRequestedSenseLength = 24;

struct CommandBlock {
    std::uint8_t command = kExecuteScsiCommand;
    std::uint8_t status = kStatusPending;
    std::uint8_t hostAdapter = 0;
    std::uint8_t flags = 0;
    std::uint32_t reserved0 = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
    std::uint8_t reserved1[2] = {};
    std::uint32_t dataLength = 0;
    // A 32-bit buffer address only means something to the 32-bit ASPI library; on
    // other builds the buffer travels beside the block (see ExecuteCommand).
    std::uint32_t bufferAddress = 0;
    std::uint8_t senseLength = kRequestedSenseLength;
    std::uint8_t cdbLength = 0;
    std::uint8_t hostAdapterStatus = 0;
    std::uint8_t targetStatus = 0;
    std::uint32_t completionEvent = 0;
    std::uint8_t reserved2[20] = {};
    std::array<std::uint8_t, 16> cdb{};
    std::array<std::uint8_t, kSenseAreaSize> sense{};

    std::uint8_t opcode() const { return cdb[0]; }
    bool readsData() const { return (flags & kFlagDataIn) != 0; }
    bool writesData() const { return (flags & kFlagDataOut) != 0; }
};

static_assert(offsetof(CommandBlock, command) == 0);
static_assert(offsetof(CommandBlock, status) == 1);
static_assert(offsetof(CommandBlock, hostAdapter) == 2);
static_assert(offsetof(CommandBlock, flags) == 3);
static_assert(offsetof(CommandBlock, reserved0) == 4);
static_assert(offsetof(CommandBlock, target) == 8);
static_assert(offsetof(CommandBlock, lun) == 9);
static_assert(offsetof(CommandBlock, dataLength) == 12);
static_assert(offsetof(CommandBlock, bufferAddress) == 16);
static_assert(offsetof(CommandBlock, senseLength) == 20);
static_assert(offsetof(CommandBlock, cdbLength) == 21);
static_assert(offsetof(CommandBlock, hostAdapterStatus) == 22);
static_assert(offsetof(CommandBlock, targetStatus) == 23);
static_assert(offsetof(CommandBlock, completionEvent) == 24);
static_assert(offsetof(CommandBlock, reserved2) == 28);
static_assert(offsetof(CommandBlock, cdb) == 48);
static_assert(offsetof(CommandBlock, sense) == 64);
static_assert(sizeof(CommandBlock) == 96);

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

}  // namespace rondivo::burn
