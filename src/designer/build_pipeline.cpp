#include "designer/build_pipeline.h"

#include <cerrno>
#include <fstream>
#include <system_error>
#include <thread>

#include "disc/autorun_dat.h"
#include "disc/autorun_inf.h"
#include "platform/debug_log.h"
#include "platform/paths.h"
#include "platform/user_folders.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEol = "\r\n";

std::string copyProblem(const fs::path& source, const fs::path& target, const char* tail) {
    return "There was a problem copying " + source.string() + " to " + target.string() + tail;
}
constexpr const char* kCopyTailOpen =
    "\n\nPlease verify the file exists and is not currently opened in another program.";
constexpr const char* kCopyTailExe =
    "\n\nPlease verify the file exists and is not currently opened in another program.\nPlease "
    "also verify that "
    "any long sound effect has stopped playing before creating a new presentation.";
constexpr const char* kCopyTailActually =
    "\n\nPlease verify the file actually exists and is not currently opened in another program.";

std::string folderProblem(const fs::path& folder) {
    return "There was a problem creating the following directory:\n" + folder.string() +
           "\n\nPlease check your permissions on your desktop.";
}

std::string slashes(std::string s) {
    for (auto& c : s)
        if (c == '\\') c = '/';
    return s;
}

bool containsAny(const std::string& s, std::initializer_list<const char*> parts) {
    for (const char* p : parts)
        if (s.find(p) != std::string::npos) return true;
    return false;
}

// Author paths may be absolute or relative to the program folder, with either separator.
fs::path resolveSource(const fs::path& programFolder, const std::string& source) {
    fs::path native = platform::toNativePath(source);
    if (native.is_absolute()) {
        if (auto found = platform::findCaseInsensitive("/", native)) return *found;
        return native;
    }
    return platform::resolvePath(programFolder, source);
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    fs::path a = fs::weakly_canonical(inner, ec);
    if (ec) return false;
    fs::path b = fs::weakly_canonical(outer, ec);
    if (ec) return false;
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty()) continue;  // trailing separator
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

