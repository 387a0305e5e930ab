#include "menucreator/hyperlink_action.h"

#include "platform/paths.h"

namespace rondivo::menucreator {

HyperlinkActionControls controlsForAction(std::string_view action) {
    if (action == "Navigate to URL")
        return {"Enter a filename or http:// Internet URL.", true, false};
    if (action == "Run or Open a File on the CD")
        return {"Select an existing file to open.", true, true};
    if (action == "Display a Message Box") return {"Enter a message to be displayed.", true, false};
    if (action == "Browse CD-ROM") return {"Specific folder to open (optional)", true, false};
    if (action == "Copy Files from the CD") return {"Select file(s) to be copied.", true, true};
    return {"", false, false};
}

std::string buildActionUrl(std::string_view action, std::string_view argument) {
    std::string arg(argument);
    if (action == "Navigate to URL") return arg;
    if (action == "Run or Open a File on the CD") return "http://ACTION_RUN=" + arg;
    if (action == "Display a Message Box") return "http://ACTION_MESSAGEBOX=" + arg;
    if (action == "Browse CD-ROM")
        return arg.empty() ? "http://ACTION_BROWSE" : "http://ACTION_BROWSE=" + arg;
    if (action == "Copy Files from the CD") return "http://ACTION_USER_SELECT_COPY=" + arg;
    if (action == "Maximize Window") return "http://ACTION_MAXIMIZE";
    if (action == "Minimize Window") return "http://ACTION_MINIMIZE";
    if (action == "Restore Default Window Size") return "http://ACTION_RESTORESIZE";
    if (action == "Exit Presentation") return "http://ACTION_QUIT";
    if (action == "Eject CD and Exit Presentation") return "http://ACTION_EJECT";
    return arg;
}

std::optional<std::string> validateHyperlink(std::string_view action, std::string_view argument) {
    if (action == "Navigate to URL") {
        if (platform::toLower(argument).find("http://") == std::string::npos)
            return "Please enter a complete web site URL in the form: http://www.example.com";
        return std::nullopt;
    }
    if (!argument.empty()) return std::nullopt;
    if (action == "Display a Message Box")
        return "Please enter a message to display when this link is clicked.";
    if (action == "Run or Open a File on the CD")
        return "Please click SELECT FILE and choose a file to open when this link is clicked.";
    if (action == "Copy Files from the CD")
        return "Please click SELECT FILE and choose file(s) to copy when this link is clicked.";
    return std::nullopt;
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
