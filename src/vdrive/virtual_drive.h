#pragma once
// A simulated MMC writer that records into an image file. It follows the public
// command definitions (MMC-6, SPC-4) on its own, so it can disagree with the
// code that drives it; it keeps a trace of what it was sent and can be told to
// fail the way real drives do.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "scsi/scsi_transport.h"

namespace rondivo::vdrive {

// MMC profile numbers of the media the virtual drive can hold.
namespace profile {
inline constexpr std::uint16_t kCdRom = 0x08;
inline constexpr std::uint16_t kCdR = 0x09;
inline constexpr std::uint16_t kCdRw = 0x0A;
inline constexpr std::uint16_t kDvdRom = 0x10;
inline constexpr std::uint16_t kDvdR = 0x11;
inline constexpr std::uint16_t kDvdRam = 0x12;
inline constexpr std::uint16_t kDvdRwRestricted = 0x13;
inline constexpr std::uint16_t kDvdRwSequential = 0x14;
inline constexpr std::uint16_t kDvdPlusRw = 0x1A;
inline constexpr std::uint16_t kDvdPlusR = 0x1B;
inline constexpr std::uint16_t kDvdRDl = 0x15;
inline constexpr std::uint16_t kDvdPlusRDl = 0x2B;
inline constexpr std::uint16_t kBdRom = 0x40;
inline constexpr std::uint16_t kBdR = 0x41;
inline constexpr std::uint16_t kBdRRandom = 0x42;
inline constexpr std::uint16_t kBdRe = 0x43;
}  // namespace profile

// "cd-rom", "cd-r", "cd-rw", "dvd-rom", "dvd-r", "dvd-rw", "dvd-rw-ro", "dvd+r",
// "dvd+rw", "dvd-ram", "dvd-r-dl", "dvd+r-dl", "bd-rom", "bd-r", "bd-r-dl",
// "bd-r-rrm", "bd-re" (any case).
std::optional<std::uint16_t> profileFromName(const std::string& name);
std::string profileName(std::uint16_t profile);

struct TraceEntry {
    std::array<std::uint8_t, 16> cdb{};
    std::uint8_t cdbLength = 0;
    std::uint32_t dataLength = 0;
    std::uint8_t scsiStatus = 0;  // good, check condition or busy
    std::uint8_t senseKey = 0, asc = 0, ascq = 0;
    bool reachedDrive = true;  // false: the handle refused it before the drive saw it
    std::string note;          // key fields of the parameter list ("type=26h", "wt=2 ms=0")

    std::uint8_t opcode() const { return cdb[0]; }
    bool ok() const { return scsiStatus == 0 && reachedDrive; }
    // "WRITE(10) lba=0 blocks=32", "CLOSE TRACK/SESSION immed=1 function=2 track=0", ...
    std::string text() const;
    // The text after the operation code in two hex digits: "2A WRITE(10) lba=0 blocks=32".
    std::string line() const;
};

// A decoded view of the Write Parameters page the drive was last given.
struct WriteParameters {
    bool set = false;
    std::uint8_t writeType = 1;
    bool testWrite = false;
    bool bufferUnderrunFree = false;
    bool linkSizeValid = false;
    std::uint8_t multiSession = 0;
    bool fixedPacket = false;
    std::uint8_t trackMode = 4;
    std::uint8_t dataBlockType = 8;
    std::uint8_t linkSize = 0;
    std::uint32_t packetSize = 0;
};

class VirtualDrive {
  public:
    VirtualDrive(std::filesystem::path imageFile, std::uint16_t mediumProfile);
    ~VirtualDrive();
    VirtualDrive(const VirtualDrive&) = delete;
    VirtualDrive& operator=(const VirtualDrive&) = delete;

    // Answers one command: sets status, target status and sense of the block.
    // Returns true when it reported a medium change (unit attention 28h). With
    // RONDIVO_DEBUG set each command's trace line goes to standard error.
    bool execute(scsi::CommandBlock& block, std::uint8_t* data);
    // Records a command the device handle refused before the drive saw it, and
    // marks the block as never having reached the drive.
    void traceRefused(scsi::CommandBlock& block);

