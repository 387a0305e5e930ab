#pragma once
// "Create CD": turns the designer's settings into the folder "CD-ROM
// Distributable Files" on the desktop. The same pipeline serves the designer
// window and rondivo-build; it never shows anything itself. What the author
// must be told comes back as messages, in the order the window shows them.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "designer/designer_settings.h"
#include "designer/folder_copy.h"

namespace rondivo {

struct BuildMessage {
    enum class Icon { Information, Stop };
    // The control that gets the focus after the message (name checks only).
    enum class Focus { None, FileToOpen, FailSafe };
    std::string text;
    Icon icon = Icon::Information;
    Focus focus = Focus::None;
};

// What a window (or a test) puts in place of the build's own behaviour. Each
// may be left empty.
struct BuildHooks {
    // The wait dialog's changing text (the file being copied, or a folder).
    std::function<void(const std::string& text)> showProgress;
    // Each message as it arises, so a window can show it at that point of
    // the build (it is also kept in BuildResult::messages).
    std::function<void(const BuildMessage&)> onMessage;
    // Lets the window repaint before a long folder copy.
    std::function<void()> pumpMessages;
    // Told each page or batch file just before its links are scanned.
    std::function<void(const std::filesystem::path& page)> scanningPage;
    // Waiting before the data-folder step retries a move (tests shorten it).
    std::function<void(std::chrono::milliseconds)> sleep;
};

struct BuildRequest {
    DesignerSettings settings;
    std::filesystem::path programFolder;  // relative source paths are taken from here
    std::filesystem::path ownExecutable;  // copied as autorun.exe
    std::filesystem::path desktopFolder;  // empty: the user's desktop
};

struct BuildResult {
    enum class Outcome {
        Completed,  // the Presentation Complete dialog is shown
        Refused,    // a name or path check failed; nothing was touched
        Aborted,    // a copy failed; the earlier folder (if any) stays as it was
    };
    Outcome outcome = Outcome::Refused;
    std::vector<BuildMessage> messages;  // for Refused/Aborted the last is the reason
    std::filesystem::path folder;        // ends in "/"
    std::string commandLine;             // the OPEN= value, e.g. "autorun.exe data\index.html ..."
    std::vector<CopyFailure> folderCopyFailures;
    // How the disc differs from the author's files though the build went
    // well: each link rewritten in a copied page, as "page: "old" is now "new"".
    std::vector<std::string> notes;
    int additionalFiles = 0;
    bool completed() const { return outcome == Outcome::Completed; }
};

BuildResult runBuild(const BuildRequest& request, const BuildHooks& hooks = {});

// The distributable folder for a desktop: DESKTOP/"CD-ROM Distributable Files".
std::filesystem::path distributableFolder(const std::filesystem::path& desktop);

// Moves everything but autorun.exe, autorun.dat, the icon, drivers and
// COPY_ALL_TO_CDROM_ROOT.txt into folder/data and rewrites autorun.inf.
// Returns the new command line, or "" when the move did not happen or did
// not finish (a message then says why; a Stop message when the folder is
// left unusable and the build must stop).
std::string moveToDataFolder(const std::filesystem::path& folder,
                             std::vector<BuildMessage>& messages,
                             const std::function<void(std::chrono::milliseconds)>& sleep = {});

// The parameters Preview passes to autorun.exe: the command line after its first blank.
std::string previewParameters(const std::string& commandLine);

}  // namespace rondivo
