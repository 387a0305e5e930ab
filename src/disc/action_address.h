#pragma once
// Action links: addresses such as "http://ACTION_RUN=setup.exe" that pages
// on a disc use to drive the player. Everything about their text lives here:
// the verbs, how an address is written, how it is read back (with the
// repairs web engines make necessary), which parts of an argument name files
// of the disc, and the private schemes that carry an address from a page to
// the window. The player executes, the linked-file scanner copies and the
// Menu Creator writes what this reads.
//
//   auto request = parseActionAddress(address, macros);
//   for (const ActionCall& call : request.calls) ... execute call.verb
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

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

// Which items of a verb's comma-separated argument are files on the disc.
enum class ActionFiles {
    None,
    Programs,  // every item, each up to the blank after its name's first "."
    Sources,   // the first, third, ... item (the others are destinations)
    All,       // every item
};

struct ActionVerbInfo {
    ActionVerb verb;
    const char* name;  // as pages write it
    ActionFiles files;
};

// The verbs, in the order in which they are looked for and executed.
std::span<const ActionVerbInfo> actionVerbs();
const ActionVerbInfo& actionVerbInfo(ActionVerb verb);
// "ACTION_MESSAGEBOX", ...
const char* actionVerbName(ActionVerb verb);
// The verb a token names: "ACTION_RUN" or "http://ACTION_RUN", any letter case.
const ActionVerbInfo* verbNamed(std::string_view token);

// Every verb begins with this: what a page script looks for in an href.
inline constexpr std::string_view kActionMarker = "ACTION_";

// "http://ACTION_BROWSE", or with an argument "http://ACTION_BROWSE=docs".
std::string buildActionAddress(ActionVerb verb, std::string_view argument = {});

// Whether an address holds a verb (any letter case): the navigation is then
// an action and cancelled, even when a verb lacks its "=".
bool isActionAddress(std::string_view address);

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

// [begin, end) of a piece of a larger text.
struct TextSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The parts of an action link (as written in a page) that name files on the
// disc, by the first verb's ActionFiles; empty when that verb names none.
std::vector<TextSpan> actionFileSpans(std::string_view link);

// Private schemes: a page hands the window an address as written by
// navigating to scheme + the address percent-encoded, which no engine
// rewrites. kActionScheme carries action links, kNewWindowScheme addresses
// that want a window of their own.
inline constexpr std::string_view kActionScheme = "rondivo-action:";
inline constexpr std::string_view kNewWindowScheme = "rondivo-open:";
std::string carryAddress(std::string_view scheme, std::string_view address);
// The address a navigation to `scheme` carries; nothing for other navigations.
std::optional<std::string> carriedAddress(std::string_view scheme, std::string_view navigation);

}  // namespace rondivo
