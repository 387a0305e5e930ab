#include "app/startup.h"

#include "disc/autorun_inf.h"
#include "disc/text_util.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "player/action_executor.h"

namespace rondivo {

namespace fs = std::filesystem;

fs::path designerSplashImage(const fs::path& programFolder) {
    // At the top of the program folder, or among its splash screens.
    fs::path top = programFolder / "splashscreen.jpg";
    std::error_code ec;
    return fs::exists(top, ec) ? top : programFolder / "splashscreens" / "splashscreen.jpg";
}

StartupDecision decideFromArguments(const LaunchArguments& arguments) {
    StartupDecision d;
    d.arguments = arguments;
    if (arguments.count < 2)
        d.mode = StartupMode::Information;
    else
        d.mode =
            arguments.at(kAutoplayFile) == "design" ? StartupMode::Designer : StartupMode::Player;
    return d;
}

std::optional<StartupDecision> decideFromAutorunLine(const std::string& line2) {
    auto exe = line2.find(".exe");
    if (exe == std::string::npos) return std::nullopt;
    auto words = splitAtBlanks(std::string_view(line2).substr(exe + 4), LaunchArguments::kMaxWords);
    StartupDecision d = decideFromArguments(LaunchArguments::fromWords(words));
    if (words.empty()) d.mode = StartupMode::DesignerDirect;
    if (words.size() >= 2 && !containsText(words[1], "data\\")) d.dataFolderLayout = false;
    return d;
}

StartupDecision decideStartup(int argc, const char* const* argv, const fs::path& folder) {
    LaunchArguments args = LaunchArguments::fromArgv(argc, argv);
    if (args.count >= 2) return decideFromArguments(args);
    auto line2 = commandLineFromAutorunInf(folder);
    if (!line2) return StartupDecision{};
    auto d = decideFromAutorunLine(*line2);
    return d ? *d : StartupDecision{};
}

// Extensions are compared without letter case, as Windows names them: a disc
// mastered with short names says "INDEX.HTM".
bool isBrowserType(const std::string& name) {
    const std::string n = platform::toLower(name);
    for (const char* t : {".htm", ".avi", ".wmv", ".mpeg", ".mpg", ".gif", ".jpg"})
        if (containsText(n, t)) return true;
    return false;
}

bool isMovie(const std::string& name) {
    const std::string n = platform::toLower(name);
    return !containsText(n, ".htm") && !containsText(n, ".gif") && !containsText(n, ".jpg");
}

ShellLaunch shellLaunchFor(const std::string& position, const std::string& file) {
    if (containsText(platform::toLower(position), ".ppt")) return {"Powerpnt.exe", "/s " + file};
    return {file, ""};
}

std::string secureLaunchPath(const std::string& decryptedFolder, const std::string& position1) {
    std::string file = decryptedFolder + "\\" + position1;
    replaceAllText(file, "datadata", "data");
    replaceAllText(file, "data\\data\\", "data\\");
    // ".enc" in any letter case.
    for (std::size_t at; (at = platform::toLower(file).find(".enc")) != std::string::npos;)
        file.erase(at, 4);
    return file;
}

namespace {
BrowserLaunch browserFor(const std::string& page, const LaunchArguments& args,
                         const PresentationSettings& settings, bool dataFolderLayout,
                         const fs::path& exeFolder, const std::string& icon) {
    BrowserLaunch b;
    b.page = page;
    b.address = exeFolder / platform::toNativePath(page);
    b.icon = icon;
    b.windowSizeIndex = decimalOrZero(args.at(kWindowSize));
    b.settings = settings;
    b.mediaMode = isMovie(page);
    b.dataFolderLayout = dataFolderLayout;
    return b;
}
}  // namespace

PlayerPlan planPlayer(const LaunchArguments& args, const PresentationSettings& settings,
                      bool dataFolderLayout, const fs::path& exeFolder, const std::string& icon) {
    PlayerPlan p;
    p.dataFolderLayout = dataFolderLayout;
    if (args.count >= 7 && containsText(platform::toLower(args.at(kSound)), ".wav"))
        p.sound = args.at(kSound);
    if (args.count >= 6) {
        std::string five = platform::toLower(args.at(kSplashOrSound));
        if (containsText(five, ".gif") || containsText(five, ".bmp") ||
            containsText(five, ".jpg") || containsText(five, ".png")) {
            p.splashImage = args.at(kSplashOrSound);
            p.splashMs = settings.splashDisplayMs <= 0 ? 2000 : settings.splashDisplayMs;
        } else if (containsText(five, ".wav")) {
            p.sound = args.at(kSplashOrSound);  // the splash is off; the sound took its place
        }
    }
    const std::string& one = args.at(kAutoplayFile);
    if (one == "none") {
        p.openNothing = true;
        return p;
    }
    auto slash = one.rfind('/');
    if (slash != std::string::npos) p.changeDirectory = one.substr(0, slash + 1);
    const bool browserOn = args.at(kBuiltInBrowser) == "1";
    if (isBrowserType(one) && browserOn) {
        p.browser = browserFor(one, args, settings, dataFolderLayout, exeFolder, icon);
        p.browser->restoreDesignerAfter = true;
        return p;
    }
    p.secure = containsText(platform::toLower(one), ".enc");
    const std::string base = slash == std::string::npos ? one : one.substr(slash + 1);
    p.shellAfterChdir = shellLaunchFor(one, base);
    p.shellAsWritten = shellLaunchFor(one, one);
    const std::string& two = args.at(kFailSafeFile);
    if (two == "none") {
        p.failSafe = FailSafeKind::OpenWith;
    } else if (isBrowserType(two) && browserOn) {
        p.failSafe = FailSafeKind::Browser;
        p.failSafeBrowser = browserFor(two, args, settings, dataFolderLayout, exeFolder, icon);
    } else {
        p.failSafe = FailSafeKind::Shell;
        p.failSafeShell = shellLaunchFor(two, two);
    }
    return p;
}

namespace {
// "Open With" only when the system has no program for the type; any other
// failure is said, with the file and the system's reason.
void answerFailedLaunch(int result, const ShellLaunch& launch, const std::string& openWithFile,
                        StartupHost& host) {
    if (platform::shellSucceeded(result)) return;
    if (auto text = launchFailureText(result, launch.file, launch.parameters))
        host.showError(*text);
    else
        host.openWith(openWithFile);
}
}  // namespace

void runPlayer(const PlayerPlan& plan, const LaunchArguments& args, StartupHost& host) {
    if (!plan.sound.empty()) host.startSound(plan.sound);
    if (!plan.splashImage.empty()) host.showSplash(plan.splashImage, plan.splashMs);
    [&] {
        if (plan.openNothing) return;
        bool changed = false;
        if (!plan.changeDirectory.empty()) changed = host.changeDirectory(plan.changeDirectory);
        if (plan.browser) {
            host.runBrowser(*plan.browser);
            host.restoreDesigner();
            return;
        }
        ShellLaunch launch = changed ? plan.shellAfterChdir : plan.shellAsWritten;
        if (plan.secure) {
            // Without decrypted files there is nothing better than the name as it stands.
            std::string folder = host.extractSecureFiles(plan.dataFolderLayout);
            if (!folder.empty()) launch.file = secureLaunchPath(folder, args.at(kAutoplayFile));
        }
        const int result = host.shellExecute(launch.file, launch.parameters);
        if (platform::shellSucceeded(result)) return;
        switch (plan.failSafe) {
            case FailSafeKind::OpenWith:
                answerFailedLaunch(result, launch, launch.file, host);
                return;
            case FailSafeKind::Browser:
                host.runBrowser(*plan.failSafeBrowser);
                return;
            case FailSafeKind::Shell:
                answerFailedLaunch(
                    host.shellExecute(plan.failSafeShell.file, plan.failSafeShell.parameters),
                    plan.failSafeShell, args.at(kFailSafeFile), host);
                return;
        }
    }();
    while (!host.soundFinished()) {
        host.pumpMessages();
        host.sleepMs(10);
    }
}

void runStartup(int argc, const char* const* argv, StartupHost& host) {
    // The disc's files lie beside the player's executable: started from the
    // Run box or a shortcut, the current folder is some other one.
    const fs::path disc = host.discFolder();
    PresentationSettings settings;
    readPresentationFile(disc / kPresentationFileName, settings);
    StartupDecision d = decideStartup(argc, argv, disc);
    settings.arguments = d.arguments;
    settings.dataFolderLayout = d.dataFolderLayout;
    switch (d.mode) {
        case StartupMode::Information:
            host.showInformation(kInformationText);
            return;
        case StartupMode::DesignerDirect:
            host.runDesigner();
            return;
        case StartupMode::Designer:
            if (!host.acquireDesignerInstance()) {
                host.raiseRunningDesigner();
                return;
            }
            host.showDesignerSplash(designerSplashImage(host.programFolder()));
            host.pumpMessages();
            host.pumpMessages();
            host.runDesigner();
            return;
        case StartupMode::Player: {
            // Names on the disc are relative to its root, as when AutoPlay starts the player.
            if (host.currentDirectory() != disc) host.enterFolder(disc);
            // The icon is read here once: the browser window and the fail-safe share it.
            std::string icon = iconFromAutorunInf(disc);
            runPlayer(planPlayer(d.arguments, settings, d.dataFolderLayout, disc, icon),
                      d.arguments, host);
            return;
        }
    }
}

}  // namespace rondivo
