#include "menucreator/menu_folder.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

#include "disc/action_address.h"
#include "disc/autorun_inf.h"
#include "disc/percent_coding.h"
#include "disc/text_util.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo::menucreator {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kNotFound = std::string::npos;

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The attribute value that starts at `at` (after the "="): quoted, or up to a
// blank or the tag's end.
std::string valueAt(std::string_view page, std::size_t at) {
    while (at < page.size() && isSpace(page[at])) ++at;
    if (at >= page.size()) return {};
    const char quote = page[at];
    if (quote == '"' || quote == '\'') {
        const std::size_t end = page.find(quote, at + 1);
        return std::string(page.substr(at + 1, end == kNotFound ? kNotFound : end - at - 1));
    }
    std::size_t end = at;
    while (end < page.size() && !isSpace(page[end]) && page[end] != '>') ++end;
    return std::string(page.substr(at, end - at));
}

// Values of src=, href= and background= attributes and of CSS url(...), as
// written, in the order the page has them.
std::vector<std::string> addressesIn(std::string_view page) {
    const std::string lower = platform::toLower(page);
    std::vector<std::pair<std::size_t, std::string>> found;
    for (std::string_view name : {"src", "href", "background"}) {
        for (std::size_t at = lower.find(name); at != kNotFound; at = lower.find(name, at + 1)) {
            if (at == 0 || !(isSpace(lower[at - 1]) || lower[at - 1] == '<')) continue;
            std::size_t eq = at + name.size();
            while (eq < lower.size() && isSpace(lower[eq])) ++eq;
            if (eq < lower.size() && lower[eq] == '=')
                found.emplace_back(at, valueAt(page, eq + 1));
        }
    }
    for (std::size_t at = lower.find("url("); at != kNotFound; at = lower.find("url(", at + 1)) {
        const std::size_t end = lower.find(')', at);
        if (end == kNotFound) break;
        std::string v(page.substr(at + 4, end - at - 4));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        found.emplace_back(at, v);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto& [at, value] : found) out.push_back(std::move(value));
    return out;
}

// The files an action link may name on the disc, by the verb table: each item
// the verb takes as a file; for a program, each word of its parameters too (a
// document it opens). Words that name no file are dropped later.
std::vector<std::string> actionFiles(const std::string& address) {
    std::vector<std::string> files;
    for (const ActionCall& call : findActions(decodeEntities(address))) {
        const ActionFiles kind = actionVerbInfo(call.verb).files;
        if (kind == ActionFiles::None) continue;
        std::vector<std::string> items = splitActionList(call.argument);
        const std::size_t step = kind == ActionFiles::Sources ? 2 : 1;
        for (std::size_t i = 0; i < items.size(); i += step) {
            files.push_back(items[i]);
            if (kind != ActionFiles::Programs) continue;
            std::istringstream words(items[i]);
            for (std::string word; words >> word;)
                if (word != items[i]) files.push_back(word);
        }
    }
    return files;
}

// The relative path a link names, or "" when it names no file beside the page.
std::string relativePath(std::string link) {
    while (!link.empty() && isSpace(link.back())) link.pop_back();
    while (!link.empty() && isSpace(link.front())) link.erase(0, 1);
    link = link.substr(0, link.find_first_of("?#"));
    std::optional<std::string> decoded = decodeLink(link);  // as a browser reads it
    if (!decoded) return {};
    link = std::move(*decoded);
    if (link.empty() || link.front() == '/' || link.front() == '\\' ||
        link.find('{') != kNotFound ||
        link.find(':') != kNotFound)  // schemes, drive letters, macros
        return {};
    for (char& c : link)
        if (c == '\\') c = '/';
    for (const fs::path& part : platform::u8path(link))
        if (part == "..") return {};
    return link;
}

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool isPage(const std::string& rel) {
    const std::string lower = platform::toLower(rel);
    return lower.ends_with(".html") || lower.ends_with(".htm");
}

struct Copier {
    LinkedCopyReport report;
    std::set<fs::path> seen;

    void copyLinksOf(const std::string& page, const fs::path& from, const fs::path& to) {
        for (const std::string& rel : relativeLinks(page)) {
            const fs::path source = from / platform::u8path(rel);
            const fs::path target = to / platform::u8path(rel);
            std::error_code ec;
            if (!seen.insert(source.lexically_normal()).second) continue;
            if (!fs::is_regular_file(source, ec)) continue;  // missing, a folder, a FIFO
            if (!copyOne(source, target, rel)) continue;
            if (isPage(rel))
                copyLinksOf(readText(source), source.parent_path(), target.parent_path());
        }
    }

    bool copyOne(const fs::path& source, const fs::path& target, const std::string& rel) {
        std::error_code ec;
        if (fs::exists(target, ec) && fs::equivalent(source, target, ec)) return true;
        fs::create_directories(target.parent_path(), ec);
        std::uint64_t bytes = 0;
        if (platform::copyFileData(source, target, bytes) != 0) {
            report.failed.push_back(rel);
            return false;
        }
        report.copied.push_back(rel);
        return true;
    }
};

}  // namespace

fs::path menuSavePath(const fs::path& programFolder, const fs::path& openedFrom,
                      std::string_view fileName) {
    const fs::path menus = programFolder / kMenusFolderName;
    const fs::path name = platform::u8path(fileName);
    if (!openedFrom.empty() && !sameFolder(openedFrom, programFolder / "html") &&
        !sameFolder(openedFrom.parent_path(), menus))
        return openedFrom / name;
    return menus / name.stem() / platform::u8path(underscoreBlanks(fileName));
}

std::vector<std::string> relativeLinks(std::string_view page) {
    std::vector<std::string> out;
    auto add = [&out](const std::string& link) {
        std::string rel = relativePath(link);
        if (!rel.empty() && std::find(out.begin(), out.end(), rel) == out.end()) out.push_back(rel);
    };
    for (const std::string& address : addressesIn(page)) {
        if (platform::toLower(address).find("action_") != kNotFound) {
            for (const std::string& file : actionFiles(address)) add(file);
        } else {
            add(address);
        }
    }
    return out;
}

LinkedCopyReport copyLinkedFiles(const fs::path& page, const fs::path& sourceFolder) {
    Copier copier;
    if (sourceFolder.empty() || sameFolder(sourceFolder, page.parent_path())) return {};
    copier.copyLinksOf(readText(page), sourceFolder, page.parent_path());
    return copier.report;
}

}  // namespace rondivo::menucreator
