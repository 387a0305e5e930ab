#include "menucreator/preview_navigation.h"

#include <cctype>

#include "disc/text_util.h"
#include "menucreator/templates.h"
#include "platform/paths.h"
#include "player/action_url.h"

namespace rondivo::menucreator {

namespace {

std::string dropLeadingBlanks(std::string s) {
    std::size_t n = s.find_first_not_of(' ');
    return n == std::string::npos ? std::string() : s.substr(n);
}

std::string demoFile(const std::string& entry, const std::filesystem::path& htmlFolder) {
    return entry == "znote.pdf" ? (htmlFolder / "znote.pdf").string() : entry;
}

PreviewStepKind previewStepFor(ActionVerb verb) {
    switch (verb) {
        case ActionVerb::MessageBox:
            return PreviewStepKind::MessageBox;
        case ActionVerb::Quit:
            return PreviewStepKind::Quit;
        case ActionVerb::Run:
            return PreviewStepKind::Run;
        case ActionVerb::Browse:
            return PreviewStepKind::Browse;
        case ActionVerb::Maximize:
            return PreviewStepKind::Maximize;
        case ActionVerb::RestoreSize:
            return PreviewStepKind::RestoreSize;
        case ActionVerb::Minimize:
            return PreviewStepKind::Minimize;
        case ActionVerb::Eject:
            return PreviewStepKind::Eject;
        case ActionVerb::UserSelectCopy:
            return PreviewStepKind::UserSelectCopy;
        case ActionVerb::Copy:
            return PreviewStepKind::Copy;
    }
    return PreviewStepKind::Quit;
}

// Verbs that do nothing in preview without their "=argument".
bool verbNeedsArgument(ActionVerb verb) {
    return verb == ActionVerb::MessageBox || verb == ActionVerb::Run ||
           verb == ActionVerb::UserSelectCopy || verb == ActionVerb::Copy;
}

}  // namespace

std::string preparePreviewAddress(std::string_view address, const PathMacros& macros) {
    return prepareActionAddress(address, macros);
}

PreviewPlan planPreviewNavigation(std::string_view preparedAddress) {
    const std::string upper = platform::toUpper(preparedAddress);
    PreviewPlan plan;
    auto has = [&](std::string_view word) { return upper.find(word) != std::string::npos; };
    if (has(kBeginEditingWord)) {
        plan.cancel = true;
        plan.steps.push_back({PreviewStepKind::BeginEditing, std::string(preparedAddress)});
    }
    // The verbs, their order and their arguments are the player's own.
    for (const ActionCall& call : findActions(std::string(preparedAddress))) {
        plan.cancel = true;
        if (verbNeedsArgument(call.verb) && !call.hasArgument) continue;
        plan.steps.push_back({previewStepFor(call.verb), call.argument});
    }
    if (!plan.cancel && has("HTTP://WWW.")) {
        plan.cancel = true;
        plan.steps.push_back({PreviewStepKind::OpenInNewWindow, std::string(preparedAddress)});
    }
    return plan;
}

std::string previewMessageText(std::string_view argument) {
    std::string text(argument);
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::vector<std::string> previewRunEntries(std::string_view argument,
                                           const std::filesystem::path& htmlFolder) {
    std::vector<std::string> entries;
    for (std::string& e : splitActionList(argument.substr(0, 20000)))
        entries.push_back(demoFile(e, htmlFolder));
    return entries;
}

std::string previewBrowseFolder(std::string_view driveRoot, std::string_view argument) {
    std::string folder(driveRoot);
    if (argument.size() > 1) {
        if (argument.find(':') != std::string_view::npos)
            folder = std::string(argument);
        else
            folder += argument;
    }
    replaceAllText(folder, "/", "\\");
    return folder;
}

std::vector<std::pair<std::string, std::string>> previewUserCopyPairs(
    std::string_view argument, std::string_view folder, const std::filesystem::path& htmlFolder) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += "\\";
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& item : splitActionList(argument)) {
        std::size_t cut = item.rfind('\\');
        if (cut == std::string::npos) cut = item.rfind('/');
        std::string name = cut == std::string::npos ? item : item.substr(cut + 1);
        std::string source = demoFile(dropLeadingBlanks(item), htmlFolder);
        pairs.emplace_back(source, dropLeadingBlanks(base + name));
    }
    return pairs;
}

std::vector<std::pair<std::string, std::string>> previewCopyPairs(std::string_view argument) {
    std::vector<std::string> items = splitActionList(argument);
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2)
        pairs.emplace_back(dropLeadingBlanks(items[i]), dropLeadingBlanks(items[i + 1]));
    return pairs;
}

}  // namespace rondivo::menucreator
