#pragma once
// Every choice of the main designer window and the Options dialog, with the
// decisions the window makes on them (presets, names from chosen paths, the
// start-position check), so they can be reached without a display.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "disc/autorun_dat.h"
#include "disc/autorun_inf.h"

namespace rondivo {

inline constexpr char kDistributableFolderName[] = "CD-ROM Distributable Files";

struct OptionsValues {
    bool disableRightClick = true;
    int splashTimeIndex = 1;  // 0..3; -1 writes no autorun.dat
    bool disableTitleBar = false;
    bool disableResizing = false;
    bool noWholeFolderCopy = false;
    bool dataFolder = true;
    bool topMost = false;
    std::string startX;
    std::string startY;
    bool centreOnStart = true;
    bool secure = false;
};

// Source paths are native paths, absolute or relative to the program folder
// ("html\x.html" style separators are accepted too).
struct DesignerSettings {
    std::string openName = "1_Demo_General_Menu.html";
    std::string openSource = "html\\1_Demo_General_Menu.html";
    std::string failSafeName = "Error_Page.html";
    std::string failSafeSource = "html\\Error_Page.html";
    bool splashEnabled = true;
    std::string splashName = "default.jpg";
    std::string splashSource = "splashscreens/default.jpg";
    bool soundEnabled = true;
    std::string soundName = "default.wav";
    std::string soundSource = "sounds/default.wav";
    bool iconEnabled = true;
    std::string iconName = "autorun.exe";
    std::string iconSource = "autorun.exe";
    bool builtInBrowser = true;
    int windowSize = 0;
    int customWidth = 0;
    int customHeight = 0;
    OptionsValues options;
};

inline constexpr std::array<const char*, 7> kWindowSizeEntries = {
    "Default", "320x240", "500x400", "640x480", "800x600", "Full Screen", "Custom"};
inline constexpr int kCustomWindowSize = 6;

inline constexpr const char* kSelectOwnFileEntry = "Select your own file..";
inline constexpr std::array<const char*, 12> kExampleEntries = {kSelectOwnFileEntry,
                                                                "1_Demo_General_Menu.html",
                                                                "2_Demo_Software_Installation.html",
                                                                "3_Demo_Microsoft_PowerPoint.html",
                                                                "4_Demo_Fancy_Menu.html",
                                                                "5_Demo_Video_Movie.html",
                                                                "6_Demo_Slide_Show_Automatic.html",
                                                                "7_Demo_Slide_Show_Manual.html",
                                                                "8_Demo_License_Agreement.html",
                                                                "9_Sunset_CD_Menu.html",
                                                                "91_HighTech_CD_Menu.html",
                                                                "92_XPBlue_CD_Menu.html"};

inline constexpr std::array<const char*, 4> kSplashTimeEntries = {"Short", "Normal", "Long",
                                                                  "Extra Long"};

inline constexpr const char* kSpecialFolderMessage =
    "The \"CD-ROM Distributable Files\" folder is a special folder used by the software. Please "
    "chose a folder "
    "where your original files reside.";
inline constexpr const char* kStartPositionMessage =
    "Please enter a number or a percentage for the starting window position.";

// The part after the last "\" or "/".
std::string fileNamePart(std::string_view path);
// True when the path names something inside a "CD-ROM Distributable Files" folder.
bool isInsideDistributableFolder(std::string_view path);

// The preset row for the file-to-open name, first match wins.
void applyPreset(DesignerSettings& settings);

// "Select File" (or "Select your own file..") chose `path`. Refuses (returns
// false, nothing changed) a path inside the distributable folder; the window
// then shows kSpecialFolderMessage and asks again.
bool chooseOwnFile(DesignerSettings& settings, const std::string& path);
// An entry of the example list other than "Select your own file..".
void chooseExample(DesignerSettings& settings, const std::string& programFolder,
                   const std::string& entry);
// Fail-safe: no preset, no folder check.
void chooseFailSafe(DesignerSettings& settings, const std::string& path);
// Menu Creator saved `path`: the name is underscored, no preset.
void chooseMenuCreatorPage(DesignerSettings& settings, const std::string& path);
// Splash image, sound and icon keep their spaces until the build.
void chooseSplash(DesignerSettings& settings, const std::string& path);
void chooseSound(DesignerSettings& settings, const std::string& path);
void chooseIcon(DesignerSettings& settings, const std::string& path);

// A new window size from the list. For "Custom" the size dialog's answer is
// given (nothing: cancelled); returns the index the list should show.
int chooseWindowSize(DesignerSettings& settings, int index,
                     std::optional<std::pair<int, int>> customSize = {});
// What the custom-size dialog starts with: 640 x 480 unless a custom size is set.
std::pair<int, int> customSizeDialogStart(const DesignerSettings& settings);
inline constexpr int kCustomSizeMin = 1;
inline constexpr int kCustomSizeMax = 10000;
bool customSizeValid(int value);

// The Options dialog's OK: validates the start position and fills "0" into an
// empty one when the other is set. On refusal returns the field that gets the
// focus and leaves `options` unchanged.
enum class StartField { None, X, Y };
StartField acceptStartPosition(OptionsValues& options);
bool startPositionTextValid(std::string_view text);

// What the build writes from the settings.
AutorunInfValues autorunInfValues(const DesignerSettings& settings);
// autorun.dat's options; nothing when no splash time is chosen (no file is written).
std::optional<PresentationSettings> presentationSettings(const DesignerSettings& settings);

}  // namespace rondivo

namespace rondivo {

// A file-open dialog as the designer asks for it; the window turns it into a
// wx dialog (filters in the Windows "text|patterns|...||" form).
struct FileChooser {
    std::string title;
    std::string startFolder;
    std::string defaultExtension;
    std::string filter;
};
enum class FileChoice { FileToOpen, FailSafe, Splash, Sound, Icon };
FileChooser fileChooserFor(FileChoice which, const std::string& programFolder);

// The filter in the form wxWidgets wants: no trailing "||", no blanks between
// patterns, and "*.*" as "*" so files without a dot are listed too.
std::string wxFilterFromWindowsFilter(const std::string& filter);

}  // namespace rondivo
