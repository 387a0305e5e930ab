#include "platform/user_program_folder.h"

#include <fstream>
#include <system_error>

namespace rondivo::platform {

namespace fs = std::filesystem;

bool folderIsWritable(const fs::path& folder) {
    const fs::path probe = folder / ".rondivo-write-test";
    bool made = static_cast<bool>(std::ofstream(probe));
    std::error_code ec;
    if (made) fs::remove(probe, ec);
    return made;
}

namespace {

// Links each entry of `from` into `to` (except `skip`). Links that lead
// nowhere go first: the program was updated or installed elsewhere.
bool linkEntries(const fs::path& from, const fs::path& to, const fs::path& skip = {}) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (!fs::is_directory(to, ec)) return false;
    for (fs::directory_iterator it(to, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code lc;
        if (it->is_symlink(lc) && !fs::exists(it->path(), lc)) fs::remove(it->path(), lc);
    }
    if (ec) return false;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path name = it->path().filename();
        if (name == skip) continue;
        std::error_code lc;
        if (fs::exists(fs::symlink_status(to / name, lc))) continue;  // a link or the user's own
        fs::create_symlink(it->path(), to / name, lc);
        // Windows lets only administrators make links: a copy serves there.
        if (lc) {
            lc.clear();
            fs::copy(it->path(), to / name, fs::copy_options::recursive, lc);
        }
        if (lc) return false;
    }
    return !ec;
}

}  // namespace

fs::path linkProgramFolder(const fs::path& programFolder, const fs::path& userFolder) {
    const fs::path program = fs::absolute(programFolder).lexically_normal();
    if (!linkEntries(program, userFolder, "html") ||
        !linkEntries(program / "html", userFolder / "html"))
        return programFolder;
    return userFolder;
}

fs::path menuWorkFolder(const fs::path& programFolder, const fs::path& localDataFolder) {
    if (folderIsWritable(programFolder / "html")) return programFolder;
    // A folder of its own: the web engine keeps its files in <local data>/rondivo too.
    return linkProgramFolder(programFolder, localDataFolder / "rondivo" / "program");
}

}  // namespace rondivo::platform
