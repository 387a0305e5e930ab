#include "designer/build_command_line.h"

#include <charconv>
#include <functional>
#include <map>
#include <optional>

#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/player_files.h"

namespace rondivo {

namespace {

std::optional<int> parseInt(const std::string& s) {
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

bool isExample(const std::string& name) {
    for (std::size_t i = 1; i < kExampleEntries.size(); ++i)
        if (name == kExampleEntries[i]) return true;
    return false;
}

}  // namespace

std::string buildUsageText() {
    return R"(Usage: rondivo-build [OPTION]...
Builds the folder "CD-ROM Distributable Files" on the desktop, as "Create CD"
in the designer does, and prints the folder and the OPEN= line of autorun.inf.

File to open and fail-safe file
  --open FILE            file to open on insertion (an example name such as
                         4_Demo_Fancy_Menu.html takes the program's own page);
                         the example presets apply as in the designer
  --no-open              open no file ("none")
  --fail-safe FILE       fail-safe file          --no-fail-safe
Splash, sound and icon
  --splash IMAGE         --no-splash
  --sound WAV            --no-sound
  --icon FILE            --no-icon (the default icon is autorun.exe itself)
Built-in browser
  --browser              --no-browser
  --window-size SIZE     default, 320x240, 500x400, 640x480, 800x600, full,
                         or WIDTHxHEIGHT for a custom size (1..10000 each)
Options
  --splash-time T        short, normal, long, extra-long, or none (no autorun.dat)
  --right-click          --no-right-click (the default: right-click menu disabled)
  --title-bar            --no-title-bar
  --resizable            --no-resize
  --top-most             --no-top-most
  --start X,Y            starting window position, pixels or percent ("50%,100")
  --centre               --no-centre (place the top-left corner at the start point)
  --folder-copy          --no-folder-copy (copy the file to open alone)
  --data-folder          --no-data-folder
  --secure               --no-secure
Where
  --desktop DIR          build in DIR instead of the desktop
  --program-folder DIR   the program folder with html/, splashscreens/, ...
                         (default: beside this program, or ../share/rondivo)
  --executable FILE      the Windows player copied as autorun.exe
                         (default: PROGRAM-FOLDER/windows/autorun.exe)
  --iso FILE             then save an ISO 9660 image (Joliet names) of the folder
  --from DIR             with --iso or --burn: master DIR as it stands instead of building
  --label TEXT           the image's or disc's volume label (default: the folder's
                         name), in A-Z, 0-9 and _ for ISO 9660, as typed for Joliet
  --burn                 then burn the folder to a recordable CD/DVD
  --drive N              with --burn: the drive's row (default: the first recordable drive)
  --speed X              with --burn: the write speed factor (default 12)
  --finalize             with --burn: close the disc to further sessions
  --blank                with --burn: erase a used CD-RW or DVD-RW first
  --to-drive PATH        then copy the folder to the root of a USB drive (its mount
                         point or device, or any folder): checks the free space, reads
                         every file back from the drive, sets the drive's label
  --replace              with --to-drive: replace files already on the drive
                         (without it the copy lists them and writes nothing)
  --list-drives          list the removable drives and end
  --help                 this text
)";
}

namespace {

// Options without a value.
std::map<std::string, std::function<void()>> flagOptions(BuildCommandLine& r) {
    DesignerSettings& s = r.request.settings;
    OptionsValues& o = s.options;
    return {
        {"--help", [&] { r.help = true; }},
        {"-h", [&] { r.help = true; }},
        {"--no-open", [&] { s.openName.clear(); }},
        {"--no-fail-safe", [&] { s.failSafeName.clear(); }},
        {"--no-splash", [&] { s.splashEnabled = false; }},
        {"--no-sound", [&] { s.soundEnabled = false; }},
        {"--no-icon", [&] { s.iconEnabled = false; }},
        {"--browser", [&] { s.builtInBrowser = true; }},
        {"--no-browser", [&] { s.builtInBrowser = false; }},
        {"--right-click", [&] { o.disableRightClick = false; }},
        {"--no-right-click", [&] { o.disableRightClick = true; }},
        {"--title-bar", [&] { o.disableTitleBar = false; }},
        {"--no-title-bar", [&] { o.disableTitleBar = true; }},
        {"--resizable", [&] { o.disableResizing = false; }},
        {"--no-resize", [&] { o.disableResizing = true; }},
        {"--top-most", [&] { o.topMost = true; }},
        {"--no-top-most", [&] { o.topMost = false; }},
        {"--centre", [&] { o.centreOnStart = true; }},
        {"--center", [&] { o.centreOnStart = true; }},
        {"--no-centre", [&] { o.centreOnStart = false; }},
        {"--no-center", [&] { o.centreOnStart = false; }},
        {"--folder-copy", [&] { o.noWholeFolderCopy = false; }},
        {"--no-folder-copy", [&] { o.noWholeFolderCopy = true; }},
        {"--data-folder", [&] { o.dataFolder = true; }},
        {"--no-data-folder", [&] { o.dataFolder = false; }},
        {"--secure", [&] { o.secure = true; }},
        {"--burn", [&] { r.burn = true; }},
        {"--finalize", [&] { r.finalize = true; }},
        {"--blank", [&] { r.blank = true; }},
        {"--replace", [&] { r.replace = true; }},
        {"--list-drives", [&] { r.listDrives = true; }},
        {"--no-secure", [&] { o.secure = false; }},
    };
}

// The files the presentation shows: true when `name` is one of them.
bool fileOption(DesignerSettings& s, const std::string& name, const std::string& v,
                std::string& error) {
    if (name == "--open") {
        if (isExample(v)) {
            // Relative to whichever program folder the build ends up using.
            chooseExample(s, "", v);
        } else if (!chooseOwnFile(s, v)) {
            error = kSpecialFolderMessage;
        }
    } else if (name == "--fail-safe") {
        chooseFailSafe(s, v);
    } else if (name == "--splash") {
        chooseSplash(s, v);
        s.splashEnabled = true;
    } else if (name == "--sound") {
        chooseSound(s, v);
        s.soundEnabled = true;
    } else if (name == "--icon") {
        chooseIcon(s, v);
        s.iconEnabled = true;
    } else {
        return false;
    }
    return true;
}

// One option with a value; the error text, or "" when it was taken.
std::string valueOption(BuildCommandLine& r, bool& executableGiven, const std::string& name,
                        const std::string& given) {
    BuildRequest& q = r.request;
    DesignerSettings& s = q.settings;
    OptionsValues& o = s.options;
    // Paths on the command line are the caller's, relative to the current directory.
    std::string v = given;
    if (name != "--window-size" && name != "--splash-time" && name != "--start" &&
        name != "--label" && name != "--drive" && name != "--speed" && !v.empty() &&
        !(name == "--open" && isExample(v)))
        v = platform::u8string(std::filesystem::absolute(platform::u8path(v)).lexically_normal());
    std::string error;
    if (fileOption(s, name, v, error)) return error;
    if (name == "--window-size") {
        const std::string lower = platform::toLower(v);
        static const std::map<std::string, int> named = {
            {"default", 0}, {"320x240", 1}, {"500x400", 2},    {"640x480", 3},
            {"800x600", 4}, {"full", 5},    {"full-screen", 5}};
        if (auto it = named.find(lower); it != named.end()) {
            chooseWindowSize(s, it->second);
        } else if (auto x = lower.find('x'); x != std::string::npos) {
            auto w = parseInt(lower.substr(0, x));
            auto h = parseInt(lower.substr(x + 1));
            if (!w || !h || !customSizeValid(*w) || !customSizeValid(*h))
                return "--window-size: width and height must be whole numbers from 1 to 10000";
            chooseWindowSize(s, kCustomWindowSize, std::pair{*w, *h});
        } else {
            return "--window-size: unknown size \"" + v + "\"";
        }
    } else if (name == "--splash-time") {
        static const std::map<std::string, int> named = {
            {"short", 0}, {"normal", 1}, {"long", 2}, {"extra-long", 3}, {"none", -1}};
        auto it = named.find(platform::toLower(v));
        if (it == named.end()) return "--splash-time: use short, normal, long, extra-long or none";
        o.splashTimeIndex = it->second;
    } else if (name == "--start") {
        auto comma = v.find(',');
        OptionsValues next = o;
        next.startX = v.substr(0, comma);
        next.startY = comma == std::string::npos ? std::string() : v.substr(comma + 1);
        if (acceptStartPosition(next) != StartField::None) return kStartPositionMessage;
        o = next;
    } else if (name == "--iso") {
        r.isoFile = platform::u8path(v);
    } else if (name == "--to-drive") {
        r.toDrive = platform::u8path(v);
    } else if (name == "--from") {
        r.from = platform::u8path(v);
    } else if (name == "--label") {
        r.label = v;
    } else if (name == "--drive") {
        auto n = parseInt(v);
        if (!n || *n < 0 || *n >= 26) return "--drive: a drive row from 0 to 25";
        r.driveRow = *n;
    } else if (name == "--speed") {
        auto n = parseInt(v);
        if (!n || *n < 1 || *n > 255) return "--speed: a write speed factor from 1 to 255";
        r.speed = *n;
    } else if (name == "--desktop") {
        q.desktopFolder = platform::u8path(v);
    } else if (name == "--program-folder") {
        q.programFolder = platform::u8path(v);
        if (!executableGiven) q.ownExecutable = platform::windowsPlayer(q.programFolder);
    } else if (name == "--executable") {
        q.ownExecutable = platform::u8path(v);
        executableGiven = true;
    } else {
        return "unknown option " + name;
    }
    return {};
}

}  // namespace

BuildCommandLine parseBuildCommandLine(const std::vector<std::string>& args,
                                       const std::filesystem::path& programFolder,
                                       const std::filesystem::path& ownExecutable) {
    BuildCommandLine r;
    BuildRequest& q = r.request;
    q.programFolder = programFolder;
    q.ownExecutable = ownExecutable;
    bool executableGiven = false;
    const auto flags = flagOptions(r);

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::optional<std::string> value;
        if (auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
        }
        if (auto it = flags.find(a); it != flags.end() && !value) {
            it->second();
            continue;
        }
        if (!value) {
            if (a.rfind("-", 0) != 0 || flags.count(a)) {
                r.error = "unexpected argument " + a;
                return r;
            }
            if (i + 1 >= args.size()) {
                r.error = "option " + a + " needs a value";
                return r;
            }
            value = args[++i];
        }
        r.error = valueOption(r, executableGiven, a, *value);
        if (!r.error.empty()) return r;
    }
    if (!r.from.empty() && r.isoFile.empty() && !r.burn && r.toDrive.empty())
        r.error = "--from needs --iso FILE, --burn or --to-drive PATH";
    else if (r.replace && r.toDrive.empty())
        r.error = "--replace needs --to-drive PATH";
    return r;
}

}  // namespace rondivo
