// rondivo-build: "Create CD" from the command line, for scripted release
// discs. The same pipeline as the designer window; it never opens a window.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "burn/iso_save_command.h"
#include "designer/build_command_line.h"
#include "designer/build_pipeline.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    using namespace rondivo;
    std::vector<std::string> args(argv + 1, argv + argc);
    const auto programFolder = platform::executableFolder();
    BuildCommandLine cl = parseBuildCommandLine(args, programFolder, programFolder / "rondivo");
    if (cl.help) {
        std::fputs(buildUsageText().c_str(), stdout);
        return 0;
    }
    if (!cl.error.empty()) {
        std::fprintf(stderr, "rondivo-build: %s\nTry rondivo-build --help.\n", cl.error.c_str());
        return 2;
    }
    const bool terminal = isatty(STDERR_FILENO) != 0;
    if (!cl.from.empty())
        return burn::saveIsoCommand(cl.from, cl.isoFile, cl.label, std::cout, std::cerr, terminal);
    BuildHooks hooks = defaultBuildHooks();
    hooks.showProgress = [](const std::string&) {};
    BuildResult result = runBuild(cl.request, hooks);
    for (const auto& m : result.messages) std::fprintf(stderr, "%s\n", m.text.c_str());
    // A disc that names ".enc" files but carries plain ones must not pass unnoticed.
    for (const auto& step : result.skippedSteps)
        if (step.rfind("encryption", 0) == 0)
            std::fprintf(stderr, "rondivo-build: not done: %s\n", step.c_str());
    if (!result.completed()) return 1;
    std::printf("%s\nOPEN=%s\n", result.folder.string().c_str(), result.commandLine.c_str());
    std::fflush(stdout);
    if (!cl.isoFile.empty())
        return burn::saveIsoCommand(result.folder, cl.isoFile, cl.label, std::cout, std::cerr, terminal);
    return 0;
}
