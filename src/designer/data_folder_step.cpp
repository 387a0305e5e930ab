#include <cerrno>
#include <thread>

#include "designer/build_messages.h"
#include "designer/build_pipeline.h"
#include "disc/autorun_inf.h"
#include "platform/debug_log.h"

namespace rondivo {

namespace fs = std::filesystem;
using build_text::folderProblem;
using build_text::notMovedProblem;
using build_text::unwritableProblem;

namespace {

void defaultSleep(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

}  // namespace

std::string moveToDataFolder(const fs::path& folderIn, std::vector<BuildMessage>& messages,
                             const std::function<void(std::chrono::milliseconds)>& sleepIn) {
    auto sleep = sleepIn ? sleepIn : defaultSleep;
    const fs::path folder = folderIn.has_filename() ? folderIn : folderIn.parent_path();
    const fs::path data = folder / "data";
    std::error_code ec;
    if (!fs::create_directory(data, ec) || ec) {
        messages.push_back({folderProblem(data)});
        return {};
    }

    DataFolderAutorunInf inf =
        dataFolderAutorunInf(readAutorunInfLines(folder).value_or(std::vector<std::string>{}));

    // autorun.inf stays where Windows reads it and is rewritten below: a copy in
    // data/ would be read by nothing and show a launch line the disc does not use.
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    for (const auto& from : entries) {
        const std::string name = from.filename().string();
        if (name.find("autorun.exe") != std::string::npos ||
            name.find("autorun.dat") != std::string::npos ||
            name.find("COPY_ALL_TO_CDROM_ROOT.txt") != std::string::npos || name == "drivers" ||
            name == "data" || name == "autorun.inf" ||
            (!inf.icon.empty() && name.find(inf.icon) != std::string::npos))
            continue;
        const fs::path to = data / from.filename();
        fs::rename(from, to, ec);
        if (ec && (ec == std::errc::permission_denied || ec == std::errc::device_or_resource_busy ||
                   ec == std::errc::text_file_busy)) {
            sleep(std::chrono::milliseconds(2000));
            fs::rename(from, to, ec);
        }
        if (ec) {
            // autorun.inf would name a file that is not where it says.
            platform::debugLog("build: could not move " + from.string() + ": " + ec.message());
            messages.push_back({notMovedProblem(name, ec.message()), BuildMessage::Icon::Stop});
            return {};
        }
    }

    errno = 0;
    if (!writeAutorunInfLines(folder, inf.lines)) {
        messages.push_back(
            {unwritableProblem(folder, errno != 0 ? errno : EIO), BuildMessage::Icon::Stop});
        return {};
    }
    return inf.commandLine;
}

std::string previewParameters(const std::string& commandLine) {
    auto sp = commandLine.find(' ');
    return sp == std::string::npos ? commandLine : commandLine.substr(sp + 1);
}

}  // namespace rondivo