    // Faults. Each counted fault answers that many commands, then stops; an
    // opcode limits it to that command.
    void failNotReady(int times, std::optional<std::uint8_t> opcode = {}, std::uint8_t ascq = 0x01);
    void failBusy(int times, std::optional<std::uint8_t> opcode = {});
    void failWriteAtSector(std::uint32_t sector);
    void reportMediumChange();
    // Answers `opcode` with this sense; with sense key 1 (recovered error) the
    // command is carried out all the same.
    void answerWith(std::uint8_t opcode, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                    int times = 1);
    // The command never reaches the drive: no status, no sense (a host or ioctl failure).
    void failWithoutSense(std::uint8_t opcode, int times = 1);
    // After an immediate FORMAT UNIT, BLANK, CLOSE TRACK/SESSION or SYNCHRONIZE
    // CACHE the drive answers "not ready, ... in progress" this many times, with
    // the share done in the sense-key specific bytes.
    void setLongOperationPolls(int polls);
    // After a load or a new medium the drive answers "becoming ready" this many times.
    void setBecomingReadyPolls(int polls);
    // Reports the negative next writable address some drives give on a blank CD.
    void setNegativeAddressOnBlank(bool on);
    // Leaves the test-write flag on in the Write Parameters page, as another
    // program might have: writes then record nothing until a page clears it.
    void setLeftoverTestWrite();
    // Whether the capabilities page offers buffer underrun protection (it does).
    void setUnderrunProtection(bool offered);
    // Whether a blank DVD-RW is offered the quick format 15h (most drives do).
    void setQuickFormatOffered(bool offered);
    // An older drive without SET STREAMING answers "invalid command".
    void setStreamingSupported(bool supported);
    // The handle the drive was opened with went away: like the kernel's
    // CD-ROM driver on the last close, the tray is unlocked.
    void handleClosed();

    // Media. A fresh blank (or pressed disc) of the given profile, tray closed.
    void insertBlankMedium(std::uint16_t mediumProfile);
    void removeMedium();    // the tray is closed and empty
    void finalizeMedium();  // written and closed, as a finished burn leaves it
    // A blank medium by model name ("bd-r-dl"); false for an unknown name.
    bool insertMediumNamed(const std::string& name);
    // As a crash mid-burn leaves a write-once disc: `sectors` written into the
    // open track, nothing closed; `damaged` marks the track as such.
    void leaveTrackOpen(std::uint32_t sectors, bool damaged);
    // A smaller blank than the model's (a mini disc): it holds `sectors`.
    void setCapacity(std::uint32_t sectors);
    // DVD+RW: a background format that was started and then stopped by an eject.
    void suspendBackgroundFormat();

    std::vector<TraceEntry> trace() const;
    std::vector<std::string> traceText() const;
    void clearTrace();

    std::uint16_t currentProfile() const;
    const std::filesystem::path& imageFile() const { return imageFile_; }
    bool trayOpen() const;
    bool removalPrevented() const;
    WriteParameters writeParameters() const;
    std::uint16_t writeSpeedKbps() const;
    std::uint32_t sectorsWritten() const;  // highest written sector + 1
    std::uint8_t discStatus() const;       // 0 empty, 1 appendable, 2 finalized
    std::uint16_t sessionCount() const;
    std::uint8_t backgroundFormat() const;  // DVD+RW: 0 none, 1 stopped, 2 running, 3 done
    std::string timestamp() const;          // last SEND DISC STRUCTURE 0Fh, "YYYYMMDDhhmmss"
    std::uint32_t capacity() const;
    // Whether another drive could read the disc as it is: not while a session
    // is open or a restricted-overwrite DVD-RW has no lead-out.
    bool readableElsewhere() const;
    // DVD+RW background formats begun afresh over a disc already formatted in part.
    int freshFormatsOverData() const;

    struct Impl;

  private:
    void record(const TraceEntry& e);
    void traceRefusedLocked(scsi::CommandBlock& block);

    std::filesystem::path imageFile_;
    mutable std::mutex mutex_;
    std::unique_ptr<Impl> impl_;
    bool traceToStderr_ = false;
};

// The transport over one or more virtual drives.
class VirtualDriveTransport final : public scsi::ScsiTransport {
  public:
    void add(std::shared_ptr<VirtualDrive> drive);
    const std::vector<std::shared_ptr<VirtualDrive>>& drives() const { return drives_; }
    int handleCloses() const { return closes_; }

    scsi::TransportKind kind() const override { return scsi::TransportKind::Virtual; }
    std::vector<scsi::DriveCandidate> listDrives() override;
    bool execute(const std::string& device, scsi::CommandBlock& block, std::uint8_t* data) override;
    void closeHandle() override;
    std::string lastFailure() const override { return failure_; }

    // The device was opened read-only: like the kernel, the handle refuses every
    // command that writes or changes the drive.
    void setReadOnlyHandle(bool readOnly) { readOnly_ = readOnly; }

    // RONDIVO_VIRTUAL_DRIVE="<image file>[,<medium>][,used]", medium as
    // profileFromName accepts (default cd-r); "used": written and closed.
    // Nothing when the variable is unset or malformed.
    static std::unique_ptr<VirtualDriveTransport> fromEnvironment();
    static std::unique_ptr<VirtualDriveTransport> fromSetting(const std::string& setting);

  private:
    std::vector<std::shared_ptr<VirtualDrive>> drives_;
    std::atomic<int> closes_{0};
    bool readOnly_ = false;
    std::string failure_;
};

}  // namespace rondivo::vdrive
