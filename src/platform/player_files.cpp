#include "platform/player_files.h"

#include <system_error>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace rondivo::platform {

fs::path windowsPlayer(const fs::path& programFolder) {
#ifdef _WIN32
    return programFolder / "rondivo.exe";
#else
    return programFolder / kWindowsPlayerInProgramFolder;
#endif
}

fs::path previewPlayer(const fs::path& distributableFolder) {
#ifdef _WIN32
    return distributableFolder / "autorun.exe";
#else
    (void)distributableFolder;
    return executablePath();
#endif
}

fs::path playerDiscFolder() {
#ifdef _WIN32
    return executableFolder();
#else
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    return ec ? executableFolder() : cwd;
#endif
}

}  // namespace rondivo::platform
