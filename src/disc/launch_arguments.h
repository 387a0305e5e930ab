#pragma once
// The six blank-separated words that start a presentation: on the OPEN= line
// of autorun.inf and on the player's command line.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

enum LaunchPosition : int {
    kAutoplayFile = 1,
    kFailSafeFile = 2,
    kBuiltInBrowser = 3,
    kWindowSize = 4,
    kSplashOrSound = 5,
    kSound = 6,
};

struct LaunchArguments {
    static constexpr int kMaxWords = 6;
    std::array<std::string, kMaxWords> words{};
    // C-style count: the program name included, so 1 means "no arguments".
    int count = 1;

    // 1-based position; an absent position reads as empty text.
    const std::string& at(int position) const;
    bool has(int position) const { return position >= 1 && position < count; }

    // Takes up to six arguments after the program name.
    static LaunchArguments fromArgv(int argc, const char* const* argv);
    static LaunchArguments fromWords(const std::vector<std::string>& words);
};

// Window-size list of the designer and the player, by index.
inline constexpr std::array<std::string_view, 7> kWindowSizeNames = {
    "Default", "320x240", "500x400", "640x480", "800x600", "Full Screen", "Custom"};

// Splits at blanks; runs of blanks are one separator. At most maxWords words.
std::vector<std::string> splitAtBlanks(std::string_view text, std::size_t maxWords);

// atoi-like: leading blanks, optional sign, digits; 0 when no number.
int decimalOrZero(std::string_view text);

}  // namespace rondivo
