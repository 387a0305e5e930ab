// The absolute-link repair: links in link attributes and url()s that name a
// file by its full path, or that climb out of the distributable folder, are
// copied beside the page and rewritten to the copy's name. Nothing else of a
// page changes.
#include <algorithm>
#include <fstream>
#include <optional>
#include <unordered_map>

#include "designer/link_text.h"
#include "designer/linked_file_scanner.h"
#include "designer/linked_file_scanner_files.h"
#include "disc/percent_coding.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo {

namespace fs = std::filesystem;
using platform::toLower;
using scanner_files::canOpen;
using scanner_files::contains;
using scanner_files::linkPath;
using scanner_files::namesDrive;
using scanner_files::namesMachineFolder;
using scanner_files::readWhole;

namespace {

// Case-insensitive lookup of many files in few folders: each folder is
// resolved once and listed at most once, so thousands of links into one
// folder of thousands of pictures cost one listing, not one per link.
class FolderLookup {
  public:
    fs::path resolve(const fs::path& base, std::string_view discPath) {
        fs::path rel = platform::toNativePath(discPath);
        fs::path fallback = rel.is_absolute() ? rel : base / rel;
        std::string folderKey = (base / rel.parent_path()).string();
        auto folder = folders_.find(folderKey);
        if (folder == folders_.end())
            folder =
                folders_.emplace(folderKey, platform::findCaseInsensitive(base, rel.parent_path()))
                    .first;
        if (!folder->second) return fallback;
        fs::path exact = *folder->second / rel.filename();
        std::error_code ec;
        if (fs::exists(fs::symlink_status(exact, ec))) return exact;
        auto listing = listings_.find(folder->second->string());
        if (listing == listings_.end()) {
            listing = listings_.emplace(folder->second->string(), Listing{}).first;
            for (fs::directory_iterator it(*folder->second, ec), end; !ec && it != end;
                 it.increment(ec))
                listing->second.emplace(toLower(it->path().filename().string()), it->path());
        }
        auto file = listing->second.find(toLower(rel.filename().string()));
        return file == listing->second.end() ? fallback : file->second;
    }

