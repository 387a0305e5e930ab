#include "designer/build_pipeline.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <system_error>

#include "designer/build_messages.h"
#include "designer/build_record.h"
#include "designer/linked_file_scanner.h"
#include "designer/secure_build.h"
#include "disc/autorun_dat.h"
#include "disc/autorun_inf.h"
#include "disc/autorun_sh.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "platform/user_folders.h"

namespace rondivo {

namespace fs = std::filesystem;
using namespace build_text;

namespace {

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

// Whether the author's file is there, looked up without opening it (opening a
// FIFO waits for a writer for ever).
bool present(const fs::path& p) {
    std::error_code ec;
    auto st = fs::status(p, ec);
    if (ec) return ec != std::errc::no_such_file_or_directory;
    return fs::exists(st);
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// Whether two files hold the same bytes (a file the last build made, found
// again without a record of that build).
bool sameContents(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (!fs::is_regular_file(a, ec) || !fs::is_regular_file(b, ec) ||
        fs::file_size(a, ec) != fs::file_size(b, ec) || ec)
        return false;
    platform::RegularFileStream x(a), y(b);
    std::istreambuf_iterator<char> i(x), j(y), end;
    for (; i != end && j != end; ++i, ++j)
        if (*i != *j) return false;
    return i == end && j == end && x && y;
}

// ".name<suffix>" beside `path`.
fs::path hiddenSibling(const fs::path& path, const char* suffix) {
    fs::path name = ".";
    name += path.filename();
    name += platform::u8path(suffix);
    return path.parent_path() / name;
}

std::vector<std::string> filesBelow(const fs::path& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) || it->is_symlink(ec))
            files.push_back(it->path().lexically_relative(folder).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

struct Build {
    const BuildRequest& req;
    const BuildHooks& hooks;
    BuildResult result;
    fs::path base;     // the distributable folder, where the finished build goes
    fs::path staging;  // the build is made here and renamed into place at the end
    fs::path folder;   // staging, ending in "/"
    fs::path openSrc, failSafeSrc;
    bool companion = false;
    platform::FileLock lock;        // held from staging until the folder is in place
    std::vector<std::string> made;  // what this build put into the folder, for its record
    // One scanner for the whole build: its list of unresolved links runs from page to page.
    LinkedFileScanner scanner{result.additionalFiles};

    void progress(const std::string& text) {
        if (hooks.showProgress) hooks.showProgress(text);
    }
    void say(BuildMessage m) {
        if (hooks.onMessage) hooks.onMessage(m);
        result.messages.push_back(std::move(m));
    }
    void inform(std::string text) { say({std::move(text)}); }
    bool abort(std::string text) {
        say({std::move(text)});
        result.outcome = BuildResult::Outcome::Aborted;
        return false;
    }
    // What the author sees: the place in the finished folder, not the staging one.
    fs::path shown(const fs::path& target) const {
        return base / target.lexically_relative(folder);
    }
    fs::path source(const std::string& s) const { return resolveSource(req.programFolder, s); }
    fs::path earlier() const { return hiddenSibling(base, ".earlier"); }

    // Copies one file into the folder; false after the abort message is queued.
    bool copyInto(const fs::path& from, const fs::path& target, const char* tail) {
        progress(from.string());
        FileCopyResult r = copyRegularFile(from, target);
        if (r.ok()) {
            clearReadOnly(target);
            return true;
        }
        platform::debugLog("build: copying " + from.string() + " failed: " + r.reason);
        if (r.notRegularFile) return abort(notAFileProblem(from));
        if (r.diskFull) return abort(diskFullProblem(from, shown(target)));
        return abort(copyProblem(from, shown(target), tail));
    }
    bool copyInto(const fs::path& from, const std::string& name, const char* tail) {
        return copyInto(from, folder / platform::u8path(name), tail);
    }

    bool copyFolder(const fs::path& from, const fs::path& to) {
        progress("Copying files from directory " + from.string() + "\n\nPlease wait ..");
        if (hooks.pumpMessages) hooks.pumpMessages();
        // The earlier build is not part of the author's folder.
        FolderCopyReport r = copyFolderTree(
            from, to, [this](const fs::path& p) { progress(p.string()); }, {base, earlier()});
        for (auto& f : r.failures) result.folderCopyFailures.push_back(f);
        if (!r.outside.empty()) inform(outsideLinksNote(from, r.outside));
        if (r.diskFull)
            return abort(
                diskFullProblem(r.failures.back().source,
                                shown(to / r.failures.back().source.lexically_relative(from))));
        if (r.failures.empty()) return true;
        // The copy goes on past files it cannot read; the author is told which.
        std::string text = "Some files could not be copied from " + from.string() + ":\n";
        std::size_t shownCount = 0;
        for (const auto& f : r.failures) {
            if (++shownCount > 10) {
                text += "... and " + std::to_string(r.failures.size() - 10) + " more\n";
                break;
            }
            text += f.source.string() + " (" + f.reason + ")\n";
        }
        inform(text);
        return true;
    }

    bool skipsSourceFolderCopy(const std::string& src, const fs::path& dir) const {
        const std::string s = slashes(src);
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
        return sameFolder(dir, base.parent_path());
    }

    // The pages (or batch file) the disc opens bring what they link to.
    bool scan(const fs::path& page) {
        const std::string lower = platform::toLower(page.string());
        const bool isPage = lower.find(".htm") != std::string::npos;
        if (!isPage && lower.find(".bat") == std::string::npos) return true;
        progress(page.string());
        if (hooks.scanningPage) hooks.scanningPage(page);
        if (isPage) {
            scanner.scanLinkedFiles(page, folder, true);
            for (const std::string& note : scanner.repairedLinks()) {
                platform::debugLog("build: " + note);
                result.notes.push_back(note);
            }
        } else {
            scanner.setDestinationRoot(folder);
            scanner.scanBatchFile(page, folder);
        }
        if (scanner.failure().empty()) return true;
        say({scanner.failure(), BuildMessage::Icon::Stop});
        result.outcome = BuildResult::Outcome::Aborted;
        return false;
    }

    bool namesHaveNoBlanks();
    bool sourcesOutsideTheFolder();
    bool windowsPlayerPresent();
    bool lockDestination();
    bool startStaging();
    bool copyFileToOpen();
    bool copyFailSafe();
    void writeAutorunFiles();
    bool copyPlayer();
    bool copyMedia();
    bool copyCompanionFolder();
    void copyDrivers();
    bool moveIntoDataFolder();
    bool encrypt();
    bool carryOverAuthorFiles();
    bool putInPlace();

    BuildResult& run();
};

// Names go onto the disc and into autorun.inf, which splits at blanks.
bool Build::namesHaveNoBlanks() {
    const DesignerSettings& s = req.settings;
    if (s.openName.find(' ') != std::string::npos) {
        say(
            {"The filename can not contain any spaces. Spaces in filenames can cause problems "
             "when burning on a CD-ROM.\nPlease rename the file or select a new one.",
             BuildMessage::Icon::Information, BuildMessage::Focus::FileToOpen});
        return false;
    }
    if (s.failSafeName.find(' ') != std::string::npos) {
        say(
            {"The failed-to-open filename can not contain any spaces. Spaces in filenames can "
             "cause problems when burning on a CD-ROM.\nPlease rename the file or select a "
             "new one.",
             BuildMessage::Icon::Information, BuildMessage::Focus::FailSafe});
        return false;
    }
    return true;
}

// An author file inside the old folder would be lost when it is replaced.
bool Build::sourcesOutsideTheFolder() {
    const DesignerSettings& s = req.settings;
    for (const auto& [used, src] :
         {std::pair{!s.openName.empty(), openSrc}, std::pair{!s.failSafeName.empty(), failSafeSrc},
          std::pair{s.splashEnabled && !s.splashName.empty(), source(s.splashSource)},
          std::pair{s.soundEnabled && !s.soundName.empty(), source(s.soundSource)},
          std::pair{s.iconEnabled && s.iconName != "autorun.exe", source(s.iconSource)}}) {
        if (used && isWithin(src, base)) {
            say({kSpecialFolderMessage, BuildMessage::Icon::Stop});
            return false;
        }
    }
    return true;
}

// Without the Windows player the disc would not play where it is meant to;
// no other file may take its name.
bool Build::windowsPlayerPresent() {
    std::error_code ec;
    if (fs::is_regular_file(req.ownExecutable, ec)) return true;
    say({"The Windows player is missing from the program folder:\n" + req.ownExecutable.string() +
             "\n\nEvery presentation carries it as autorun.exe so that the CD plays on "
             "Windows. Please reinstall Rondivo! (or build it with scripts/build-windows) "
             "and create the CD again.",
         BuildMessage::Icon::Stop});
    return false;
}

// Two builds into one desktop would share the staging folder and the
// earlier one: the second waits for nothing and is told.
bool Build::lockDestination() {
    const fs::path desktop = base.parent_path();
    std::error_code ec;
    // A Linux account need not have a desktop folder yet; the build makes it.
    fs::create_directories(desktop, ec);
    switch (lock.tryAcquire(hiddenSibling(base, ".lock"))) {
        case platform::FileLock::Result::Acquired:
            return true;
        case platform::FileLock::Result::Busy:
            say({busyProblem(base), BuildMessage::Icon::Stop});
            return false;
        case platform::FileLock::Result::Failed:
            break;
    }
    return abort(unwritableProblem(desktop, errno));
}

// The build is made in a hidden sibling folder: a build that fails half-way
// (a full disk, a missing file) leaves the earlier complete folder as it was.
bool Build::startStaging() {
    staging = hiddenSibling(base, ".building");
    folder = staging / "";
    std::error_code ec;
    if (fs::exists(fs::symlink_status(staging, ec))) {
        deleteFolderTree(staging);
        fs::remove(staging, ec);
    }
    if (!fs::create_directories(staging, ec) || ec)
        return abort(unwritableProblem(base.parent_path(), ec ? ec.value() : EEXIST));
    return true;
}

// The file to open, and the folder it comes from.
bool Build::copyFileToOpen() {
    const DesignerSettings& s = req.settings;
    if (s.openName.empty() || s.openName[0] == '\\' || !present(openSrc)) return true;
    if (!copyInto(openSrc, s.openName, kCopyTailOpen)) return false;
    fs::path dir = openSrc.parent_path();
    if (skipsSourceFolderCopy(s.openSource, dir)) return true;
    return copyFolder(dir, staging);
}

bool Build::copyFailSafe() {
    const DesignerSettings& s = req.settings;
    if (s.failSafeName.empty() || s.failSafeName[0] == '\\' || !present(failSafeSrc)) return true;
    return copyInto(failSafeSrc, s.failSafeName, kCopyTailOpen);
}

void Build::writeAutorunFiles() {
    const DesignerSettings& s = req.settings;
    result.commandLine = writeAutorunInf(staging, autorunInfValues(s));
    if (auto dat = presentationSettings(s)) writePresentationFile(staging, *dat);
}

// The copy routine's rename replaces autorun.exe even while a preview runs
// it, without ending the preview.
bool Build::copyPlayer() {
    return copyInto(req.ownExecutable, folder / "autorun.exe", kCopyTailExe);
}

bool Build::copyMedia() {
    const DesignerSettings& s = req.settings;
    if (s.splashEnabled && !s.splashName.empty() &&
        !copyInto(source(s.splashSource), underscoreBlanks(s.splashName), kCopyTailActually))
        return false;
    if (s.soundEnabled && !s.soundName.empty() &&
        !copyInto(source(s.soundSource), underscoreBlanks(s.soundName), kCopyTailActually))
        return false;
    if (s.iconEnabled && !s.iconName.empty() && s.iconName != "autorun.exe" &&
        !copyInto(source(s.iconSource), underscoreBlanks(s.iconName), kCopyTailActually))
        return false;
    return true;
}

// A page saved with its companion folder brings that folder along.
bool Build::copyCompanionFolder() {
    const DesignerSettings& s = req.settings;
    if (s.openName.empty()) return true;
    std::string name = fileNamePart(s.openSource);
    if (name.empty()) name = s.openName;
    auto companionOf = [](std::string p) {
        auto dot = p.rfind('.');
        auto sep = p.rfind('/');
        if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
            return p + "_files";
        return p.substr(0, dot) + "_files";
    };
    fs::path from = platform::u8path(companionOf(openSrc.string()));
    std::error_code ec;
    if (!fs::is_directory(from, ec)) return true;
    companion = true;
    return copyFolder(from, folder / platform::u8path(companionOf(name)));
}

// Whatever the program folder's drivers folder holds.
void Build::copyDrivers() {
    std::error_code ec;
    if (!fs::create_directory(folder / "drivers", ec) || ec) return;
    fs::path drivers = req.programFolder / "drivers";
    for (fs::directory_iterator it(drivers, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        std::string name = it->path().filename().string();
        if (platform::equalsIgnoreCase(name, "shfolder.dll")) name = "SHFOLDER.DLL";
        fs::path target = folder / "drivers" / platform::u8path(name);
        progress(it->path().string());
        FileCopyResult r = copyRegularFile(it->path(), target);
        if (r.ok())
            clearReadOnly(target);
        else
            inform(copyProblem(it->path(), shown(target), kCopyTailActually));
    }
}

bool Build::moveIntoDataFolder() {
    if (!req.settings.options.dataFolder) return true;
    std::vector<BuildMessage> moveMessages;
    std::string line = moveToDataFolder(folder, moveMessages, hooks.sleep);
    bool stopped = false;
    for (auto& m : moveMessages) {
        stopped = stopped || m.icon == BuildMessage::Icon::Stop;
        say(std::move(m));
    }
    if (stopped) {
        result.outcome = BuildResult::Outcome::Aborted;
        return false;
    }
    if (!line.empty()) result.commandLine = line;
    return true;
}

// A disc whose autorun.inf names ".enc" files must carry them.
bool Build::encrypt() {
    if (!req.settings.options.secure) return true;
    SecureBuildReport report;
    if (encryptPresentationFolder(folder, &report)) return true;
    std::vector<fs::path> failed;
    for (const fs::path& f : report.failed) failed.push_back(shown(f));
    return abort(encryptionProblem(report.passwordRead, failed));
}

// "Presentation Complete" tells authors to add files to the folder: whatever
// the earlier build did not put there comes along into the new one. Without a
// record of the earlier build, every file the new build does not make is
// kept, and so is one it makes under the same name unless it holds the same
// bytes (then the earlier build made it).
bool Build::carryOverAuthorFiles() {
    made = filesBelow(staging);
    std::error_code ec;
    auto st = fs::symlink_status(base, ec);
    if (!fs::is_directory(st) || fs::is_symlink(st)) return true;
    const auto record = readBuildRecord(base);
    std::vector<std::string> built = record.value_or(std::vector<std::string>{});
    std::sort(built.begin(), built.end());
    std::vector<std::string> carried;
    for (const std::string& rel : filesBelow(base)) {
        if (std::binary_search(built.begin(), built.end(), rel)) continue;
        fs::path to = folder / platform::u8path(rel);
        const fs::path from = base / platform::u8path(rel);
        if (fs::exists(fs::symlink_status(to, ec))) {
            if (!record && sameContents(from, to)) continue;
            // A name the new build uses as well: the author's file is kept beside it.
            to += ".earlier";
        }
        fs::create_directories(to.parent_path(), ec);
        FileCopyResult r = copyRegularFile(from, to);
        if (r.diskFull) return abort(diskFullProblem(from, shown(to)));
        if (!r.ok()) {
            // Never lose it: the earlier folder stays where it is.
            return abort("The file " + from.string() +
                         " that was added to the folder after the last build could not be "
                         "carried over (" +
                         r.reason + ").\n\nThe earlier folder is unchanged.");
        }
        carried.push_back(shown(to).string());
    }
    if (carried.empty()) return true;
    std::string text =
        "These files were added to the \"CD-ROM Distributable Files\" folder after the last "
        "build and have been kept in the new folder:\n";
    for (std::size_t i = 0; i < carried.size(); ++i) {
        if (i == 20) {
            text += "... and " + std::to_string(carried.size() - 20) + " more\n";
            break;
        }
        text += carried[i] + "\n";
    }
    inform(text);
    return true;
}

// The finished folder takes the place of the earlier one in two renames.
bool Build::putInPlace() {
    std::error_code ec;
    auto st = fs::symlink_status(base, ec);
    fs::path old = earlier();
    if (fs::is_symlink(st)) {
        // Never empty a folder the link points at; only the link goes.
        fs::remove(base, ec);
    } else if (fs::exists(st)) {
        if (fs::exists(fs::symlink_status(old, ec))) {
            deleteFolderTree(old);
            fs::remove(old, ec);
        }
        fs::rename(base, old, ec);
        if (ec) return abort(folderProblem(base));
    }
    fs::rename(staging, base, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, base, back);
        return abort(folderProblem(base));
    }
    if (fs::exists(fs::symlink_status(old, ec))) {
        deleteFolderTree(old);
        fs::remove(old, ec);
    }
    std::string why;
    if (!writeBuildRecord(base, made, why)) inform(recordProblem(buildRecordFile(base), why));
    return true;
}

BuildResult& Build::run() {
    result.additionalFiles = 0;
    if (!namesHaveNoBlanks() || !windowsPlayerPresent()) return result;
    const fs::path desktop =
        req.desktopFolder.empty() ? platform::desktopFolder() : req.desktopFolder;
    base = distributableFolder(desktop);
    result.folder = base / "";
    openSrc = source(req.settings.openSource);
    failSafeSrc = source(req.settings.failSafeSource);
    if (!sourcesOutsideTheFolder()) return result;

    if (!lockDestination() || !startStaging()) return result;
    if (!copyFileToOpen() || !copyFailSafe()) return result;
    writeAutorunFiles();
    if (!copyPlayer() || !copyMedia() || !copyCompanionFolder()) return result;
    if (!companion && !req.settings.openName.empty() && !scan(openSrc)) return result;
    copyDrivers();
    if (!req.settings.failSafeName.empty() && !scan(failSafeSrc)) return result;
    if (!moveIntoDataFolder() || !encrypt()) return result;
    // Linux desktops offer to run it; written last, with the final OPEN= words.
    if (!writeAutorunShellScript(staging, result.commandLine))
        platform::debugLog("build: autorun.sh could not be written");
    if (!carryOverAuthorFiles() || !putInPlace()) return result;
    result.outcome = BuildResult::Outcome::Completed;
    return result;
}

}  // namespace

fs::path distributableFolder(const fs::path& desktop) {
    return desktop / kDistributableFolderName;
}

BuildResult runBuild(const BuildRequest& request, const BuildHooks& hooks) {
    Build b{request, hooks, {}, {}, {}, {}, {}, {}, false, {}, {}};
    b.run();
    if (!b.result.completed() && !b.staging.empty()) {
        // A half-made folder never stays behind looking complete.
        std::error_code ec;
        deleteFolderTree(b.staging);
        fs::remove(b.staging, ec);
    }
    return std::move(b.result);
}

}  // namespace rondivo
