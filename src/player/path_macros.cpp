// The path macros. On a Linux desktop the Windows folders have no meaning;
// they name the nearest system folders, so a link that copies there fails the
// way it would for a user without the rights.
#include "platform/user_folders.h"
#include "player/action_executor.h"

namespace rondivo {

PathMacros systemPathMacros(const std::filesystem::path& executableFolder, bool dataFolderLayout) {
    PathMacros m;
    m.cdrom = executableFolder.string();
    while (m.cdrom.size() > 1 && (m.cdrom.back() == '/' || m.cdrom.back() == '\\'))
        m.cdrom.pop_back();
    m.root = platform::systemDrive();
    m.programFiles = platform::programFilesFolder().string();
    m.windows = platform::windowsFolder().string();
    m.system = platform::systemFolder().string();
    m.desktop = platform::desktopFolder().string();
    std::filesystem::path temp = platform::localAppDataFolder() / "RondivoTemp";
    if (dataFolderLayout) temp /= "data";
    m.temp = temp.string();
    return m;
}

}  // namespace rondivo
