#include "menucreator/preview_navigation.h"

#include <cctype>

#include "menucreator/templates.h"
#include "platform/paths.h"
#include "player/action_url.h"
#include "presentation/text_util.h"

namespace rondivo::menucreator {

namespace {

std::string dropLeadingBlanks(std::string s) {
    std::size_t n = s.find_first_not_of(' ');
    return n == std::string::npos ? std::string() : s.substr(n);
}

std::string demoFile(const std::string& entry, const std::filesystem::path& htmlFolder) {
    return entry == "znote.pdf" ? (htmlFolder / "znote.pdf").string() : entry;
}

}  // namespace

std::string preparePreviewAddress(std::string_view address, const PathMacros& macros) {
    return prepareActionAddress(address, macros);
}

PreviewPlan planPreviewNavigation(std::string_view preparedAddress) {
    const std::string upper = platform::toUpper(preparedAddress);
    const std::size_t eq = preparedAddress.find('=');
    const bool hasArg = eq != std::string_view::npos;
    const std::string arg = hasArg ? std::string(preparedAddress.substr(eq + 1)) : std::string();

    PreviewPlan plan;
    auto has = [&](std::string_view word) { return upper.find(word) != std::string::npos; };
    if (has(kBeginEditingWord)) {
        plan.cancel = true;
        plan.steps.push_back({PreviewStepKind::BeginEditing, std::string(preparedAddress)});
    }
    struct Row {
        std::string_view word;
        PreviewStepKind kind;
        bool needsArgument;
    };
    static constexpr Row kRows[] = {
        {"ACTION_MESSAGEBOX", PreviewStepKind::MessageBox, true},
        {"ACTION_QUIT", PreviewStepKind::Quit, false},
        {"ACTION_RUN", PreviewStepKind::Run, true},
        {"ACTION_BROWSE", PreviewStepKind::Browse, false},
        {"ACTION_MAXIMIZE", PreviewStepKind::Maximize, false},
        {"ACTION_RESTORESIZE", PreviewStepKind::RestoreSize, false},
        {"ACTION_MINIMIZE", PreviewStepKind::Minimize, false},
        {"ACTION_EJECT", PreviewStepKind::Eject, false},
        {"ACTION_USER_SELECT_COPY", PreviewStepKind::UserSelectCopy, true},
        {"ACTION_COPY", PreviewStepKind::Copy, true},
    };
    for (const Row& r : kRows) {
        if (!has(r.word)) continue;
        plan.cancel = true;
        if (r.needsArgument && !hasArg) continue;
        plan.steps.push_back({r.kind, arg});
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
