#include "disc/autorun_sh.h"

#include <fstream>
#include <system_error>

#include "disc/autorun_inf.h"
#include "disc/launch_arguments.h"
#include "platform/paths.h"

namespace rondivo {

namespace {

// One word for sh, whatever it holds: in single quotes, a quote as '\''.
std::string shellWord(std::string_view word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

std::string slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

// What a browser can show without the player: the file to open, else the
// fail-safe file; never an encrypted one.
std::string browserPage(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size() && i < 2; ++i) {
        const std::string lower = platform::toLower(words[i]);
        if (lower == "none" || lower.empty() || lower.find(".enc") != std::string::npos) continue;
        return slashes(words[i]);
    }
    return {};
}

}  // namespace

std::string autorunShellScript(std::string_view commandLine) {
    std::vector<std::string> words = splitAtBlanks(commandLine, LaunchArguments::kMaxWords + 1);
    if (!words.empty()) words.erase(words.begin());  // autorun.exe itself
    std::string arguments;
    for (const auto& w : words) arguments += " " + shellWord(w);
    const std::string page = browserPage(words);

    std::string s =
        "#!/bin/sh\n"
        "# Starts the presentation on this disc: with the Rondivo! player when it is\n"
        "# installed, else the start page in the default browser.\n"
        "here=$(cd \"$(dirname \"$0\")\" && pwd) || exit 1\n"
        "cd \"$here\" || exit 1\n"
        "for player in \"$(command -v rondivo 2>/dev/null)\" \"$HOME/.local/bin/rondivo\" "
        "/usr/local/bin/rondivo; do\n"
        "    if [ -n \"$player\" ] && [ -x \"$player\" ]; then\n"
        "        exec \"$player\"" +
        arguments +
        "\n"
        "    fi\n"
        "done\n";
    if (!page.empty())
        s += "page=" + shellWord(page) +
             "\n"
             "if [ -f \"$page\" ] && command -v xdg-open >/dev/null 2>&1; then\n"
             "    exec xdg-open \"$here/$page\"\n"
             "fi\n";
    s += "message=" +
         shellWord(page.empty() ? "To see this presentation, start autorun.exe on this disc in "
                                  "Windows, or install Rondivo! and run autorun.sh again."
                                : "To see this presentation, open " + page +
                                      " on this disc in a web browser, or start autorun.exe "
                                      "in Windows.") +
         "\n"
         "if command -v zenity >/dev/null 2>&1; then\n"
         "    zenity --info --text=\"$message\"\n"
         "elif command -v kdialog >/dev/null 2>&1; then\n"
         "    kdialog --msgbox \"$message\"\n"
         "elif command -v xmessage >/dev/null 2>&1; then\n"
         "    xmessage \"$message\"\n"
         "else\n"
         "    printf '%s\\n' \"$message\" >&2\n"
         "fi\n"
         "exit 1\n";
    return s;
}

bool writeAutorunShellScript(const std::filesystem::path& folder, std::string_view commandLine) {
    const std::filesystem::path file = folder / kAutorunShName;
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << autorunShellScript(commandLine);
        if (!out.flush()) return false;
    }
    // Desktops run it only when it is executable; an image keeps the mode in Rock Ridge.
    std::error_code ec;
    using std::filesystem::perms;
    std::filesystem::permissions(file,
                                 perms::owner_all | perms::group_read | perms::group_exec |
                                     perms::others_read | perms::others_exec,
                                 ec);
    return true;
}

std::optional<std::string> missingStartScriptCommandLine(const std::filesystem::path& folder) {
    if (platform::findCaseInsensitive(folder, kAutorunShName)) return std::nullopt;
    const auto lines = readAutorunInfLines(folder);
    if (!lines) return std::nullopt;
    for (const std::string& line : *lines) {
        std::string_view l(line);
        while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
        if (l.size() > 5 && platform::toLower(std::string(l.substr(0, 5))) == "open=")
            return std::string(l.substr(5));
    }
    return std::nullopt;
}

}  // namespace rondivo
