#pragma once
// The start-up routine shared by the designer and the player: where the
// launch arguments come from, which mode runs, and in player mode the order
// of sound, splash, browser window, shell launch and fall-backs. Decisions are
// pure functions; `runStartup` carries them out through a StartupHost, which
// the window layer implements (and tests replace with a recorder).
#include <filesystem>
#include <optional>
#include <string>

#include "disc/autorun_dat.h"
#include "disc/launch_arguments.h"
#include "player/browser_launch.h"

namespace rondivo {

inline constexpr const char* kInformationText =
    "Rondivo! creates auto-playable CD-ROMs.\n\nTo run the designer and create your own autorun "
    "CD-ROMs, "
    "please double-click the Rondivo! desktop icon or re-install the software from "
    "https://rondivo.example/download";

enum class StartupMode {
    Information,     // no usable arguments: the message, then the end
    Designer,        // "design": single instance, splash, main window
    DesignerDirect,  // autorun.inf with nothing after ".exe": main window only
    Player,
};

struct StartupDecision {
    LaunchArguments arguments;
    bool dataFolderLayout = true;
    StartupMode mode = StartupMode::Information;
};

// Arguments from argv, else from line 2 of `folder`/autorun.inf; then the mode.
StartupDecision decideStartup(int argc, const char* const* argv,
                              const std::filesystem::path& folder);
StartupDecision decideFromArguments(const LaunchArguments& arguments);
// Words after ".exe" on an OPEN= line, as the player reads them.
std::optional<StartupDecision> decideFromAutorunLine(const std::string& line2);

struct ShellLaunch {
    std::string file;
    std::string parameters;
};

enum class FailSafeKind { OpenWith, Browser, Shell };

struct PlayerPlan {
    std::string sound;        // empty: no sound job
    std::string splashImage;  // empty: no splash
    int splashMs = 2000;
    bool openNothing = false;     // position 1 is "none"
    std::string changeDirectory;  // folder part of position 1, "" when it has none
    std::optional<BrowserLaunch> browser;
    bool secure = false;  // position 1 names an ".enc" file
    bool dataFolderLayout = true;
    ShellLaunch shellAfterChdir;
    ShellLaunch shellAsWritten;
    FailSafeKind failSafe = FailSafeKind::OpenWith;
    std::optional<BrowserLaunch> failSafeBrowser;
    ShellLaunch failSafeShell;
};

std::filesystem::path designerSplashImage(const std::filesystem::path& programFolder);

bool isBrowserType(
    const std::string& name);           // ".htm", ".avi", ".wmv", ".mpeg", ".mpg", ".gif", ".jpg"
bool isMovie(const std::string& name);  // none of ".htm", ".gif", ".jpg"
// Applies the ".ppt" rule: "Powerpnt.exe" with "/s FILE".
ShellLaunch shellLaunchFor(const std::string& position, const std::string& file);
// The decrypted copy a shell launch opens: D\position with the folder and ".enc" repaired.
std::string secureLaunchPath(const std::string& decryptedFolder, const std::string& position1);

PlayerPlan planPlayer(const LaunchArguments& args, const PresentationSettings& settings,
                      bool dataFolderLayout, const std::filesystem::path& executableFolder,
                      const std::string& icon);

class StartupHost {
  public:
    virtual ~StartupHost() = default;
    virtual std::filesystem::path currentDirectory() = 0;
    virtual std::filesystem::path executableFolder() = 0;  // the disc the player runs from
    virtual std::filesystem::path programFolder() = 0;     // the designer's html/, splashscreens/
    // The presentation's root for the player.
    virtual std::filesystem::path discFolder() { return executableFolder(); }
    virtual void showInformation(const std::string& text) = 0;
    // Designer
    virtual bool acquireDesignerInstance() = 0;  // false: another designer runs
    virtual void raiseRunningDesigner() = 0;
    virtual void showDesignerSplash(
        const std::filesystem::path& image) = 0;  // hides itself after 2000 ms
    virtual void runDesigner() = 0;
    // Player
    virtual void startSound(const std::string& path) = 0;
    virtual bool soundFinished() = 0;
    virtual void showSplash(const std::string& image,
                            int displayMs) = 0;                // returns when hidden again
    virtual void runBrowser(const BrowserLaunch& launch) = 0;  // modal
    virtual void restoreDesigner() = 0;
    virtual std::string extractSecureFiles(bool dataFolderLayout) = 0;
    virtual bool changeDirectory(const std::string& folder) = 0;
    virtual bool enterFolder(const std::filesystem::path& folder) = 0;
    virtual int shellExecute(const std::string& file, const std::string& parameters) = 0;
    virtual void openWith(const std::string& file) = 0;
    virtual void showError(const std::string& text) = 0;
    virtual void pumpMessages() = 0;
    virtual void sleepMs(int ms) = 0;
};

// The whole routine; returns when the process should end.
void runStartup(int argc, const char* const* argv, StartupHost& host);
void runPlayer(const PlayerPlan& plan, const LaunchArguments& args, StartupHost& host);

}  // namespace rondivo
