#pragma once
// Burning a folder to a disc from the command line.
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace rondivo::burn {

struct BurnOptions {
    int driveRow = -1;  // -1: the first recordable drive
    int speed = 12;     // write speed factor
    bool finalize = false;
    std::string label;   // empty: the image's default label
    bool blank = false;  // erase a used CD-RW or DVD-RW first
    // Folders whose files are added to the root too (see saveIsoCommand).
    std::vector<std::filesystem::path> alsoAtRoot;
};

// Masters `folder` (its contents become the root of the disc) and burns it
// to a drive found on this machine (RONDIVO_VIRTUAL_DRIVE adds the virtual
// one), with progress on `err` when `terminalProgress`. The tray opens after
// a successful burn. Returns 0 on success, 1 with a message on `err`.
int burnCommand(const std::filesystem::path& folder, const BurnOptions& options, std::ostream& out,
                std::ostream& err, bool terminalProgress);

}  // namespace rondivo::burn
