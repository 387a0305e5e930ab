#pragma once
// Copying a finished disc folder onto a removable drive's root, where
// autorun.inf gives the drive its label and icon. Nothing is written before
// the whole copy is known to fit and to replace nothing the author did not
// agree to; each file goes to a temporary name first and is renamed when
// complete; the data is flushed to the device and then read back from it and
// compared with the folder.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_files.h"

namespace rondivo {

enum class DriveFileSystem { Fat, ExFat, Ntfs, Other };
// Linux's names ("vfat", "exfat", "ntfs3") and Windows' ("FAT32", "exFAT", "NTFS").
DriveFileSystem driveFileSystem(std::string_view name);

// The largest file FAT32 can hold: 4 GiB less one byte.
inline constexpr std::uint64_t kFatMaxFileSize = 0xFFFFFFFFull;

struct DriveLabel {
    std::string text;
    bool shortened = false;
    bool altered = false;  // letters upper-cased or characters the file system refuses replaced
};
// `wanted` within the file system's limits: FAT 11 characters in upper case,
// exFAT 15, NTFS 32, ext2/3/4 16 bytes.
DriveLabel fitDriveLabel(std::string_view wanted, std::string_view fileSystem);
// What the author is told when the label differs from `wanted`; "" when it does not.
std::string driveLabelNote(std::string_view wanted, const DriveLabel& label,
                           std::string_view fileSystem);

// The label a drive gets when none is asked for: the folder's name, as a disc's.
std::string driveLabelFromFolder(const std::filesystem::path& folder);

struct PlannedFile {
    std::filesystem::path relative;
    std::uint64_t size = 0;
    bool replaces = false;  // a file of that name is on the drive
    std::uint64_t replacedSize = 0;
};

struct DriveCopyPlan {
    std::filesystem::path source, driveRoot;
    std::vector<std::filesystem::path> folders;  // relative, parents first
    std::vector<PlannedFile> files;
    std::uint64_t bytes = 0;      // the presentation's bytes
    std::uint64_t needed = 0;     // free space the copy needs at its fullest
    std::uint64_t available = 0;  // free space on the drive
    std::string fileSystem;
    std::string problem;  // non-empty: nothing may be written, this says why
    std::vector<std::filesystem::path> replaced() const;
};

// Free space the copy needs at its fullest: files in whole allocation
// blocks, one block per new folder, and a replaced file's old copy still in
// place while its new one is written under the temporary name.
std::uint64_t spaceNeeded(const std::vector<PlannedFile>& files, std::size_t newFolders,
                          std::uint64_t blockSize);

// Looks at the folder and the drive; writes nothing.
DriveCopyPlan planDriveCopy(const std::filesystem::path& source,
                            const std::filesystem::path& driveRoot);
// The same with the drive's space and file system given (tests).
DriveCopyPlan planDriveCopy(const std::filesystem::path& source,
                            const std::filesystem::path& driveRoot,
                            const platform::VolumeSpace& space, const std::string& fileSystem);

// "12 files on the drive would be replaced:" and their names (at most `shown`).
std::string replacedFilesText(const DriveCopyPlan& plan, std::size_t shown = 20);

struct DriveCopyProgress {
    enum class Phase { Copying, Flushing, Verifying };
    Phase phase = Phase::Copying;
    std::uint64_t bytesDone = 0, bytesTotal = 0;
    std::size_t filesDone = 0, filesTotal = 0;
    int secondsLeft = -1;        // -1: not known yet
    std::filesystem::path file;  // relative
};

// Seconds left when `done` of `total` took `elapsed` seconds; -1 before there is a rate.
int estimateSecondsLeft(std::uint64_t done, std::uint64_t total, double elapsed);
// "Copying 3 of 12 files, 4.2 MB of 10 MB, about 12 seconds left".
std::string progressText(const DriveCopyProgress& progress);

struct DriveCopyResult {
    enum class Outcome {
        Verified,   // copied, flushed, read back and found equal
        Refused,    // nothing was written: the plan's problem, or files to replace without consent
        Cancelled,  // stopped by the author; what was copied stays
        Failed,     // a write failed; what was copied stays
        Mismatch,   // read back and found different
    };
    Outcome outcome = Outcome::Refused;
    std::string message;
    std::vector<std::filesystem::path> copied;      // relative, complete files only
    std::vector<std::filesystem::path> mismatched;  // relative
    bool readDirect = false;  // the read-back bypassed the cache by direct I/O
    bool ok() const { return outcome == Outcome::Verified; }
};

struct DriveCopyOptions {
    bool replace = false;  // the author agreed to the plan's list of replaced files
    std::function<void(const DriveCopyProgress&)> onProgress;
    const std::atomic<bool>* cancel = nullptr;
    std::function<double()> clock;  // seconds, for the time left; default: the steady clock
};

DriveCopyResult copyToDrive(const DriveCopyPlan& plan, const DriveCopyOptions& options);

}  // namespace rondivo
