#pragma once
// The virtual drive's inside, shared by the files that answer its commands:
// the medium it holds, the faults it is told to show, the answer of the
// command being run, and one handler per MMC command.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "scsi/scsi_command.h"
#include "vdrive/virtual_drive.h"
#include "vdrive/virtual_medium.h"

namespace rondivo::vdrive {

namespace virtualdrive {

// Reads the CDB fields itself instead of sharing code with the command builders:
// the point of this drive is to check them.
inline std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
inline std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// CD multisession: lead-out of the closed session, lead-in and pre-gap of the next.
inline constexpr std::uint32_t kCdSessionGap = 6750 + 4500 + 150;
inline constexpr std::uint32_t kBufferSize = 2 * 1024 * 1024;
inline constexpr std::uint32_t kMinimumCdTrack = 300;
inline constexpr std::uint8_t kLinkSize = 16;  // DVD-R/-RW incremental recording
inline constexpr std::uint32_t kBdReWithSpares =
    11826176;  // a 25 GB BD-RE formatted with spare areas

struct Fault {
    int times = 0;
    std::optional<std::uint8_t> opcode;
    bool matches(std::uint8_t op) const { return times > 0 && (!opcode || *opcode == op); }
};

struct SenseFault {
    Fault when;
    std::uint8_t key = 0, asc = 0, ascq = 0;
};

// One command as the handlers see it.
struct Request {
    const std::uint8_t* cdb;
    std::uint8_t* data;
    std::uint32_t length;
};

// Copies an answer no longer than the allocation length allows.
template <std::size_t N>
void answer(const Request& r, const std::array<std::uint8_t, N>& a, std::uint32_t allocation) {
    std::memcpy(r.data, a.data(), std::min<std::size_t>({r.length, allocation, N}));
}
inline void answer(const Request& r, const std::vector<std::uint8_t>& a, std::uint32_t allocation) {
    std::memcpy(r.data, a.data(), std::min<std::size_t>({r.length, allocation, a.size()}));
}

inline char hexDigit(std::uint8_t v) {
    return "0123456789ABCDEF"[v & 15];
}

}  // namespace virtualdrive

using virtualdrive::Fault;
using virtualdrive::MediumModel;
using virtualdrive::MediumState;
using virtualdrive::Request;
using virtualdrive::SenseFault;
using virtualdrive::Track;

struct VirtualDrive::Impl {
    std::filesystem::path file;
    MediumState medium;
    bool trayOpen = false;
    bool prevent = false;
    WriteParameters params;
    std::uint16_t writeKbps = 0;
    std::string timestamp;
    std::array<std::uint8_t, 18> lastSense{};
    Fault notReady;
    std::uint8_t notReadyAscq = 1;
    Fault busy;
    SenseFault senseFault;
    Fault noSense;
    std::optional<std::uint32_t> writeErrorSector;
    bool mediumChange = false;
    bool negativeAddress = false;
    bool underrunProtection = true;
    bool quickFormatOffered = true;
    bool streamingSupported = true;
    int longOperationPolls = 0;
    int freshFormatsOverData = 0;
    int becomingReadyPolls = 0;
    // A long operation under way: polls left, its total and its ASCQ.
    int pendingPolls = 0;
    int pendingTotal = 0;
    std::uint8_t pendingAscq = 0;
    std::optional<std::uint8_t> longOperation;  // started by the command being run

    int fd = -1;
    std::vector<TraceEntry> trace;

    // Answer of the command being run.
    std::uint8_t status = 0;
    std::uint8_t key = 0, asc = 0, ascq = 0;
    int progress = -1;
    std::string note;
    using Handler = void (Impl::*)(const Request&);
    struct Command {
        std::uint8_t op;
        Handler handler;
        char direction;  // 'i' data in, 'o' data out, '-' none
        bool needsMedium;
    };
    static const Command* findCommand(std::uint8_t op);
    void load(const MediumModel& m);

    const MediumModel& model() const { return medium.model; }
    std::uint16_t profile() const { return medium.present ? model().profile : 0; }
    bool isDvdRw() const { return profile() == 0x13 || profile() == 0x14; }
    bool isDvdMinusR() const { return profile() == 0x11 || profile() == 0x15; }
    // Media written without a Write Parameters page: DVD+R, DVD+R DL, BD-R.
    bool ignoresWritePage() const {
        return profile() == 0x1B || profile() == 0x2B || profile() == 0x41;
    }
    // Incremental recording is possible now: not on a DVD-RW after a minimal blank.
    bool incrementalCurrent() const {
        return isDvdMinusR() || (profile() == 0x14 && !medium.minimallyBlanked);
    }
    std::uint16_t maxWriteKbps() const { return model().cd ? 7056 : 22160; }  // 40x CD, 16x DVD

    void fail(std::uint8_t k, std::uint8_t a, std::uint8_t q) {
        status = scsi::kScsiStatusCheckCondition;
        key = k;
        asc = a;
        ascq = q;
    }
    void illegal(std::uint8_t a, std::uint8_t q = 0) { fail(0x5, a, q); }
    // An immediate command that succeeded keeps the drive busy for a while.
    void startLongOperation(std::uint8_t operationAscq) { longOperation = operationAscq; }

    // --- questions -----------------------------------------------------------

    void testUnitReady(const Request&) {}

    void requestSense(const Request& r) { answer(r, lastSense, r.cdb[4]); }

    void inquiry(const Request& r);
    std::array<std::uint8_t, 64> capabilitiesPage(bool defaults) const;
    std::array<std::uint8_t, 52> writeParametersPage() const;
    void modeSense(const Request& r);
    void getConfiguration(const Request& r);
    void readAtip(const Request& r);
    void readDiscInformation(const Request& r);
    void readTrackInformation(const Request& r);
    std::vector<std::array<std::uint8_t, 8>> offeredFormats() const;
    void readFormatCapacities(const Request& r);
    void readBufferCapacity(const Request& r);

    // --- settings ------------------------------------------------------------

    bool pageFits(const WriteParameters& w) const;
    void modeSelect(const Request& r);
    void setCdSpeed(const Request& r);
    void setStreaming(const Request& r);
    void sendDiscStructure(const Request& r);

    // --- tray ------------------------------------------------------------------

    void startStop(const Request& r);

    void preventAllow(const Request& r) { prevent = (r.cdb[4] & 1) != 0; }

    // --- recording -------------------------------------------------------------

    void formatUnit(const Request& r);
    void applyFormat(std::uint8_t type, bool restart);
    void blank(const Request& r);
    void reserveTrack(const Request& r);
    bool refusesWriting();
    Track* sequentialTarget(std::uint32_t lba, std::uint32_t blocks);
    bool store(const std::uint8_t* in, std::uint32_t lba, std::uint32_t len);
    void write(const Request& r);
    void synchronizeCache(const Request& r);
    bool closeFunctionFits(std::uint8_t function) const;
    void closeTrack(std::uint16_t number);
    void closeSession(std::uint8_t function);
    void closeTrackSession(const Request& r);

    void rezero(const Request&) { illegal(0x20); }  // not an MMC command

    // --- dispatch --------------------------------------------------------------

    bool answeredEarly(std::uint8_t op);
    bool directionFits(const Command& cmd, const scsi::CommandBlock& block,
                       const std::uint8_t* data);
    void run(scsi::CommandBlock& block, std::uint8_t* data);
};

}  // namespace rondivo::vdrive
