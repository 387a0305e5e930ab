#include "platform/shell.h"

#include <sstream>

#include "platform/process.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

std::string shellFailureReason(int result) {
    switch (result) {
        case kShellOutOfResources:
            return "The computer is out of memory or resources.";
        case kShellFileNotFound:
            return "The file was not found.";
        case kShellPathNotFound:
            return "The folder was not found.";
        case kShellAccessDenied:
            return "Access to the file was denied.";
        case kShellOutOfMemory:
            return "There was not enough memory to open the file.";
        case kShellBadFormat:
            return "The program is not a valid program for this computer.";
        case kShellSharingViolation:
            return "Another program is using the file.";
        case kShellAssociationIncomplete:
        case kShellNoAssociation:
            return "No program on this computer is set up to open this type of file.";
        case kShellDdeTimeout:
            return "The program did not answer in time.";
        case kShellDdeFailed:
            return "The program could not be asked to open the file.";
        case kShellDdeBusy:
            return "The program is busy with another request.";
        case kShellDllNotFound:
            return "A library the program needs was not found.";
        default:
            return "The file could not be opened (error " + std::to_string(result) + ").";
    }
}

std::vector<DesktopApplication> parseDesktopEntry(const std::string& text, const fs::path& source) {
    std::istringstream in(text);
    std::string line, name, exec;
    bool inEntry = false, hidden = false, isApp = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        if (line.rfind("Name=", 0) == 0 && name.empty())
            name = line.substr(5);
        else if (line.rfind("Exec=", 0) == 0)
            exec = line.substr(5);
        else if (line == "NoDisplay=true" || line == "Hidden=true")
            hidden = true;
        else if (line.rfind("Type=", 0) == 0)
            isApp = line.substr(5) == "Application";
    }
    if (name.empty() || exec.empty() || hidden || !isApp) return {};
    return {DesktopApplication{name, exec, source}};
}

std::vector<std::string> commandForFile(const DesktopApplication& app, const fs::path& file) {
    std::vector<std::string> argv;
    bool placed = false;
    for (auto& word : splitCommandLine(app.exec)) {
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
            argv.push_back(file.string());
            placed = true;
            continue;
        }
        std::string w;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] == '%' && i + 1 < word.size()) {
                if (word[i + 1] == '%') w.push_back('%');
                ++i;  // other field codes carry nothing we have
            } else {
                w.push_back(word[i]);
            }
        }
        if (!w.empty()) argv.push_back(w);
    }
    if (!placed) argv.push_back(file.string());
    return argv;
}

}  // namespace rondivo::platform
