#pragma once
// The folders Windows answers through its shell-folder service.
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

}  // namespace rondivo::platform
