#pragma once
// The choices of the Insert Hyperlink dialog: which URL each action writes,
// what the dialog shows for it, and what it refuses.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo::menucreator {

inline constexpr std::array<const char*, 10> kHyperlinkActions = {
    "Navigate to URL",        "Run or Open a File on the CD",
    "Display a Message Box",  "Browse CD-ROM",
    "Copy Files from the CD", "Maximize Window",
    "Minimize Window",        "Restore Default Window Size",
    "Exit Presentation",      "Eject CD and Exit Presentation"};

// What the dialog shows while an action is selected.
struct HyperlinkActionControls {
    std::string hint;
    bool argumentEnabled = false;
    bool selectFileEnabled = false;
};
HyperlinkActionControls controlsForAction(std::string_view action);

// The address written into the page for an action and its argument.
std::string buildActionUrl(std::string_view action, std::string_view argument);

// The message that refuses the choice, or nothing when it may be accepted.
std::optional<std::string> validateHyperlink(std::string_view action, std::string_view argument);

// Adds chosen files to an argument: full paths joined by ",", after any text
// the argument already holds.
std::string appendSelectedFiles(std::string_view argument, const std::vector<std::string>& paths);

}  // namespace rondivo::menucreator
