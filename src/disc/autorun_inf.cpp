#include "disc/autorun_inf.h"

#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "disc/line_reader.h"
#include "platform/paths.h"
#include "platform/regular_file.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {
constexpr const char* kEol = "\r\n";
// A command line longer than this is no command line of ours; reading stops there.
constexpr std::size_t kCommandLineLimit = 64 * 1024;

fs::path infPath(const fs::path& folder) {
    return folder.empty() ? fs::path(kAutorunInfName) : folder / kAutorunInfName;
}
}  // namespace

std::string underscoreBlanks(std::string_view name) {
    std::string s(name);
    for (auto& c : s)
        if (c == ' ') c = '_';
    return s;
}

std::string autorunCommandLine(const AutorunInfValues& v) {
    std::string line = "autorun.exe ";
    line += v.openFile.empty() ? std::string("none") : v.openFile + (v.secure ? ".enc" : "");
    line += ' ';
    line += v.failSafeFile.empty() ? std::string("none") : v.failSafeFile;
    line += v.builtInBrowser ? " 1" : " 0";
    line += ' ' + std::to_string(v.windowSize);
    if (v.splashEnabled && !v.splashName.empty()) line += ' ' + underscoreBlanks(v.splashName);
    if (v.soundEnabled && !v.soundName.empty()) line += ' ' + underscoreBlanks(v.soundName);
    return line;
}

std::string autorunInfText(const AutorunInfValues& v) {
    std::string text = std::string("[autorun]") + kEol + "OPEN=" + autorunCommandLine(v) + kEol;
    if (v.iconEnabled) text += "ICON=" + underscoreBlanks(v.iconName) + kEol;
    return text;
}

std::string writeAutorunInf(const fs::path& folder, const AutorunInfValues& values, bool* written) {
    std::ofstream out(infPath(folder), std::ios::binary | std::ios::trunc);
    if (out) out << autorunInfText(values);
    out.flush();
    if (written) *written = static_cast<bool>(out);
    return autorunCommandLine(values);
}

std::string dataFolderCommandLine(std::string_view commandLine) {
    std::string out;
    std::size_t i = 0;
    bool first = true;
    // Tokens are separated by single blanks; keep the separators exactly.
    while (i <= commandLine.size()) {
        std::size_t j = commandLine.find(' ', i);
        if (j == std::string_view::npos) j = commandLine.size();
        std::string_view token = commandLine.substr(i, j - i);
        if (!first && token.size() > 1 && token.find('.', 1) != std::string_view::npos)
            out += "data\\";
        out += token;
        first = false;
        if (j == commandLine.size()) break;
        out += ' ';
        i = j + 1;
    }
    return out;
}

std::optional<std::string> rewriteAutorunInfForDataFolder(const fs::path& folder) {
    std::vector<std::string> lines;
    {
        platform::RegularFileStream in(infPath(folder));
        if (!in) return std::nullopt;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
    }
    if (lines.size() < 2) return std::nullopt;
    const std::string key = "OPEN=";
    std::string command = lines[1].rfind(key, 0) == 0 ? lines[1].substr(key.size()) : lines[1];
    command = dataFolderCommandLine(command);
    lines[1] = key + command;
    std::ofstream out(infPath(folder), std::ios::binary | std::ios::trunc);
    for (const auto& l : lines) out << l << kEol;
    out.flush();
    if (!out) return std::nullopt;
    return command;
}

std::string iconFromAutorunInf(const fs::path& folder) {
    platform::RegularFileStream in(infPath(folder));
    if (!in) return {};
    LineReader reader(in, 1000);
    std::string line;
    while (reader.next(line)) {
        auto pos = platform::toUpper(line).find("ICON=");
        if (pos != std::string::npos) return line.substr(pos + 5);
    }
    return {};
}

std::optional<std::string> labelFromAutorunInf(const fs::path& folder) {
    platform::RegularFileStream in(infPath(folder));
    if (!in) return std::nullopt;
    LineReader reader(in, 100);
    std::string line;
    while (reader.next(line)) {
        if (line.find("LABEL") != std::string::npos) {
            auto eq = line.find('=');
            if (eq != std::string::npos) return line.substr(eq + 1);
        }
    }
    return std::nullopt;
}

std::optional<std::string> commandLineFromAutorunInf(const fs::path& folder) {
    platform::RegularFileStream in(infPath(folder));
    if (!in) return std::nullopt;
    if (in.peek() == std::char_traits<char>::eof()) return std::nullopt;
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');  // line 1, whatever its length
    LineReader reader(in, kCommandLineLimit);
    std::string line;
    if (!reader.next(line)) return std::nullopt;
    return line;
}

}  // namespace rondivo
