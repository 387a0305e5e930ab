#pragma once
// Carries out action links: runs files, copies, opens folders, and asks its
// host (the browser window, or the Menu Creator's preview) for everything that
// needs a window. The host decides what quitting or ejecting means for it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/action_address.h"
#include "player/link_route.h"

namespace rondivo {

enum class MessageIcon { Information, Error };

// The path macros' values on this machine: desktop and local data from the XDG folders.
PathMacros systemPathMacros(const std::filesystem::path& executableFolder, bool dataFolderLayout);

// "ACTION_BROWSE": the disc root, or the argument (two characters or more)
// appended to it, or the argument alone when it names a drive (has ":").
// Backslashes become "/".
std::string browsePath(std::string_view argument, bool hasArgument, const std::string& discRoot);

// Where RUN and the copies take their files from: the secure folder when
// files were decrypted, else the executable's folder (plus "data").
std::filesystem::path actionBaseFolder(const std::filesystem::path& executableFolder,
                                       bool dataFolderLayout, const std::string& secureFolder);

// Message text with its first letter upper-cased.
std::string capitalizeFirst(std::string_view text);

// Caption of the copy messages: the page title, or "CD-ROM Application".
std::string copyMessageCaption(const std::string& pageTitle);

class ActionHost {
  public:
    virtual ~ActionHost() = default;
    virtual std::string caption() = 0;    // the window's current caption
    virtual std::string pageTitle() = 0;  // last title the page reported
    // The player's own message dialog: caption, text, one "Close" button.
    virtual void showMessageDialog(const std::string& caption, const std::string& text) = 0;
    virtual void messageBox(const std::string& text, const std::string& caption,
                            MessageIcon icon) = 0;
    virtual std::optional<std::string> pickFolder(const std::string& prompt) = 0;
    virtual void openProgress(const std::string& heading) = 0;
    virtual void setProgressText(const std::string& text) = 0;
    virtual void closeProgress() = 0;
    virtual void openWith(const std::filesystem::path& file) = 0;
    virtual void quit() = 0;
    virtual void maximize() = 0;
    virtual void restoreSize() = 0;
    virtual void minimize() = 0;
    virtual void eject() = 0;

    // What a host may read differently from the player. The player splits
    // each ACTION_RUN command into file and parameters, and keeps a file's
    // path below the folder ACTION_USER_SELECT_COPY was given.
    virtual std::vector<RunCommand> commandsToRun(std::string_view argument) {
        return runCommands(argument);
    }
    virtual std::vector<CopyItem> copiesIntoFolder(std::string_view argument,
                                                   const std::string& folder) {
        return userSelectCopyItems(argument, folder);
    }
};

struct ActionContext {
    std::filesystem::path executableFolder;
    bool dataFolderLayout = true;
    std::string secureFolder;  // set when the disc's secure files were decrypted
    // Where ACTION_BROWSE starts; empty: the executable's folder (the disc's root).
    std::filesystem::path browseRoot;
    std::filesystem::path baseFolder() const;
};

inline constexpr const char* kPickFolderPrompt = "Where do you wish to save the file(s)?";
inline constexpr const char* kCopyingHeading = "Copying files:";
inline constexpr const char* kOpenErrorCaption = "Error Opening File";

// What is said when running `file` failed with the shell result `result`;
// nothing when the system has no program for the type, which the "Open With"
// chooser answers (or when it did not fail).
std::optional<std::string> launchFailureText(int result, const std::string& file,
                                             const std::string& parameters);

// Executes every verb of an already parsed request, in order.
void executeActions(const ActionRequest& request, const ActionContext& context, ActionHost& host);

// The navigation hook: true when `address` is an action link, which is then
// executed and whose navigation is to be cancelled.
bool handleActionAddress(const std::string& address, const ActionContext& context,
                         ActionHost& host);

// Opens `file` through the shell as a plain shell launch does: a missing
// file or folder is said, any other failure offers "Open With".
void shellOpen(const std::string& file, const std::string& parameters,
               const std::filesystem::path& base, ActionHost& host);

// Hands a link the window does not show (a local file it cannot display, an
// address of another scheme, a web address for a new window) to the desktop.
void openLinkOutside(const LinkDecision& decision, ActionHost& host);

// The single verbs, for hosts that handle one differently.
void runFiles(const std::string& argument, const ActionContext& context, ActionHost& host);
void browseFolder(const ActionCall& call, const ActionContext& context);
void copyFiles(const std::string& argument, const ActionContext& context, ActionHost& host);
void userSelectCopy(const std::string& argument, const ActionContext& context, ActionHost& host);

// Copies one file from the base folder, creating the destination's folder
// (one level). Returns the system's error text, or nothing on success.
std::optional<std::string> copyOneFile(const CopyItem& item,
                                       const std::filesystem::path& baseFolder);

}  // namespace rondivo
