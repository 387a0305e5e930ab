#pragma once
// The choices of the Insert Hyperlink dialog: which action link each writes,
// what the dialog shows for it, and what it refuses.
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/action_address.h"

namespace rondivo::menucreator {

struct HyperlinkChoice {
    const char* label;
    std::optional<ActionVerb> verb;  // none: the argument is the address itself
    const char* hint;                // shown while the choice is selected
    bool argumentEnabled;
    bool selectFileEnabled;
    const char* refusalWhenEmpty;  // nullptr: an empty argument is accepted
};

// In the order the dialog lists them.
inline constexpr HyperlinkChoice kHyperlinkChoices[] = {
    {"Navigate to URL", std::nullopt, "Enter a filename or http:// Internet URL.", true, false,
     nullptr},
    {"Run or Open a File on the CD", ActionVerb::Run, "Select an existing file to open.", true,
     true, "Please click SELECT FILE and choose a file to open when this link is clicked."},
    {"Display a Message Box", ActionVerb::MessageBox, "Enter a message to be displayed.", true,
     false, "Please enter a message to display when this link is clicked."},
    {"Browse CD-ROM", ActionVerb::Browse, "Specific folder to open (optional)", true, false,
     nullptr},
    {"Copy Files from the CD", ActionVerb::UserSelectCopy, "Select file(s) to be copied.", true,
     true, "Please click SELECT FILE and choose file(s) to copy when this link is clicked."},
    {"Maximize Window", ActionVerb::Maximize, "", false, false, nullptr},
    {"Minimize Window", ActionVerb::Minimize, "", false, false, nullptr},
    {"Restore Default Window Size", ActionVerb::RestoreSize, "", false, false, nullptr},
    {"Exit Presentation", ActionVerb::Quit, "", false, false, nullptr},
    {"Eject CD and Exit Presentation", ActionVerb::Eject, "", false, false, nullptr},
};

inline constexpr auto kHyperlinkActions = [] {
    std::array<const char*, std::size(kHyperlinkChoices)> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i] = kHyperlinkChoices[i].label;
    return labels;
}();

// What the dialog shows while an action is selected.
struct HyperlinkActionControls {
    std::string hint;
    bool argumentEnabled = false;
    bool selectFileEnabled = false;
};
HyperlinkActionControls controlsForAction(std::string_view action);

// The address written into the page for an action and its argument; an
// action that takes no argument ignores it.
std::string buildActionUrl(std::string_view action, std::string_view argument);

// The message that refuses the choice, or nothing when it may be accepted.
std::optional<std::string> validateHyperlink(std::string_view action, std::string_view argument);

// Adds chosen files to an argument: full paths joined by ",", after any text
// the argument already holds.
std::string appendSelectedFiles(std::string_view argument, const std::vector<std::string>& paths);

}  // namespace rondivo::menucreator
