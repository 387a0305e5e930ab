#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/debug_log.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/user_folders.h"

namespace rondivo::platform {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// xdg-open blocks until the program exits on some desktops; a launch that is
// still running after this long has started, which is all the shell promises.
constexpr auto kLaunchGrace = 2000ms;

bool isProgramFile(const fs::path& p) {
    if (access(p.c_str(), X_OK) != 0) return false;
    std::ifstream in(p, std::ios::binary);
    char head[4] = {};
    in.read(head, 4);
    // Only real programs: files on discs often carry the execute bit by accident.
    return (in.gcount() == 4 && head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' &&
            head[3] == 'F') ||
           (in.gcount() >= 2 && head[0] == '#' && head[1] == '!');
}

int resultFromLaunch(const SpawnResult& spawned) {
    if (!spawned.started())
        return spawned.error == EACCES ? kShellAccessDenied : kShellNoAssociation;
    auto status = waitForExit(spawned.pid, kLaunchGrace);
    if (!status) return kShellOk;
    if (*status == 0) return kShellOk;
    // xdg-open: 2 = file missing, 3 = no tool, 4 = the action failed.
    if (*status == 2) return kShellFileNotFound;
    return kShellNoAssociation;
}

int xdgOpen(const fs::path& target, const fs::path& workingDir) {
    if (!findOnPath("xdg-open")) {
        debugLog("xdg-open is not on PATH");
        return kShellNoAssociation;
    }
    return resultFromLaunch(spawnProcess({"xdg-open", target.string()}, workingDir));
}

int slideShow(const std::string& parameters, const fs::path& workingDir) {
    // "/s FILE": FILE may itself hold no blanks (the designer refuses them).
    std::string file = parameters;
    if (file.rfind("/s ", 0) == 0 || file.rfind("/S ", 0) == 0) file = file.substr(3);
    while (!file.empty() && file.front() == ' ') file.erase(file.begin());
    fs::path base = workingDir.empty() ? fs::current_path() : workingDir;
    auto found = findCaseInsensitive(base, toNativePath(file));
    if (!found)
        return fs::exists(base / toNativePath(file).parent_path()) ? kShellFileNotFound
                                                                   : kShellPathNotFound;
    for (const char* office : {"libreoffice", "soffice"}) {
        if (findOnPath(office))
            return resultFromLaunch(spawnProcess({office, "--show", found->string()}, workingDir));
    }
    return xdgOpen(*found, workingDir);
}

}  // namespace

int shellExecute(const std::string& file, const std::string& parameters,
                 const fs::path& workingDir) {
    if (equalsIgnoreCase(file, "Powerpnt.exe")) return slideShow(parameters, workingDir);
    fs::path base = workingDir.empty() ? fs::current_path() : workingDir;
    fs::path native = toNativePath(file);
    auto found = findCaseInsensitive(base, native);
    if (!found) {
        // A bare program name, as the shell would find it on its search path.
        if (native.parent_path().empty() && findOnPath(native.string())) {
            std::vector<std::string> argv{native.string()};
            for (auto& p : splitCommandLine(parameters)) argv.push_back(p);
            return resultFromLaunch(spawnProcess(argv, workingDir));
        }
        fs::path parent = (native.is_absolute() ? native : base / native).parent_path();
        std::error_code ec;
        return fs::is_directory(parent, ec) ? kShellFileNotFound : kShellPathNotFound;
    }
    std::error_code ec;
    if (fs::is_regular_file(*found, ec) && isProgramFile(*found)) {
        std::vector<std::string> argv{fs::absolute(*found).string()};
        for (auto& p : splitCommandLine(parameters)) argv.push_back(p);
        return resultFromLaunch(spawnProcess(argv, found->parent_path()));
    }
    return xdgOpen(fs::absolute(*found), workingDir);
}

int openFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return kShellPathNotFound;
    return xdgOpen(folder, {});
}

std::vector<DesktopApplication> listDesktopApplications() {
    std::vector<fs::path> dirs{localAppDataFolder() / "applications"};
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string dd = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    std::stringstream ss(dd);
    for (std::string d; std::getline(ss, d, ':');)
        if (!d.empty()) dirs.push_back(fs::path(d) / "applications");
    std::vector<DesktopApplication> apps;
    std::set<std::string> seen;
    for (const auto& dir : dirs) {
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().extension() != ".desktop") continue;
            if (!seen.insert(it->path().filename().string()).second) continue;  // earlier dirs win
            std::ifstream in(it->path());
            std::stringstream buf;
            buf << in.rdbuf();
            for (auto& app : parseDesktopEntry(buf.str(), it->path()))
                apps.push_back(std::move(app));
        }
    }
    std::sort(apps.begin(), apps.end(),
              [](const auto& a, const auto& b) { return toLower(a.name) < toLower(b.name); });
    return apps;
}

bool openWithApplication(const DesktopApplication& app, const fs::path& file) {
    auto argv = commandForFile(app, file);
    return shellSucceeded(resultFromLaunch(spawnProcess(argv, file.parent_path())));
}

bool openWithProgram(const fs::path& program, const fs::path& file) {
    return shellSucceeded(
        resultFromLaunch(spawnProcess({program.string(), file.string()}, file.parent_path())));
}

bool showSystemOpenWith(const fs::path&) {
    return false;
}

}  // namespace rondivo::platform