void defaultSleep(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

struct Build {
    const BuildRequest& req;
    const BuildHooks& hooks;
    BuildResult result;
    fs::path folder;

    void progress(const std::string& text) {
        if (hooks.showProgress) hooks.showProgress(text);
    }
    void say(BuildMessage m) {
        if (hooks.onMessage) hooks.onMessage(m);
        result.messages.push_back(std::move(m));
    }
    void inform(std::string text) { say({std::move(text)}); }
    BuildResult& abort(std::string text) {
        say({std::move(text)});
        result.outcome = BuildResult::Outcome::Aborted;
        return result;
    }
    void skipped(const std::string& step) {
        platform::debugLog("build: " + step + " not done (not available in this build)");
        result.skippedSteps.push_back(step);
    }

    // Copies one author file into the folder; false after the abort message is queued.
    bool copyInto(const fs::path& source, const std::string& name, const char* tail) {
        fs::path target = folder / name;
        progress(source.string());
        std::string why = copyFileOver(source, target);
        if (!why.empty()) {
            platform::debugLog("build: copying " + source.string() + " failed: " + why);
            abort(copyProblem(source, target, tail));
            return false;
        }
        clearReadOnly(target);
        return true;
    }

    void copyFolder(const fs::path& from, const fs::path& to) {
        FolderCopyReport r =
            copyFolderTree(from, to, [this](const fs::path& p) { progress(p.string()); });
        for (auto& f : r.failures) result.folderCopyFailures.push_back(f);
        if (r.failures.empty()) return;
        // The copy goes on past files it cannot read; the author is told which.
        std::string text = "Some files could not be copied from " + from.string() + ":\n";
        std::size_t shown = 0;
        for (const auto& f : r.failures) {
            if (++shown > 10) {
                text += "... and " + std::to_string(r.failures.size() - 10) + " more\n";
                break;
            }
            text += f.source.string() + " (" + f.reason + ")\n";
        }
        inform(text);
    }

    bool skipsSourceFolderCopy(const std::string& source, const fs::path& dir) const {
        const std::string s = slashes(source);
        if (s.find("html/") != std::string::npos &&
            containsAny(s, {"_Demo_", "_CD_Menu", "Rondivo!"}))
            return true;
        if (s.rfind("html/", 0) == 0) return true;
        if (req.settings.options.noWholeFolderCopy) return true;
        // A file in a drive root or on the desktop itself is copied alone.
        const std::string d = dir.string();
        if (d.empty() || d == "/" || d.back() == ':') return true;
        auto desk = d.rfind("Desktop");
        if (desk != std::string::npos && d.find('/', desk) == std::string::npos) return true;
        return sameFolder(dir, folder.parent_path().parent_path());
    }

    void scan(const fs::path& source) {
        const std::string lower = platform::toLower(source.string());
        if (lower.find(".htm") != std::string::npos) {
            progress(source.string());
            if (hooks.scanLinkedFiles)
                hooks.scanLinkedFiles(source, folder, 1, result.additionalFiles);
            else
                skipped("linked-file scan of " + source.string());
        } else if (lower.find(".bat") != std::string::npos) {
            progress(source.string());
            if (hooks.scanBatchFile)
                hooks.scanBatchFile(source, folder);
            else if (hooks.scanLinkedFiles)
                hooks.scanLinkedFiles(source, folder, 1, result.additionalFiles);
            else
                skipped("batch-file scan of " + source.string());
        }
    }

    BuildResult& run();
};

BuildResult& Build::run() {
    const DesignerSettings& s = req.settings;
    result.additionalFiles = 0;

    // Names go onto the disc and into autorun.inf, which splits at blanks.
    if (s.openName.find(' ') != std::string::npos) {
        say(
            {"The filename can not contain any spaces. Spaces in filenames can cause problems "
             "when burning on a CD-ROM.\nPlease rename the file or select a new one.",
             BuildMessage::Icon::Information, BuildMessage::Focus::FileToOpen});
        return result;
    }
    if (s.failSafeName.find(' ') != std::string::npos) {
        say(
            {"The failed-to-open filename can not contain any spaces. Spaces in filenames can "
             "cause problems when burning on a CD-ROM.\nPlease rename the file or select a "
             "new one.",
             BuildMessage::Icon::Information, BuildMessage::Focus::FailSafe});
        return result;
    }

    const fs::path desktop =
        req.desktopFolder.empty() ? platform::desktopFolder() : req.desktopFolder;
    const fs::path base = distributableFolder(desktop);
    folder = base / "";
    result.folder = folder;

    const fs::path openSrc = resolveSource(req.programFolder, s.openSource);
    const fs::path failSafeSrc = resolveSource(req.programFolder, s.failSafeSource);

    // The old folder is deleted first: an author file inside it would be lost.
    for (const auto& [used, src] :
         {std::pair{!s.openName.empty(), openSrc}, std::pair{!s.failSafeName.empty(), failSafeSrc},
          std::pair{s.splashEnabled && !s.splashName.empty(),
                    resolveSource(req.programFolder, s.splashSource)},
          std::pair{s.soundEnabled && !s.soundName.empty(),
                    resolveSource(req.programFolder, s.soundSource)},
          std::pair{s.iconEnabled && s.iconName != "autorun.exe",
                    resolveSource(req.programFolder, s.iconSource)}}) {
        if (used && isWithin(src, base)) {
            say({kSpecialFolderMessage, BuildMessage::Icon::Stop});
            return result;
        }
    }

    // Without the Windows player the disc would not play where it is meant
    // to; no other file may take its name.
    if (!fs::is_regular_file(req.ownExecutable)) {
        say({"The Windows player is missing from the program folder:\n" +
                 req.ownExecutable.string() +
                 "\n\nEvery presentation carries it as autorun.exe so that the CD plays on "
                 "Windows. Please reinstall Rondivo! (or build it with scripts/build-windows) "
                 "and create the CD again.",
             BuildMessage::Icon::Stop});
        return result;
    }

    std::error_code ec;
    auto st = fs::symlink_status(base, ec);
    if (fs::is_symlink(st)) {
        // Never empty a folder the link points at; only the link goes.
        fs::remove(base, ec);
    } else if (fs::exists(st)) {
        deleteFolderTree(base);
        fs::remove(base, ec);
        if (ec) platform::debugLog("build: could not remove the old folder: " + ec.message());
    }

    // A Linux account need not have a desktop folder yet; the build makes it.
    if (!fs::create_directories(base, ec) || ec) inform(folderProblem(base));

    // Step 7: the file to open, and the folder it comes from.
    if (!s.openName.empty() && s.openName[0] != '\\' && platform::fileExists(openSrc)) {
        if (!copyInto(openSrc, s.openName, kCopyTailOpen)) return result;
        fs::path dir = openSrc.parent_path();
        if (!skipsSourceFolderCopy(s.openSource, dir)) {
            progress("Copying files from directory " + dir.string() + "\n\nPlease wait ..");
            if (hooks.pumpMessages) hooks.pumpMessages();
            copyFolder(dir, base);
        }
    }

    // Step 8: the fail-safe file alone.
    if (!s.failSafeName.empty() && s.failSafeName[0] != '\\' && platform::fileExists(failSafeSrc)) {
        if (!copyInto(failSafeSrc, s.failSafeName, kCopyTailOpen)) return result;
    }

    // Steps 9, 10.
    result.commandLine = writeAutorunInf(base, autorunInfValues(s));
    if (s.options.splashTimeIndex != -1) writePresentationFile(base, presentationFileValues(s));

    // Step 11. A copy under a temporary name renamed over autorun.exe
    // replaces the file even while a preview runs it, without ending the preview.
    {
        fs::path target = folder / "autorun.exe";
        fs::path temp = folder / ".autorun.exe.part";
        progress(req.ownExecutable.string());
        std::string why = copyFileOver(req.ownExecutable, temp);
        if (why.empty()) {
            fs::rename(temp, target, ec);
            if (ec) why = ec.message();
        }
        if (!why.empty()) {
            fs::remove(temp, ec);
            platform::debugLog("build: copying the executable failed: " + why);
            return abort(copyProblem(req.ownExecutable, target, kCopyTailExe));
        }
        clearReadOnly(target);
    }

    // Steps 12 to 14.
    if (s.splashEnabled && !s.splashName.empty() &&
        !copyInto(resolveSource(req.programFolder, s.splashSource),
                  spacesToUnderscores(s.splashName), kCopyTailActually))
        return result;
    if (s.soundEnabled && !s.soundName.empty() &&
        !copyInto(resolveSource(req.programFolder, s.soundSource), spacesToUnderscores(s.soundName),
                  kCopyTailActually))
        return result;
    if (s.iconEnabled && !s.iconName.empty() && s.iconName != "autorun.exe" &&
        !copyInto(resolveSource(req.programFolder, s.iconSource), spacesToUnderscores(s.iconName),
                  kCopyTailActually))
        return result;

    // Step 15: a page saved with its companion folder brings that folder along.
    bool companion = false;
    if (!s.openName.empty()) {
        std::string src = openSrc.string();
        std::string name = fileNamePart(s.openSource);
        if (name.empty()) name = s.openName;
        auto companionOf = [](std::string p) {
            auto dot = p.rfind('.');
            auto sep = p.rfind('/');
            if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
                return p + "_files";
            return p.substr(0, dot) + "_files";
        };
        fs::path from = companionOf(src);
        if (fs::is_directory(from, ec)) {
            companion = true;
            progress("Copying files from directory " + from.string() + "\n\nPlease wait ..");
            if (hooks.pumpMessages) hooks.pumpMessages();
            copyFolder(from, folder / companionOf(name));
        }
    }

    // Step 16.
    if (!companion && !s.openName.empty()) scan(openSrc);

    // Step 17: whatever the program folder's drivers folder holds.
    if (fs::create_directory(folder / "drivers", ec) && !ec) {
        fs::path drivers = req.programFolder / "drivers";
        for (fs::directory_iterator it(drivers, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_regular_file()) continue;
            std::string name = it->path().filename().string();
            if (platform::equalsIgnoreCase(name, "shfolder.dll")) name = "SHFOLDER.DLL";
            fs::path target = folder / "drivers" / name;
            progress(it->path().string());
            std::string why = copyFileOver(it->path(), target);
            if (why.empty())
                clearReadOnly(target);
            else
                inform(copyProblem(it->path(), target, kCopyTailActually));
        }
        ec.clear();
    }

    // Step 18.
    if (!s.failSafeName.empty()) scan(failSafeSrc);

    // Step 19.
    if (s.options.dataFolder) {
        std::vector<BuildMessage> moveMessages;
        std::string line = moveToDataFolder(folder, moveMessages, hooks.sleep);
        for (auto& m : moveMessages) say(std::move(m));
        if (!line.empty()) result.commandLine = line;
    }

    // Step 20.
    if (s.options.secure) {
        if (!hooks.encryptPresentationFolder)
            skipped("encryption of " + folder.string());
        else if (!hooks.encryptPresentationFolder(folder))
            platform::debugLog("build: encryption reported a failure");
    }

    result.outcome = BuildResult::Outcome::Completed;
    return result;
}

}  // namespace

