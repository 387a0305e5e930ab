#pragma once
// What the Menu Creator does with an address the page navigates to: the
// chooser's begin-editing request, the action links in the designer's own
// preview renderings, or a web address that opens a separate browser.
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "player/action_url.h"

namespace rondivo::menucreator {

inline constexpr const char* kPreviewExitMessage =
    "The presentation has exited.\n(This message is only in the designer, it will not appear in "
    "your "
    "actual CD menu)";
inline constexpr const char* kPreviewRestoreMessage =
    "The restore window size command is not available in preview mode.";

// The address as the preview acts on it: the player's own preparation
// (drive-letter and brace repairs, trailing "/", path macros, entities).
std::string preparePreviewAddress(std::string_view address, const PathMacros& macros);

enum class PreviewStepKind {
    BeginEditing,
    MessageBox,
    Quit,
    Run,
    Browse,
    Maximize,
    RestoreSize,
    Minimize,
    Eject,
    UserSelectCopy,
    Copy,
    OpenInNewWindow,
};

struct PreviewStep {
    PreviewStepKind kind;
    std::string argument;  // text after the first "=" of the address, when it has one
    bool operator==(const PreviewStep&) const = default;
};

struct PreviewPlan {
    bool cancel = false;  // false: show the address in place
    std::vector<PreviewStep> steps;
};

// Every word the prepared address holds, in the fixed order; several may match.
// Words that need an argument and have no "=" are cancelled without a step.
PreviewPlan planPreviewNavigation(std::string_view preparedAddress);

// The message box text: first character upper-cased.
std::string previewMessageText(std::string_view argument);
// The files an ACTION_RUN names (at most 20000 characters of the list are
// used); the demo pages' "znote.pdf" lives in the html folder.
std::vector<std::string> previewRunEntries(std::string_view argument,
                                           const std::filesystem::path& htmlFolder);
// The folder ACTION_BROWSE opens, in disc notation: the program's drive root,
// or the argument (when it names a drive) or root + argument.
std::string previewBrowseFolder(std::string_view driveRoot, std::string_view argument);
// (source, target) for each file of ACTION_USER_SELECT_COPY into `folder`.
std::vector<std::pair<std::string, std::string>> previewUserCopyPairs(
    std::string_view argument, std::string_view folder, const std::filesystem::path& htmlFolder);
// (source, target) pairs of ACTION_COPY; a trailing source without target is dropped.
std::vector<std::pair<std::string, std::string>> previewCopyPairs(std::string_view argument);

// The font-size command's value for a point size chosen in the font dialog.
inline int fontSizeForPoints(int points) {
    return points / 2;
}

}  // namespace rondivo::menucreator
