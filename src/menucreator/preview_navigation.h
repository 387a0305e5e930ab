#pragma once
// What the Menu Creator does with an address the page navigates to: the
// chooser's begin-editing request, the action links of the page being
// previewed (carried out by the player's own executor, the preview being its
// host), or a web address that opens in the desktop's browser.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "disc/action_address.h"
#include "player/action_executor.h"

namespace rondivo::menucreator {

inline constexpr const char* kPreviewExitMessage =
    "The presentation has exited.\n(This message is only in the designer, it will not appear in "
    "your actual CD menu)";
inline constexpr const char* kPreviewRestoreMessage =
    "The restore window size command is not available in preview mode.";

struct PreviewPlan {
    std::string prepared;       // the address after the player's own preparation
    bool beginEditing = false;  // the chooser's start button
    ActionRequest actions;      // every verb found, in the player's order
    bool openOutside = false;   // a web page, for the desktop's browser
    // False: the address is shown in place.
    bool cancel() const { return beginEditing || actions.isAction() || openOutside; }
};

// Prepares `address` as the player does (drive-letter and brace repairs,
// trailing "/", path macros, entities) and decides what it asks for.
PreviewPlan planPreviewNavigation(std::string_view address, const PathMacros& macros);

// The preview plays the disc from the html folder: files are run and copied
// from there, and ACTION_BROWSE starts at the root of the file system, as it
// starts at the program's drive on Windows.
ActionContext previewActionContext(const std::filesystem::path& htmlFolder);

// The preview's own reading of ACTION_RUN: each entry is a file, taken whole
// (no parameters); at most 20000 characters of the list are used.
std::vector<RunCommand> previewRunCommands(std::string_view argument);
// ACTION_USER_SELECT_COPY in preview: each file goes into the chosen folder
// under its name alone.
std::vector<CopyItem> previewFolderCopies(std::string_view argument, std::string_view folder);

// The font-size command's value for a point size chosen in the font dialog.
inline int fontSizeForPoints(int points) {
    return points / 2;
}

}  // namespace rondivo::menucreator
