// rondivo-build: "Create CD" from the command line, for scripted release
// discs. The same pipeline as the designer window; it never opens a window.
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "burn/burn_command.h"
#include "burn/iso_save_command.h"
#include "designer/build_command_line.h"
#include "designer/build_pipeline.h"
#include "designer/drive_copy_command.h"
#include "disc/autorun_sh.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/player_files.h"
#include "platform/process.h"
#include "platform/user_folders.h"

namespace {

// autorun.sh for an image of a folder made elsewhere that has autorun.inf
// but no script: written into a folder of its own, removed at the end, so
// the author's folder is never written to.
struct StartScriptFolder {
    std::filesystem::path path;
    explicit StartScriptFolder(const std::filesystem::path& from) {
        const auto commandLine = rondivo::missingStartScriptCommandLine(from);
        if (!commandLine) return;
        std::random_device random;
        std::error_code ec;
        path = rondivo::platform::tempFolder() /
               rondivo::platform::u8path("rondivo-start-" + std::to_string(random()));
        if (!std::filesystem::create_directory(path, ec) ||
            !rondivo::writeAutorunShellScript(path, *commandLine))
            path.clear();
    }
    ~StartScriptFolder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace rondivo;
    std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    // Installed, the program folder is <prefix>/share/rondivo; the disc gets the
    // Windows player kept there.
    const auto programFolder = platform::programFolder();
    BuildCommandLine cl =
        parseBuildCommandLine(args, programFolder, platform::windowsPlayer(programFolder));
    if (cl.help) {
        std::fputs(buildUsageText().c_str(), stdout);
        return 0;
    }
    if (!cl.error.empty()) {
        std::fprintf(stderr, "rondivo-build: %s\nTry rondivo-build --help.\n", cl.error.c_str());
        return 2;
    }
    if (cl.listDrives) return listDrivesCommand(*platform::systemDriveService(), std::cout);
    const bool terminal = platform::isTerminal(stderr);
    burn::BurnOptions burnOptions{cl.driveRow, cl.speed, cl.finalize, cl.label, cl.blank, {}};
    // The image first, then the drive, then the disc: a failed burn still
    // leaves the image.
    auto master = [&](const std::filesystem::path& folder) {
        if (!cl.isoFile.empty()) {
            int rc = burn::saveIsoCommand(folder, cl.isoFile, cl.label, std::cout, std::cerr,
                                          terminal, burnOptions.alsoAtRoot);
            if (rc != 0) return rc;
        }
        if (!cl.toDrive.empty()) {
            auto drives = platform::systemDriveService();
            int rc = driveCopyCommand(folder, {cl.toDrive, cl.replace, cl.label}, *drives,
                                      std::cout, std::cerr, terminal);
            if (rc != 0) return rc;
        }
        if (cl.burn) return burn::burnCommand(folder, burnOptions, std::cout, std::cerr, terminal);
        return 0;
    };
    if (!cl.from.empty()) {
        const StartScriptFolder script(cl.from);
        if (!script.path.empty() && (!cl.isoFile.empty() || cl.burn)) {
            burnOptions.alsoAtRoot.push_back(script.path);
            std::fprintf(stderr,
                         "rondivo-build: note: the folder has no autorun.sh; the disc gets one "
                         "that starts what autorun.inf opens.\n");
        }
        return master(cl.from);
    }
    BuildResult result = runBuild(cl.request);
    for (const auto& m : result.messages) std::fprintf(stderr, "%s\n", m.text.c_str());
    for (const auto& note : result.notes)
        std::fprintf(stderr, "rondivo-build: note: %s\n", note.c_str());
    if (!result.completed()) return 1;
    std::printf("%s\nOPEN=%s\n", result.folder.string().c_str(), result.commandLine.c_str());
    std::fflush(stdout);
    return master(result.folder);
}
