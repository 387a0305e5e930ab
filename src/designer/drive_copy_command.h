#pragma once
// rondivo-build --to-drive and --list-drives: the copy to a removable drive
// from the command line, with the checks and the read-back of the window.
#include <filesystem>
#include <iosfwd>
#include <string>

#include "platform/removable_drives.h"

namespace rondivo {

struct DriveCommandOptions {
    std::filesystem::path target;  // a drive's mount point, its device, or any folder
    bool replace = false;          // files already there may be replaced
    std::string label;             // the drive's label; empty: the folder's name
};

// Copies `folder` to the target's root. 0 when copied and read back equal;
// 1 otherwise, nothing written when the checks refuse.
int driveCopyCommand(const std::filesystem::path& folder, const DriveCommandOptions& options,
                     platform::DriveService& drives, std::ostream& out, std::ostream& err,
                     bool terminalProgress);

// One line per removable drive.
int listDrivesCommand(platform::DriveService& drives, std::ostream& out);
std::string driveLine(const platform::RemovableDrive& drive);

// What to tell whoever gets the drive: Windows shows its label and icon but
// starts nothing from it.
inline constexpr const char* kUsbDriveWindowsNote =
    "On Windows the drive shows the presentation's label and icon, but Windows does not start "
    "it by itself: open the drive and double-click autorun.exe.";

}  // namespace rondivo
