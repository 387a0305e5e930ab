#include "player/action_executor.h"

#include "platform/file_copy.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/shell.h"

namespace rondivo {

namespace fs = std::filesystem;

std::string browsePath(std::string_view argument, bool hasArgument, const std::string& discRoot) {
    std::string path = discRoot;
    if (hasArgument && argument.size() >= 2) {
        if (argument.find(':') != std::string_view::npos) {
            path = std::string(argument);
        } else {
            if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
            path += argument;
        }
    }
    for (auto& c : path)
        if (c == '\\') c = '/';
    return path;
}

fs::path actionBaseFolder(const fs::path& executableFolder, bool dataFolderLayout,
                          const std::string& secureFolder) {
    if (!secureFolder.empty()) return platform::toNativePath(secureFolder);
    return dataFolderLayout ? executableFolder / "data" : executableFolder;
}

std::string capitalizeFirst(std::string_view text) {
    std::string s(text);
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

std::string copyMessageCaption(const std::string& pageTitle) {
    return pageTitle.empty() ? "CD-ROM Application" : pageTitle;
}

fs::path ActionContext::baseFolder() const {
    return actionBaseFolder(executableFolder, dataFolderLayout, secureFolder);
}

namespace {

// A destination as the user's machine knows it: absolute, or below the base
// folder; existing folders are matched without regard to case.
fs::path destinationPath(const std::string& destination, const fs::path& base) {
    std::string folder = destinationFolderPart(destination);
    std::string name = destination.substr(folder.empty() ? 0 : folder.size() + 1);
    if (folder.empty() && !destination.empty() && (destination[0] == '/' || destination[0] == '\\'))
        return fs::path("/") / platform::u8path(name);
    fs::path parent = folder.empty() ? base : platform::resolvePath(base, folder);
    return parent / platform::u8path(name);
}

void reportCopyFailure(const CopyItem& item, const fs::path& base, const std::string& error,
                       ActionHost& host) {
    host.messageBox("Error copying file " + base.string() + "/" + item.source + " to " +
                        item.destination + "\n\n" + error,
                    copyMessageCaption(host.pageTitle()), MessageIcon::Error);
}

// Copies each item while the progress dialog shows it; true when all succeeded.
bool copyItems(const std::vector<CopyItem>& items, const ActionContext& context, ActionHost& host) {
    const fs::path base = context.baseFolder();
    bool allCopied = true;
    for (const auto& item : items) {
        host.setProgressText(item.source + " ->\n" + item.destination);
        if (auto error = copyOneFile(item, base)) {
            allCopied = false;
            reportCopyFailure(item, base, *error, host);
        }
    }
    return allCopied;
}

}  // namespace

std::optional<std::string> copyOneFile(const CopyItem& item, const fs::path& base) {
    std::error_code ec;
    fs::path target = destinationPath(item.destination, base);
    // One level only, like the shell's CreateDirectory: a missing grandparent fails the copy.
    fs::create_directory(target.parent_path(), ec);
    fs::path source = platform::resolvePath(base, item.source);
    if (!fs::is_regular_file(source, ec)) {
        return std::make_error_code(fs::exists(source, ec) ? std::errc::is_a_directory
                                                           : std::errc::no_such_file_or_directory)
            .message();
    }
    // A copy that fails half-way leaves the user's earlier file as it was.
    platform::FileCopyResult r = platform::copyRegularFile(source, target);
    if (!r.ok()) return r.reason;
    return std::nullopt;
}

std::optional<std::string> launchFailureText(int result, const std::string& file,
                                             const std::string& parameters) {
    const std::string opening = "Error opening: " + file + " " + parameters;
    if (result == platform::kShellFileNotFound)
        return opening +
               "\nThe file was not found. Please verify it is located on your CD-ROM and in the "
               "expected folder.";
    if (result == platform::kShellPathNotFound)
        return opening +
               "\nThe file path was not found. Please verify the file path is located on your "
               "CD-ROM.";
    if (platform::shellSucceeded(result) || platform::shellWantsOpenWith(result))
        return std::nullopt;
    return opening + "\n" + platform::shellFailureReason(result);
}

void shellOpen(const std::string& file, const std::string& parameters, const fs::path& base,
               ActionHost& host) {
    int result = platform::shellExecute(file, parameters, base);
    if (platform::shellSucceeded(result)) return;
    if (auto text = launchFailureText(result, file, parameters))
        host.messageBox(*text, kOpenErrorCaption, MessageIcon::Error);
    else
        host.openWith(platform::resolvePath(base, file));
}

void runFiles(const std::string& argument, const ActionContext& context, ActionHost& host) {
    const fs::path base = context.baseFolder();
    for (const auto& command : host.commandsToRun(argument))
        shellOpen(command.file, command.parameters, base, host);
}

void openLinkOutside(const LinkDecision& decision, ActionHost& host) {
    if (decision.route == LinkRoute::ShellFile) {
        fs::path file = platform::u8path(decision.target);
        if (!file.has_filename()) {
            platform::openFolder(file);
            return;
        }
        shellOpen(file.filename().string(), {}, file.parent_path(), host);
        return;
    }
    if (decision.route != LinkRoute::Desktop && decision.route != LinkRoute::Browser) return;
    if (!platform::shellSucceeded(platform::openAddress(decision.target)))
        host.messageBox("There is no program on this computer to open " + decision.target,
                        host.caption(), MessageIcon::Error);
}

void browseFolder(const ActionCall& call, const ActionContext& context) {
    const fs::path& root =
        context.browseRoot.empty() ? context.executableFolder : context.browseRoot;
    std::string path = browsePath(call.argument, call.hasArgument, root.string());
    fs::path native = platform::toNativePath(path);
    if (auto found = platform::findCaseInsensitive("/", native)) native = *found;
    platform::openFolder(native);
}

void copyFiles(const std::string& argument, const ActionContext& context, ActionHost& host) {
    host.openProgress(kCopyingHeading);
    bool allCopied = copyItems(copyPairs(argument), context, host);
    host.closeProgress();
    if (allCopied)
        host.messageBox("All files have been copied.", copyMessageCaption(host.pageTitle()),
                        MessageIcon::Information);
}

void userSelectCopy(const std::string& argument, const ActionContext& context, ActionHost& host) {
    auto folder = host.pickFolder(kPickFolderPrompt);
    if (!folder || folder->empty()) return;
    host.openProgress(kCopyingHeading);
    bool allCopied = copyItems(host.copiesIntoFolder(argument, *folder), context, host);
    host.closeProgress();
    if (allCopied)
        host.messageBox("All files have been copied to " + *folder,
                        copyMessageCaption(host.pageTitle()), MessageIcon::Information);
}

void executeActions(const ActionRequest& request, const ActionContext& context, ActionHost& host) {
    for (const auto& call : request.calls) {
        switch (call.verb) {
            case ActionVerb::MessageBox:
                if (call.hasArgument)
                    host.showMessageDialog(host.caption(), capitalizeFirst(call.argument));
                break;
            case ActionVerb::Quit:
                host.quit();
                break;
            case ActionVerb::Run:
                if (call.hasArgument) runFiles(call.argument, context, host);
                break;
            case ActionVerb::Browse:
                browseFolder(call, context);
                break;
            case ActionVerb::Maximize:
                host.maximize();
                break;
            case ActionVerb::RestoreSize:
                host.restoreSize();
                break;
            case ActionVerb::Minimize:
                host.minimize();
                break;
            case ActionVerb::Eject:
                host.eject();
                break;
            case ActionVerb::UserSelectCopy:
                if (call.hasArgument) userSelectCopy(call.argument, context, host);
                break;
            case ActionVerb::Copy:
                if (call.hasArgument) copyFiles(call.argument, context, host);
                break;
        }
    }
}

bool handleActionAddress(const std::string& address, const ActionContext& context,
                         ActionHost& host) {
    ActionRequest request = parseActionAddress(
        address, systemPathMacros(context.executableFolder, context.dataFolderLayout));
    if (!request.isAction()) return false;
    executeActions(request, context, host);
    return true;
}

}  // namespace rondivo
