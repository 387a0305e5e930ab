#include "disc/autorun_inf.h"

#include <fstream>
#include <vector>

#include "disc/ini_text.h"
#include "platform/file_io.h"
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

// A text as long as one of the player's line buffers holds.
std::string clip(std::string text, std::size_t buffer) {
    if (text.size() >= buffer) text.resize(buffer - 1);
    return text;
}

// The value of `key` (which ends in "=") on a line of its own in the
// [autorun] section; `anyCase`: the key in any letter case.
std::optional<std::string> autorunKey(const fs::path& folder, std::string_view key, bool anyCase) {
    auto lines = readAutorunInfLines(folder);
    if (!lines) return std::nullopt;
    bool inAutorun = false;
    for (const auto& raw : *lines) {
        std::string_view line = raw;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (!line.empty() && line.front() == '[') {
            inAutorun = platform::equalsIgnoreCase(line.substr(0, line.find(']') + 1), "[autorun]");
            continue;
        }
        if (!inAutorun || line.size() < key.size()) continue;
        std::string_view head = line.substr(0, key.size());
        if (anyCase ? platform::equalsIgnoreCase(head, key) : head == key)
            return std::string(line.substr(key.size()));
    }
    return std::nullopt;
}

// The one writer of the file. It is written beside its place and renamed
// there: a full disk leaves the earlier file, never half of the new one.
bool writeInfText(const fs::path& folder, const std::string& text) {
    const fs::path target = infPath(folder);
    const fs::path temp = target.parent_path() / ".autorun.inf.part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) out << iniFileBytes(text);
        out.flush();
        if (!out) {
            out.close();
            platform::removeFile(temp);
            return false;
        }
    }
    if (platform::renameFile(temp, target) != 0) {
        platform::removeFile(temp);
        return false;
    }
    return true;
}
}  // namespace

bool writeAutorunInfLines(const fs::path& folder, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + kEol;
    return writeInfText(folder, text);
}

std::optional<std::vector<std::string>> readAutorunInfLines(const fs::path& folder) {
    // Only a regular file: opening a FIFO would wait for a writer for ever.
    platform::RegularFileStream in(infPath(folder));
    if (!in) return std::nullopt;
    std::string bytes(kAutorunInfReadLimit, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return textLines(iniFileText(bytes));
}

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
    const bool ok = writeInfText(folder, autorunInfText(values));
    if (written) *written = ok;
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

DataFolderAutorunInf dataFolderAutorunInf(std::vector<std::string> lines) {
    DataFolderAutorunInf inf;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string& line = lines[i];
        line = clip(std::move(line), 5000);
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (i == 1) {
            inf.commandLine = dataFolderCommandLine(std::string_view(line).substr(eq + 1));
            line = line.substr(0, eq + 1) + inf.commandLine;
        } else if (i == 2) {
            inf.icon = line.substr(eq + 1);
        }
    }
    inf.lines = std::move(lines);
    return inf;
}

std::string iconFromAutorunInf(const fs::path& folder) {
    return clip(autorunKey(folder, "ICON=", true).value_or(""), 1000);
}

std::optional<std::string> labelFromAutorunInf(const fs::path& folder) {
    auto label = autorunKey(folder, "LABEL=", false);
    if (!label) return std::nullopt;
    return clip(*label, 100);
}

std::optional<std::string> commandLineFromAutorunInf(const fs::path& folder) {
    auto lines = readAutorunInfLines(folder);
    if (!lines || lines->size() < 2) return std::nullopt;
    return clip((*lines)[1], kCommandLineLimit);
}

std::optional<std::string> autorunInfLine(const fs::path& folder, std::size_t index,
                                          std::size_t buffer) {
    auto lines = readAutorunInfLines(folder);
    if (!lines || lines->size() <= index) return std::nullopt;
    return clip((*lines)[index], buffer);
}

}  // namespace rondivo
