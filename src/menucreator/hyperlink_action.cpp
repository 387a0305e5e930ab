#include "menucreator/hyperlink_action.h"

#include "platform/paths.h"

namespace rondivo::menucreator {

namespace {

const HyperlinkChoice* choiceNamed(std::string_view action) {
    for (const HyperlinkChoice& c : kHyperlinkChoices)
        if (action == c.label) return &c;
    return nullptr;
}

}  // namespace

HyperlinkActionControls controlsForAction(std::string_view action) {
    const HyperlinkChoice* c = choiceNamed(action);
    if (!c) return {"", false, false};
    return {c->hint, c->argumentEnabled, c->selectFileEnabled};
}

std::string buildActionUrl(std::string_view action, std::string_view argument) {
    const HyperlinkChoice* c = choiceNamed(action);
    if (!c || !c->verb) return std::string(argument);
    return buildActionAddress(*c->verb, c->argumentEnabled ? argument : std::string_view());
}

std::optional<std::string> validateHyperlink(std::string_view action, std::string_view argument) {
    const HyperlinkChoice* c = choiceNamed(action);
    if (c && !c->verb) {
        if (platform::toLower(argument).find("http://") == std::string::npos)
            return "Please enter a complete web site URL in the form: http://www.example.com";
        return std::nullopt;
    }
    if (!argument.empty() || !c || !c->refusalWhenEmpty) return std::nullopt;
    return c->refusalWhenEmpty;
}

std::string appendSelectedFiles(std::string_view argument, const std::vector<std::string>& paths) {
    std::string out(argument);
    for (const std::string& p : paths) {
        if (!out.empty()) out += ",";
        out += p;
    }
    return out;
}

}  // namespace rondivo::menucreator
