#pragma once
// An installed program folder (/usr/share/rondivo) belongs to root, but the
// Menu Creator saves menus, galleries and copied pictures into its html/
// folder. A user who may not write there works in a folder of their own that
// looks like the program folder: its html/ holds a link to every entry of the
// installed html/ (templates and their pictures read as before, pages saved
// beside them find images/), and every other entry is one link. Where links
// cannot be made (Windows without administrator rights) entries are copied.
#include <filesystem>

namespace rondivo::platform {

// True when a file can be made in `folder` (tried, not guessed from modes:
// root, ACLs and read-only mounts all answer correctly).
bool folderIsWritable(const std::filesystem::path& folder);

// Makes or refreshes `userFolder` as described above: links for entries that
// are new in the program folder, none left leading nowhere; the user's own
// files are kept. Returns userFolder, or programFolder
// when the links cannot be made.
std::filesystem::path linkProgramFolder(const std::filesystem::path& programFolder,
                                        const std::filesystem::path& userFolder);

// The folder the Menu Creator works in: the program folder itself when its
// html/ is writable (a build tree), else <local data>/rondivo/program linked to it.
std::filesystem::path menuWorkFolder(const std::filesystem::path& programFolder,
                                     const std::filesystem::path& localDataFolder);

}  // namespace rondivo::platform
