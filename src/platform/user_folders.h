#pragma once
// The folders Windows answers through its shell-folder service; on Linux the
// nearest XDG or system folders.
#include <filesystem>

namespace rondivo::platform {

// XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else $HOME/Desktop.
std::filesystem::path desktopFolder();
// $XDG_DATA_HOME, else $HOME/.local/share.
std::filesystem::path localAppDataFolder();
// $TMPDIR, else /tmp.
std::filesystem::path tempFolder();
// $XDG_RUNTIME_DIR when usable, else the temp folder.
std::filesystem::path runtimeFolder();
std::filesystem::path homeFolder();
// The Windows folder and its system folder; on Linux /usr and /usr/lib.
std::filesystem::path windowsFolder();
std::filesystem::path systemFolder();
// The drive of the system folder ("C:"); on Linux "/".
std::string systemDrive();
// "C:\Program Files" on the Windows drive; on Linux the user's ~/.local/bin.
std::filesystem::path programFilesFolder();

}  // namespace rondivo::platform
