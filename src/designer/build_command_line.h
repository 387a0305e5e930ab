#pragma once
// rondivo-build's options: every choice of the main designer window and the
// Options dialog, taken from the command line into a BuildRequest.
#include <string>
#include <vector>

#include "designer/build_pipeline.h"

namespace rondivo {

struct BuildCommandLine {
    BuildRequest request;
    bool help = false;
    // After the build (or, with `from`, instead of it): save an ISO image.
    std::filesystem::path isoFile;
    std::filesystem::path from;  // master this folder as it stands; no build
    std::string label;
    // After the build (or, with `from`, instead of it): burn a disc.
    bool burn = false;
    int driveRow = -1;  // -1: the first recordable drive
    int speed = 12;
    bool finalize = false;
    bool blank = false;  // erase a used rewritable disc before burning
    // After the build (or, with `from`, instead of it): copy to a removable drive.
    std::filesystem::path toDrive;
    bool replace = false;     // files already on the drive may be replaced
    bool listDrives = false;  // list the removable drives and end
    std::string error;        // non-empty: the arguments were not understood
};

// `programFolder` and `ownExecutable` are the defaults when no option names them.
BuildCommandLine parseBuildCommandLine(const std::vector<std::string>& args,
                                       const std::filesystem::path& programFolder,
                                       const std::filesystem::path& ownExecutable);

std::string buildUsageText();

}  // namespace rondivo
