#include <windows.h>
// After windows.h:
#include <mmsystem.h>

#include "platform/paths.h"
#include "platform/sound.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

bool playWaveFile(const std::string& path) {
    if (path.empty() || path.find(' ') != std::string::npos) return false;
    std::error_code ec;
    fs::path file = resolvePath(fs::current_path(ec), path);
    if (!isWaveFile(file)) return false;
    // Synchronous, and no default beep in place of a file that cannot be
    // played: a failure returns at once.
    return PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT) != FALSE;
}

}  // namespace rondivo::platform
