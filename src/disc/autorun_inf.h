#pragma once
// autorun.inf in the root of the disc: starts autorun.exe with the launch
// arguments and gives the disc its icon.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

inline constexpr char kAutorunInfName[] = "autorun.inf";

struct AutorunInfValues {
    std::string openFile;      // "" → "none"
    bool secure = false;       // ".enc" after the file to open
    std::string failSafeFile;  // "" → "none"
    bool builtInBrowser = true;
    int windowSize = 0;
    bool splashEnabled = true;
    std::string splashName;
    bool soundEnabled = true;
    std::string soundName;
    bool iconEnabled = false;
    std::string iconName;
};

// Blanks become "_" in splash, sound and icon names (the player splits at blanks).
std::string underscoreBlanks(std::string_view name);

// "autorun.exe T1 T2 T3 T4 [T5] [T6]": the text after "OPEN=".
std::string autorunCommandLine(const AutorunInfValues& values);
std::string autorunInfText(const AutorunInfValues& values);
// Writes folder/autorun.inf and returns the command line (also when writing failed;
// `written` tells, for callers that care).
std::string writeAutorunInf(const std::filesystem::path& folder, const AutorunInfValues& values,
                            bool* written = nullptr);

// Every token after the first with a "." past its first character gets "data\".
std::string dataFolderCommandLine(std::string_view commandLine);

// autorun.inf for a disc whose files lie below data\: the value of line 2 as
// dataFolderCommandLine makes it, the other lines kept; each line clipped to
// the player's line buffer.
struct DataFolderAutorunInf {
    std::vector<std::string> lines;
    std::string commandLine;  // line 2's new value; empty when it has no "="
    std::string icon;         // line 3's value: the icon stays in the root
};
DataFolderAutorunInf dataFolderAutorunInf(std::vector<std::string> lines);

// Every reader reads the file as ASCII, UTF-16LE with a byte-order mark (what
// writeAutorunInf makes for names beyond ASCII) or UTF-8 (earlier discs), and
// reads at most this much of it.
inline constexpr std::size_t kAutorunInfReadLimit = 1024 * 1024;
// The lines of folder/autorun.inf as UTF-8; nothing when it is no readable file.
std::optional<std::vector<std::string>> readAutorunInfLines(const std::filesystem::path& folder);
// Writes the lines with CR LF, as writeAutorunInf does: ASCII, or UTF-16LE
// with a byte-order mark when a line holds more. The file is replaced whole
// or not at all.
bool writeAutorunInfLines(const std::filesystem::path& folder,
                          const std::vector<std::string>& lines);
// Line `index` (0 is the first) as a buffer of `buffer` bytes holds it.
std::optional<std::string> autorunInfLine(const std::filesystem::path& folder, std::size_t index,
                                          std::size_t buffer);

// Player-side readers; `folder` is where autorun.inf lies (the current directory by default).
// ICON= (any letter case) and LABEL= are keys: at the start of a line in [autorun].
std::string iconFromAutorunInf(const std::filesystem::path& folder = {});
std::optional<std::string> labelFromAutorunInf(const std::filesystem::path& folder = {});
// Line 2 as written (without its line end); nothing when the file or the line is missing.
std::optional<std::string> commandLineFromAutorunInf(const std::filesystem::path& folder = {});

}  // namespace rondivo
