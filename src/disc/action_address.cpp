#include "disc/action_address.h"

#include <algorithm>
#include <iterator>

#include "disc/percent_coding.h"
#include "disc/text_util.h"
#include "platform/file_address.h"
#include "platform/paths.h"

namespace rondivo {

namespace {

constexpr ActionVerbInfo kVerbs[] = {
    {ActionVerb::MessageBox, "ACTION_MESSAGEBOX", ActionFiles::None},
    {ActionVerb::Quit, "ACTION_QUIT", ActionFiles::None},
    {ActionVerb::Run, "ACTION_RUN", ActionFiles::Programs},
    {ActionVerb::Browse, "ACTION_BROWSE", ActionFiles::None},
    {ActionVerb::Maximize, "ACTION_MAXIMIZE", ActionFiles::None},
    {ActionVerb::RestoreSize, "ACTION_RESTORESIZE", ActionFiles::None},
    {ActionVerb::Minimize, "ACTION_MINIMIZE", ActionFiles::None},
    {ActionVerb::Eject, "ACTION_EJECT", ActionFiles::None},
    {ActionVerb::UserSelectCopy, "ACTION_USER_SELECT_COPY", ActionFiles::All},
    {ActionVerb::Copy, "ACTION_COPY", ActionFiles::Sources},
};

// What pages write before a verb: the engine sees an ordinary web address.
constexpr std::string_view kActionPrefix = "http://";

std::string dropLeadingBlanks(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return std::string(s.substr(i));
}

bool endsWithSeparator(std::string_view s) {
    return !s.empty() && (s.back() == '/' || s.back() == '\\');
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() &&
           platform::equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

}  // namespace

std::span<const ActionVerbInfo> actionVerbs() {
    return kVerbs;
}

const ActionVerbInfo& actionVerbInfo(ActionVerb verb) {
    for (const auto& v : kVerbs)
        if (v.verb == verb) return v;
    return kVerbs[0];  // not reached: every verb has its row
}

const char* actionVerbName(ActionVerb verb) {
    return actionVerbInfo(verb).name;
}

const ActionVerbInfo* verbNamed(std::string_view token) {
    if (startsWithIgnoreCase(token, kActionPrefix)) token.remove_prefix(kActionPrefix.size());
    for (const auto& v : kVerbs)
        if (platform::equalsIgnoreCase(token, v.name)) return &v;
    return nullptr;
}

std::string buildActionAddress(ActionVerb verb, std::string_view argument) {
    std::string address = std::string(kActionPrefix) + actionVerbName(verb);
    if (!argument.empty()) address += "=" + std::string(argument);
    return address;
}

bool isActionAddress(std::string_view address) {
    const std::string upper = platform::toUpper(address);
    return std::any_of(std::begin(kVerbs), std::end(kVerbs), [&](const ActionVerbInfo& v) {
        return upper.find(v.name) != std::string::npos;
    });
}

std::string repairDriveLetters(std::string_view address) {
    std::string out;
    out.reserve(address.size() + 4);
    for (std::size_t i = 0; i < address.size(); ++i) {
        char c = address[i];
        bool standsAlone = i == 0 || address[i - 1] == '/' || address[i - 1] == '=' ||
                           address[i - 1] == ',' || address[i - 1] == ' ';
        if ((c == 'c' || c == 'd') && standsAlone && i + 1 < address.size() &&
            address[i + 1] == '/') {
            out.push_back(c == 'c' ? 'C' : 'D');
            out.push_back(':');
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::string resolvePathMacros(std::string_view text, const PathMacros& macros) {
    if (text.find('{') == std::string_view::npos || text.find('}') == std::string_view::npos)
        return std::string(text);
    const std::pair<const char*, const std::string*> table[] = {
        {"cdrom", &macros.cdrom},
        {"root", &macros.root},
        {"programfiles", &macros.programFiles},
        {"windows", &macros.windows},
        {"system", &macros.system},
        {"desktop", &macros.desktop},
        {"temp", &macros.temp},
        {"secure", &macros.temp},
    };
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("{}", start);
        std::string_view piece = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!piece.empty()) {
            std::string lower = platform::toLower(piece);
            const std::string* value = nullptr;
            for (const auto& [name, v] : table)
                if (lower == name) value = v;
            out += value ? *value : std::string(piece);
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

std::string prepareActionAddress(std::string_view address, const PathMacros& macros) {
    std::string s(address);
    replaceAllText(s, "http//", "http://");
    replaceAllText(s, "%7b", "{");
    replaceAllText(s, "%7B", "{");
    replaceAllText(s, "%7d", "}");
    replaceAllText(s, "%7D", "}");
    s = repairDriveLetters(s);
    if (s.size() > 1 && s.back() == '/') s.pop_back();
    s = resolvePathMacros(s, macros);
    // IE hands the handler an address with every byte beyond ASCII as UTF-8 %XX (a
    // page still loading, a frame): decoded as our page script's addresses are.
    return platform::percentDecode(decodeEntities(s));
}

std::vector<ActionCall> findActions(const std::string& prepared) {
    // Positions found in the upper-case copy are used on the prepared text:
    // the verb matches in any case, the argument keeps its case.
    const std::string upper = platform::toUpper(prepared);
    std::vector<ActionCall> calls;
    for (const auto& v : kVerbs) {
        std::size_t pos = upper.find(v.name);
        if (pos == std::string::npos) continue;
        ActionCall call;
        call.verb = v.verb;
        std::size_t eq = prepared.find('=', pos + std::char_traits<char>::length(v.name));
        if (eq != std::string::npos) {
            call.hasArgument = true;
            call.argument = prepared.substr(eq + 1);
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

ActionRequest parseActionAddress(std::string_view address, const PathMacros& macros) {
    ActionRequest r;
    r.prepared = prepareActionAddress(address, macros);
    r.calls = findActions(r.prepared);
    return r;
}

std::vector<std::string> splitActionList(std::string_view argument) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= argument.size()) {
        std::size_t comma = argument.find(',', start);
        std::string_view item = argument.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (!item.empty()) items.emplace_back(item);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

RunCommand splitRunCommand(std::string_view command) {
    std::string c = dropLeadingBlanks(command);
    std::size_t blank = c.find(' ');
    std::size_t dot = c.find('.');
    if (blank != std::string::npos && (dot == std::string::npos || dot < blank))
        return {c.substr(0, blank), c.substr(blank + 1)};
    return {c, ""};
}

std::vector<RunCommand> runCommands(std::string_view argument) {
    std::vector<RunCommand> out;
    for (const auto& item : splitActionList(argument)) out.push_back(splitRunCommand(item));
    return out;
}

std::vector<CopyItem> copyPairs(std::string_view argument) {
    auto items = splitActionList(argument);
    std::vector<CopyItem> out;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        // Leading blanks go before the source is joined to a folder: "a, b, c,{desktop}"
        // must not create a file whose name starts with a blank.
        std::string source = dropLeadingBlanks(items[i]);
        std::string destination = items[i + 1];
        if (destination.find(source) == std::string::npos)
            destination += (endsWithSeparator(destination) ? "" : "/") + source;
        out.push_back({source, dropLeadingBlanks(destination)});
    }
    return out;
}

std::vector<CopyItem> userSelectCopyItems(std::string_view argument, const std::string& folder) {
    std::vector<CopyItem> out;
    const std::string prefix = folder + (endsWithSeparator(folder) ? "" : "/");
    for (const auto& item : splitActionList(argument)) {
        std::string file = dropLeadingBlanks(item);
        out.push_back({file, dropLeadingBlanks(prefix + file)});
    }
    return out;
}

std::string destinationFolderPart(std::string_view destination) {
    std::size_t sep = destination.find_last_of("\\/");
    return sep == std::string_view::npos ? std::string() : std::string(destination.substr(0, sep));
}

std::vector<TextSpan> actionFileSpans(std::string_view link) {
    std::vector<TextSpan> files;
    const std::string upper = platform::toUpper(link);
    const std::size_t at = upper.find(kActionMarker);
    if (at == std::string::npos) return files;
    const ActionVerbInfo* verb = nullptr;
    for (const auto& v : kVerbs) {
        const std::size_t length = std::char_traits<char>::length(v.name);
        if (upper.compare(at, length, v.name) == 0 && at + length < link.size() &&
            link[at + length] == '=')
            verb = &v;
    }
    if (!verb || verb->files == ActionFiles::None) return files;
    std::size_t i = at + std::char_traits<char>::length(verb->name) + 1;
    for (int item = 0; i <= link.size(); ++item) {
        std::size_t end = std::min(link.find(',', i), link.size());
        std::size_t begin = i;
        while (begin < end && link[begin] == ' ') ++begin;
        std::size_t fileEnd = end;
        // "setup.exe /s": the program is up to the blank after its first ".".
        std::size_t dot = link.find('.', begin);
        if (verb->files == ActionFiles::Programs && dot < end) {
            std::size_t blank = link.find(' ', dot);
            if (blank < end) fileEnd = blank;
        }
        if (fileEnd > begin && (verb->files != ActionFiles::Sources || item % 2 == 0))
            files.push_back({begin, fileEnd});
        i = end + 1;
    }
    return files;
}

std::string carryAddress(std::string_view scheme, std::string_view address) {
    return std::string(scheme) + percentEncode(address);
}

std::optional<std::string> carriedAddress(std::string_view scheme, std::string_view navigation) {
    if (!startsWithIgnoreCase(navigation, scheme)) return std::nullopt;
    // encodeURIComponent's %XX bytes are UTF-8; anything else stays as it is.
    return percentDecode(navigation.substr(scheme.size()));
}

}  // namespace rondivo
