#pragma once
// autorun.sh at the root of every disc and drive: Linux desktops (GNOME, KDE,
// Xfce) offer to run an executable autorun.sh when the medium is inserted.
// It starts the installed Linux player with the OPEN= words, else opens the
// start page in the default browser, else says what to open.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rondivo {

inline constexpr char kAutorunShName[] = "autorun.sh";

// POSIX sh, LF line ends. `commandLine` is the OPEN= value of autorun.inf
// ("autorun.exe data\index.html ...").
std::string autorunShellScript(std::string_view commandLine);

// Writes folder/autorun.sh, executable. False when it cannot be written.
bool writeAutorunShellScript(const std::filesystem::path& folder, std::string_view commandLine);

// For a folder mastered as it stands: the command line its autorun.sh
// would start, from the OPEN= line of its autorun.inf; nothing when the
// folder has an autorun.sh already (in any letter case) or no OPEN= line.
std::optional<std::string> missingStartScriptCommandLine(const std::filesystem::path& folder);

}  // namespace rondivo
