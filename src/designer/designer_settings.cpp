#include "designer/designer_settings.h"

namespace rondivo {

std::string fileNamePart(std::string_view path) {
    auto pos = path.find_last_of("\\/");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

bool isInsideDistributableFolder(std::string_view path) {
    return path.find(kDistributableFolderName) != std::string_view::npos;
}

namespace {
void setBrowserLimits(OptionsValues& o, bool rightClick, bool resizing, bool titleBar) {
    o.disableRightClick = rightClick;
    o.disableResizing = resizing;
    o.disableTitleBar = titleBar;
}
bool contains(const std::string& s, const char* what) {
    return s.find(what) != std::string::npos;
}
}  // namespace

void applyPreset(DesignerSettings& s) {
    const std::string& n = s.openName;
    OptionsValues& o = s.options;
    if (contains(n, "Demo_Fancy_Menu.html") || contains(n, "9_Sunset_CD_Menu.html")) {
        setBrowserLimits(o, true, true, true);
        s.windowSize = 2;
    } else if (contains(n, "91_HighTech_CD_Menu.html")) {
        setBrowserLimits(o, true, true, true);
        s.windowSize = kCustomWindowSize;
        s.customWidth = 500;
        s.customHeight = 450;
    } else if (contains(n, "92_XPBlue_CD_Menu.html")) {
        setBrowserLimits(o, true, true, false);
        s.windowSize = kCustomWindowSize;
        s.customWidth = 475;
        s.customHeight = 425;
    } else if (contains(n, "3_Demo_Microsoft_PowerPoint")) {
        o.dataFolder = false;
    } else {
        setBrowserLimits(o, true, false, false);
        s.windowSize = 0;
        s.customWidth = 0;
        s.customHeight = 0;
        o.dataFolder = true;
    }
}

bool chooseOwnFile(DesignerSettings& s, const std::string& path) {
    if (isInsideDistributableFolder(path)) return false;
    s.openSource = path;
    s.openName = underscoreBlanks(fileNamePart(path));
    applyPreset(s);
    return true;
}

void chooseExample(DesignerSettings& s, const std::string& programFolder,
                   const std::string& entry) {
    std::string folder = programFolder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    s.openSource = folder + "html/" + entry;
    s.openName = entry;
    applyPreset(s);
}

void chooseFailSafe(DesignerSettings& s, const std::string& path) {
    s.failSafeSource = path;
    s.failSafeName = underscoreBlanks(fileNamePart(path));
}

void chooseMenuCreatorPage(DesignerSettings& s, const std::string& path) {
    s.openSource = path;
    s.openName = underscoreBlanks(fileNamePart(path));
}

void chooseSplash(DesignerSettings& s, const std::string& path) {
    s.splashSource = path;
    s.splashName = fileNamePart(path);
}

void chooseSound(DesignerSettings& s, const std::string& path) {
    s.soundSource = path;
    s.soundName = fileNamePart(path);
}

void chooseIcon(DesignerSettings& s, const std::string& path) {
    s.iconSource = path;
    s.iconName = fileNamePart(path);
}

int chooseWindowSize(DesignerSettings& s, int index,
                     std::optional<std::pair<int, int>> customSize) {
    s.windowSize = index;
    if (index != kCustomWindowSize) {
        s.customWidth = 0;
        s.customHeight = 0;
        return index;
    }
    if (customSize && customSizeValid(customSize->first) && customSizeValid(customSize->second)) {
        s.customWidth = customSize->first;
        s.customHeight = customSize->second;
        return index;
    }
    if (s.customWidth == 0 && s.customHeight == 0) {
        s.windowSize = 0;
        return 0;
    }
    return index;
}

std::pair<int, int> customSizeDialogStart(const DesignerSettings& s) {
    if (s.customWidth > 0 && s.customHeight > 0) return {s.customWidth, s.customHeight};
    return {640, 480};
}

bool customSizeValid(int value) {
    return value >= kCustomSizeMin && value <= kCustomSizeMax;
}

bool startPositionTextValid(std::string_view text) {
    for (char c : text)
        if (!(c >= '0' && c <= '9') && c != '%') return false;
    return true;
}

StartField acceptStartPosition(OptionsValues& o) {
    if (!startPositionTextValid(o.startX)) return StartField::X;
    if (!startPositionTextValid(o.startY)) return StartField::Y;
    // assign(1, '0'), not = "0": GCC 12 at -O3 inlines the literal's copy and
    // reports a false -Wrestrict overlap (GCC bug 105329).
    if (!o.startX.empty() && o.startY.empty()) o.startY.assign(1, '0');
    if (!o.startY.empty() && o.startX.empty()) o.startX.assign(1, '0');
    return StartField::None;
}

AutorunInfValues autorunInfValues(const DesignerSettings& s) {
    AutorunInfValues v;
    v.openFile = s.openName;
    v.secure = s.options.secure;
    v.failSafeFile = s.failSafeName;
    v.builtInBrowser = s.builtInBrowser;
    v.windowSize = s.windowSize;
    v.splashEnabled = s.splashEnabled;
    v.splashName = s.splashName;
    v.soundEnabled = s.soundEnabled;
    v.soundName = s.soundName;
    v.iconEnabled = s.iconEnabled;
    v.iconName = s.iconName;
    return v;
}

std::optional<PresentationSettings> presentationSettings(const DesignerSettings& s) {
    const OptionsValues& o = s.options;
    if (o.splashTimeIndex == -1) return std::nullopt;
    PresentationSettings v;
    v.splashDisplayMs = splashTimeFromIndex(o.splashTimeIndex);
    v.disableRightClick = o.disableRightClick;
    v.disableTitleBar = o.disableTitleBar;
    v.disableResizing = o.disableResizing;
    v.customWidth = s.customWidth;
    v.customHeight = s.customHeight;
    v.topMost = o.topMost;
    v.startX = o.startX;
    v.startY = o.startY;
    v.centreOnStart = o.centreOnStart;
    return v;
}

}  // namespace rondivo

#include <filesystem>

#include "platform/file_io.h"

namespace rondivo {

FileChooser fileChooserFor(FileChoice which, const std::string& programFolder) {
    const std::filesystem::path p = platform::u8path(programFolder);
    constexpr const char* kOpenFilter =
        "All Files (*.*)|*.*|HTML Files (*.htm;*.html)|*.htm; *.html|Microsoft Word Files "
        "(*.doc)|*.doc|Adobe PDF "
        "Files (*.pdf)|*.pdf||";
    switch (which) {
        case FileChoice::FileToOpen:
            return {"Select the File to Auto-Play on CD-ROM", (p / "html").string(), ".*",
                    kOpenFilter};
        case FileChoice::FailSafe:
            return {"Select the File to Auto-Play if Initial File Fails to Open",
                    (p / "html").string(), ".*", kOpenFilter};
        case FileChoice::Splash:
            return {"Select an Image to Display in CD-ROM Splash Screen",
                    (p / "splashscreens").string(), ".*",
                    "GIF/JPG/BMP/PNG (*.gif;*.jpg;*.bmp;*.jpeg;*.png)|*.gif; *.jpg; *.bmp; *.jpeg; "
                    "*.png||"};
        case FileChoice::Sound:
            return {"Select a Sound to Play upon CD-ROM Startup", (p / "sounds").string(), ".*",
                    "Wav (*.wav)|*.wav||"};
        case FileChoice::Icon:
            return {"Select an Icon for Your CD-ROM", (p / "icons").string(), ".ico",
                    "Ico/Bmp/Exe (*.ico;*.bmp;*.exe)|*.ico; *.bmp; *.exe||"};
    }
    return {};
}

std::string wxFilterFromWindowsFilter(const std::string& filter) {
    std::string f = filter;
    while (!f.empty() && f.back() == '|') f.pop_back();
    std::string out;
    std::size_t field = 0, start = 0;
    while (start <= f.size()) {
        std::size_t bar = f.find('|', start);
        std::string part =
            f.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (field % 2 == 1) {
            std::string cleaned;
            for (char c : part)
                if (c != ' ') cleaned += c;
            part = cleaned == "*.*" ? "*" : cleaned;
        }
        if (field > 0) out += '|';
        out += part;
        ++field;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

}  // namespace rondivo
