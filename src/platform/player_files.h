#pragma once
// Where the players live. A disc always carries the Windows player as
// autorun.exe, whichever system made it; the Linux player only ever runs a
// presentation from the program folder (Preview).
#include <filesystem>

namespace rondivo::platform {

// The Windows player copied to each disc: on Windows the designer's own
// executable (rondivo-build too takes it, not itself); on Linux the one the
// Windows build left in the program folder.
std::filesystem::path windowsPlayer(const std::filesystem::path& programFolder);

// The file name of the Windows player inside a Linux program folder.
inline constexpr const char* kWindowsPlayerInProgramFolder = "windows/autorun.exe";

// The player Preview starts in a distributable folder: on Windows the folder's
// own autorun.exe; on Linux this executable (the folder's copy is the
// Windows player), started with the folder as its current directory.
std::filesystem::path previewPlayer(const std::filesystem::path& distributableFolder);
// The same for a designer that is `designer` (the running one above).
std::filesystem::path previewPlayer(const std::filesystem::path& distributableFolder,
                                    const std::filesystem::path& designer);

// The root of the presentation the running player plays: on Windows the
// folder autorun.exe sits in; on Linux the current directory, because our
// player there is never on the disc (see previewPlayer).
std::filesystem::path playerDiscFolder();

}  // namespace rondivo::platform
