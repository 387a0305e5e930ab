#pragma once
// Action links: addresses such as "http://ACTION_RUN=setup.exe" that pages use
// to drive the player. This header turns an address into what to do; it knows
// nothing of windows, so the player and the Menu Creator's preview share it.
//
//   auto request = parseActionAddress(address, systemPathMacros(exeFolder, dataLayout));
//   if (request.isAction()) { cancel the navigation; for (auto& call : request.calls) ... }
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

// The verbs, in the order in which they are looked for and executed.
enum class ActionVerb {
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
};

// "ACTION_MESSAGEBOX", ... as written in pages.
const char* actionVerbName(ActionVerb verb);

// Values of the path macros {cdrom}, {root}, ... at the time a link is followed.
struct PathMacros {
    std::string cdrom;         // folder of the running executable, no trailing separator
    std::string root;          // root of the system drive
    std::string programFiles;  // where the user's programs go
    std::string windows;
    std::string system;
    std::string desktop;
    std::string temp;  // also {secure}: the folder of decrypted secure files
};

// The values on this machine: desktop and local data from the XDG folders.
PathMacros systemPathMacros(const std::filesystem::path& executableFolder, bool dataFolderLayout);

// A drive letter the web engine turned into a path part ("c/Temp") becomes
// "C:/Temp" again, but only where it stands alone as a path segment: at the
// start, or after "/", "=", "," or a blank, and followed by "/".
std::string repairDriveLetters(std::string_view address);

// Splits at "{" and "}" (empty pieces vanish) and replaces the pieces that
// name a macro (any letter case); other pieces stay, without their braces.
// Text without both a "{" and a "}" is returned unchanged.
std::string resolvePathMacros(std::string_view text, const PathMacros& macros);

// The whole preparation: "http//" repaired, %7B/%7D decoded, drive letters
// repaired, one trailing "/" dropped, macros resolved, %20 and &amp; decoded.
std::string prepareActionAddress(std::string_view address, const PathMacros& macros);

struct ActionCall {
    ActionVerb verb = ActionVerb::Quit;
    bool hasArgument = false;  // an "=" follows the verb
    std::string argument;      // the text after that "=", to the end, letter case kept
};

struct ActionRequest {
    std::string prepared;
    std::vector<ActionCall> calls;  // every verb found, in execution order
    // An action link: the navigation is cancelled, even when a verb lacks its "=".
    bool isAction() const { return !calls.empty(); }
};

// Verbs are matched in any letter case; each is looked for on its own, so an
// argument that names another verb triggers that verb too.
std::vector<ActionCall> findActions(const std::string& prepared);
ActionRequest parseActionAddress(std::string_view address, const PathMacros& macros);

// Comma-separated list; empty items vanish.
std::vector<std::string> splitActionList(std::string_view argument);

// One "ACTION_RUN" command: leading blanks dropped, then split at the first
// blank unless the name's first "." comes after it ("my file.exe" stays whole).
struct RunCommand {
    std::string file;
    std::string parameters;
};
RunCommand splitRunCommand(std::string_view command);
std::vector<RunCommand> runCommands(std::string_view argument);

// One file copy, both texts with leading blanks dropped; `destination` is
// relative to the base folder unless absolute.
struct CopyItem {
    std::string source;
    std::string destination;
};
// "ACTION_COPY": source/destination pairs; a destination that does not contain
// the source's text is a folder, and the source's relative path goes below it.
// An odd trailing source is ignored.
std::vector<CopyItem> copyPairs(std::string_view argument);
// "ACTION_USER_SELECT_COPY": each file goes below the chosen folder.
std::vector<CopyItem> userSelectCopyItems(std::string_view argument, const std::string& folder);

// The folder part of a destination (text before its last "\" or "/"), or "".
std::string destinationFolderPart(std::string_view destination);

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

}  // namespace rondivo
