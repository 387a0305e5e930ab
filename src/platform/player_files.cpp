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
    return previewPlayer(distributableFolder, executablePath());
}

fs::path previewPlayer(const fs::path& distributableFolder, const fs::path& designer) {
#ifdef _WIN32
    (void)designer;
    return distributableFolder / "autorun.exe";
#else
    (void)distributableFolder;
    return designer;
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
