#include "menucreator/preview_navigation.h"

#include "menucreator/templates.h"
#include "platform/paths.h"

namespace rondivo::menucreator {

namespace {

std::string dropLeadingBlanks(std::string s) {
    std::size_t n = s.find_first_not_of(' ');
    return n == std::string::npos ? std::string() : s.substr(n);
}

}  // namespace

PreviewPlan planPreviewNavigation(std::string_view address, const PathMacros& macros) {
    PreviewPlan plan;
    plan.prepared = prepareActionAddress(address, macros);
    const std::string upper = platform::toUpper(plan.prepared);
    plan.beginEditing = upper.find(kBeginEditingWord) != std::string::npos;
    // The verbs, their order and their arguments are the player's own.
    plan.actions.prepared = plan.prepared;
    plan.actions.calls = findActions(plan.prepared);
    plan.openOutside = !plan.beginEditing && !plan.actions.isAction() &&
                       upper.find("HTTP://WWW.") != std::string::npos;
    return plan;
}

ActionContext previewActionContext(const std::filesystem::path& htmlFolder) {
    ActionContext context;
    context.executableFolder = htmlFolder;
    context.dataFolderLayout = false;
    context.browseRoot = "/";
    return context;
}

std::vector<RunCommand> previewRunCommands(std::string_view argument) {
    std::vector<RunCommand> commands;
    for (std::string& entry : splitActionList(argument.substr(0, 20000)))
        commands.push_back({std::move(entry), ""});
    return commands;
}

std::vector<CopyItem> previewFolderCopies(std::string_view argument, std::string_view folder) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += "/";
    std::vector<CopyItem> items;
    for (const std::string& item : splitActionList(argument)) {
        std::size_t cut = item.find_last_of("\\/");
        std::string name = cut == std::string::npos ? item : item.substr(cut + 1);
        items.push_back({dropLeadingBlanks(item), dropLeadingBlanks(base + name)});
    }
    return items;
}

}  // namespace rondivo::menucreator