  private:
    using Listing = std::unordered_map<std::string, fs::path>;
    std::unordered_map<std::string, std::optional<fs::path>> folders_;
    std::unordered_map<std::string, Listing> listings_;
};

bool sameBytes(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
    std::string x, y;
    return readWhole(a, x) && readWhole(b, y) && x == y;
}

// The last part of a path or address, as written.
std::string_view lastPart(std::string_view link) {
    std::size_t slash = link.find_last_of("/\\");
    return slash == std::string_view::npos ? link : link.substr(slash + 1);
}

// A file name as it can stand in a link.
std::string asLink(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == ' ' || c == '%' || c == '#' || c == '?' || c == '"' || c == '\'') {
            static const char* hex = "0123456789ABCDEF";
            out += '%';
            out += hex[(static_cast<unsigned char>(c) >> 4) & 15];
            out += hex[static_cast<unsigned char>(c) & 15];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

void LinkedFileScanner::repairAbsoluteLinks(const fs::path& page, const fs::path& destination,
                                            const fs::path& pageFolder, bool topLevel) {
    if (!failure_.empty()) return;
    std::string name = platform::u8string(page.filename());
    if (topLevel) std::replace(name.begin(), name.end(), ' ', '_');
    fs::path copy = destination / platform::u8path(name);
    std::string text;
    if (!readWhole(canOpen(copy) ? copy : page, text)) return;
    std::error_code ec;
    // The author's own page is never written, whatever folder the build was given.
    bool writable = !fs::equivalent(copy, page, ec) && inside(copy);

    std::vector<links::Span> attributes, styles;
    links::pageLinks(text, attributes, styles);
    std::vector<Edit> edits;
    for (const links::Span& a : attributes) {
        // An action's programs run from the disc's root folder.
        auto files = actionFileSpans(std::string_view(text).substr(a.begin, a.end - a.begin));
        if (files.empty()) edits.push_back({a, destination});
        for (const links::Span& f : files)
            edits.push_back({{a.begin + f.begin, a.begin + f.end}, root_});
    }
    for (const links::Span& s : styles) edits.push_back({s, destination});
    std::sort(edits.begin(), edits.end(),
              [](const Edit& x, const Edit& y) { return x.span.begin < y.span.begin; });
    if (repairText(text, edits, pageFolder, copy) && writable) {
        std::ofstream file(copy, std::ios::binary | std::ios::trunc);
        file << text;
    }
    // Full paths in scripts and prose are only listed: text that merely looks
    // like a path must reach the disc as the author wrote it.
    if (!unresolved_.empty() && *additionalFiles_ == 0 && collectAbsolutePaths(text))
        ++*additionalFiles_;
}

// Rewrites each link of `edits` that names a file by its full path (or climbs
// out of the distributable folder) when that file exists and could be copied
// into the edit's folder: the link becomes the copy's name. Every other
// character of `text` stays as it is. True when anything changed.
bool LinkedFileScanner::repairText(std::string& text, const std::vector<Edit>& edits,
                                   const fs::path& base, const fs::path& copy) {
    const std::string label =
        fs::absolute(copy).lexically_normal().lexically_relative(root_).generic_string();
    FolderLookup lookup;
    std::string out;
    std::size_t done = 0;
    for (const Edit& e : edits) {
        if (e.span.begin < done) continue;
        std::string_view raw =
            std::string_view(text).substr(e.span.begin, e.span.end - e.span.begin);
        std::size_t cut = raw.find_first_of("?#");
        std::string_view link = raw.substr(0, cut);
        std::size_t hash = raw.find('#');
        std::string_view fragment = hash == std::string_view::npos ? "" : raw.substr(hash);
        std::optional<std::string> d = decodeLink(link);
        if (!d || d->empty() || links::isWebAddress(*d)) continue;
        fs::path source;
        if (std::optional<std::string> path = links::absoluteLocalPath(*d)) {
            // "/x" may name a file below the page's folder, as from a disc's root.
            if ((*d)[0] == '/' && !links::isFileUrl(*d) &&
                platform::findCaseInsensitive(base, linkPath(*d)))
                continue;
            source = lookup.resolve(base, *path);
        } else if (links::isFileUrl(*d) || namesDrive(*d)) {
            addUnresolved(std::string(link));  // a file of another machine
            continue;
        } else if (namesMachineFolder(toLower(*d)) ||
                   (inside(e.target / linkPath(*d)) &&
                    std::find(unresolved_.begin(), unresolved_.end(), link) == unresolved_.end())) {
            continue;  // a relative link whose file is in its place on the disc
        } else {
            source = lookup.resolve(base, *d);
        }
        std::error_code ec;
        std::string fileName(lastPart(*d));
        if (fileName.empty() || !fs::is_regular_file(source, ec)) continue;
        std::optional<std::string> onDisc = bringBeside(source, e.target, fileName);
        if (!onDisc) continue;
        std::string replacement =
            (*onDisc == fileName ? std::string(lastPart(link)) : asLink(*onDisc)) +
            std::string(fragment);
        out.append(text, done, e.span.begin - done);
        out += replacement;
        done = e.span.end;
        repaired_.push_back(label + ": \"" + std::string(raw) + "\" is now \"" + replacement +
                            "\"");
        dropUnresolved(std::string(link));
    }
    if (done == 0) return false;
    out.append(text, done, std::string::npos);
    text.swap(out);
    return true;
}

// Copies `source` into `target` as `name`; when another file has that name
// there already, as name_1, name_2, ... Returns the name used on the disc.
std::optional<std::string> LinkedFileScanner::bringBeside(const fs::path& source,
                                                          const fs::path& target,
                                                          const std::string& name) {
    std::error_code ec;
    const fs::path key = fs::absolute(source, ec).lexically_normal();
    const fs::path base = platform::u8path(name);
    const std::string stem = platform::u8string(base.stem());
    const std::string ext = platform::u8string(base.extension());
    for (int n = 0; n < 100; ++n) {
        std::string candidate = n == 0 ? name : stem + "_" + std::to_string(n) + ext;
        fs::path to = (target / platform::u8path(candidate)).lexically_normal();
        std::optional<fs::path> there = onDisc(target, candidate);
        if (!there) {
            if (!copyFile(source, to)) return std::nullopt;
            broughtFrom_[fs::absolute(to).lexically_normal()] = key;
            return candidate;
        }
        auto brought = broughtFrom_.find(fs::absolute(*there).lexically_normal());
        if (brought != broughtFrom_.end()
                ? brought->second == key
                : fs::equivalent(*there, source, ec) || sameBytes(*there, source))
            return candidate;
    }
    return std::nullopt;
}

// A file of a folder of the disc by name, without regard to case. The folder
// is listed once; the scanner's own copies keep the listing up to date, so a
// page with thousands of repaired links does not list its folder each time.
std::optional<fs::path> LinkedFileScanner::onDisc(const fs::path& folder, const std::string& name) {
    const fs::path key = fs::absolute(folder).lexically_normal();
    std::error_code ec;
    fs::path exact = key / platform::u8path(name);
    if (fs::exists(fs::symlink_status(exact, ec))) return exact;
    auto listing = discNames_.find(key);
    if (listing == discNames_.end()) {
        listing = discNames_.emplace(key, std::unordered_map<std::string, fs::path>{}).first;
        for (fs::directory_iterator it(key, ec), end; !ec && it != end; it.increment(ec))
            listing->second.emplace(toLower(platform::u8string(it->path().filename())), it->path());
    }
    auto found = listing->second.find(toLower(name));
    if (found == listing->second.end()) return std::nullopt;
    return found->second;
}

void LinkedFileScanner::dropUnresolved(const std::string& entry) {
    unresolved_.erase(std::remove(unresolved_.begin(), unresolved_.end(), entry),
                      unresolved_.end());
}

bool LinkedFileScanner::collectAbsolutePaths(std::string_view text) {
    std::string lower = toLower(text);
    bool added = false;
    // ":\" at the very start ends the search; otherwise each find starts past
    // the last, so text such as '":\\"' cannot hold the search in one place.
    for (std::size_t pos = lower.find(":\\"); pos != std::string::npos && pos >= 1;) {
        std::size_t start = pos - 1;
        std::size_t end = lower.find_first_of("><\",", start);
        std::string entry =
            lower.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!entry.empty() &&
            std::find(unresolved_.begin(), unresolved_.end(), entry) == unresolved_.end()) {
            unresolved_.push_back(entry);
            added = true;
        }
        if (end == std::string::npos) break;
        pos = lower.find(":\\", std::max(end, pos + 2));
    }
    return added;
}

}  // namespace rondivo