fs::path distributableFolder(const fs::path& desktop) {
    return desktop / kDistributableFolderName;
}

BuildResult runBuild(const BuildRequest& request, const BuildHooks& hooks) {
    Build b{request, hooks, {}, {}};
    b.run();
    return std::move(b.result);
}

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

    std::vector<std::string> lines;
    std::string commandLine;
    std::string icon;
    {
        std::ifstream in(folder / kAutorunInfName, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > 4999) line.resize(4999);
            if (lines.size() == 1) {
                auto eq = line.find('=');
                if (eq != std::string::npos) {
                    commandLine = dataFolderCommandLine(line.substr(eq + 1));
                    line = line.substr(0, eq + 1) + commandLine;
                }
            } else if (lines.size() == 2) {
                auto eq = line.find('=');
                if (eq != std::string::npos) icon = line.substr(eq + 1);
            }
            lines.push_back(line);
        }
    }

    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    for (const auto& from : entries) {
        const std::string name = from.filename().string();
        if (name.find("autorun.exe") != std::string::npos ||
            name.find("autorun.dat") != std::string::npos ||
            name.find("COPY_ALL_TO_CDROM_ROOT.txt") != std::string::npos || name == "drivers" ||
            name == "data" || (!icon.empty() && name.find(icon) != std::string::npos))
            continue;
        const fs::path to = data / name;
        fs::rename(from, to, ec);
        if (ec && (ec == std::errc::permission_denied || ec == std::errc::device_or_resource_busy ||
                   ec == std::errc::text_file_busy)) {
            sleep(std::chrono::milliseconds(2000));
            fs::rename(from, to, ec);
        }
        if (ec) platform::debugLog("build: could not move " + from.string() + ": " + ec.message());
    }

    std::ofstream out(folder / kAutorunInfName, std::ios::binary | std::ios::trunc);
    for (const auto& l : lines) out << l << kEol;
    return commandLine;
}

std::string previewParameters(const std::string& commandLine) {
    auto sp = commandLine.find(' ');
    return sp == std::string::npos ? commandLine : commandLine.substr(sp + 1);
}

}  // namespace rondivo
