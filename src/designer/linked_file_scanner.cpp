#include "designer/linked_file_scanner.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "designer/link_text.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo {

namespace fs = std::filesystem;
using platform::toLower;
using platform::toUpper;

namespace {

constexpr std::string_view kTokenDelimiters = " =><\"'#?,";
constexpr std::string_view kValueDelimiters = "=><\"#?,";
constexpr std::string_view kArgumentDelimiters = "=><\"#?";

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A link as a path below a folder: "\" becomes "/", and a leading slash is
// taken relative to the folder, as Windows does when it joins "C:\site\" and
// "\pics\a.jpg". The text is UTF-8, whatever the system's code page.
fs::path linkPath(std::string_view link) {
    std::string s(link);
    std::replace(s.begin(), s.end(), '\\', '/');
    std::size_t first = s.find_first_not_of('/');
    return platform::u8path(first == std::string::npos ? std::string_view()
                                                       : std::string_view(s).substr(first));
}

// "C:\pics\a.jpg" names no file below the page's folder: such links are
// left to the absolute-link repair. Joined to a folder on Windows it would
// name the author's own file, which must never count as already copied.
bool namesDrive(std::string_view link) {
    return link.size() >= 2 && link[1] == ':' &&
           ((link[0] >= 'a' && link[0] <= 'z') || (link[0] >= 'A' && link[0] <= 'Z'));
}

// "Exists" for pages and destinations: a file that can be opened for reading.
bool canOpen(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return false;
    std::ifstream in(p, std::ios::binary);
    return static_cast<bool>(in);
}

void clearReadOnly(const fs::path& p) {
    std::error_code ec;
    auto st = fs::status(p, ec);
    if (!ec && (st.permissions() & fs::perms::owner_write) == fs::perms::none)
        fs::permissions(p, fs::perms::owner_write, fs::perm_options::add, ec);
}

bool readWhole(const fs::path& p, std::string& text) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// Reads whole lines: a page compressed onto one long line would otherwise be
// cut at the buffer's end, and a link spanning the cut would be lost in both
// halves. CR LF and LF both end a line.
bool nextLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Path macros name folders of the user's machine, never files of the disc.
bool namesMachineFolder(std::string_view lowerLink) {
    for (std::string_view macro :
         {"{desktop}", "{programfiles}", "{system}", "{windows}", "{root}"})
        if (contains(lowerLink, macro)) return true;
    return false;
}

bool isStyleSheet(std::string_view lowerLink) {
    return lowerLink.size() > 4 && lowerLink.substr(lowerLink.size() - 4) == ".css";
}

std::string quoted(const fs::path& p) {
    return "\"" + platform::u8string(p) + "\"";
}

}  // namespace

// Splits a line the way strtok does: leading delimiters are skipped and the
// one delimiter that ends a piece is used up, so each call may use its own set.
class LinkedFileScanner::Cursor {
  public:
    explicit Cursor(const std::string& line) : line_(line) {}
    bool next(std::string_view delimiters, std::string& piece) {
        while (pos_ < line_.size() && contains(delimiters, std::string_view(&line_[pos_], 1)))
            ++pos_;
        if (pos_ >= line_.size()) return false;
        std::size_t start = pos_;
        while (pos_ < line_.size() && !contains(delimiters, std::string_view(&line_[pos_], 1)))
            ++pos_;
        piece.assign(line_, start, pos_ - start);
        if (pos_ < line_.size()) ++pos_;
        return true;
    }

  private:
    const std::string& line_;
    std::size_t pos_ = 0;
};

LinkedFileScanner::LinkedFileScanner(int& additionalFiles, ScannerHooks hooks)
    : additionalFiles_(&additionalFiles), hooks_(std::move(hooks)) {}

void LinkedFileScanner::setDestinationRoot(const fs::path& folder) {
    root_ = fs::absolute(folder).lexically_normal();
    failure_.clear();
    broughtFrom_.clear();
    discNames_.clear();
}

void LinkedFileScanner::addUnresolved(const std::string& entry) {
    if (std::find(unresolved_.begin(), unresolved_.end(), entry) == unresolved_.end())
        unresolved_.push_back(entry);
}

bool LinkedFileScanner::inside(const fs::path& p) const {
    fs::path rel = fs::absolute(p).lexically_normal().lexically_relative(root_);
    return !rel.empty() && *rel.begin() != ".." && !rel.is_absolute();
}

bool LinkedFileScanner::copyFile(const fs::path& from, const fs::path& to) {
    // A link such as "../../x.gif" must not make the build write beside the
    // distributable folder.
    if (!inside(to)) return false;
    std::error_code ec;
    if (!fs::is_regular_file(from, ec)) return false;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
    clearReadOnly(to);
    copied_.push_back(to);
    const fs::path placed = fs::absolute(to).lexically_normal();
    auto listing = discNames_.find(placed.parent_path());
    if (listing != discNames_.end())
        listing->second.emplace(toLower(platform::u8string(placed.filename())), placed);
    return true;
}

// The copy, and when the folders it needs are missing, those folders and a
// second try. Folders are made only inside the distributable folder and only
// for a file that is really there, so a broken link leaves no empty folders.
bool LinkedFileScanner::copyWithFolders(const std::string& link, const fs::path& from,
                                        const fs::path& to) {
    if (copyFile(from, to)) return true;
    if (!contains(link, "/") && !contains(link, "\\")) return false;
    std::error_code ec;
    if (!fs::is_regular_file(from, ec) || !inside(to)) return false;
    fs::create_directories(to.lexically_normal().parent_path(), ec);
    return copyFile(from, to);
}

// Where a relative link's file is (matched without regard to case, as on
// Windows) and where it goes: the same place below `target`, under the name
// the file really has, so "Page.html" and "PAGE.HTML" make one copy.
struct LinkedFileScanner::Placed {
    fs::path from;
    fs::path to;
    bool present = false;  // already in the distributable folder, under any spelling
};

LinkedFileScanner::Placed LinkedFileScanner::locate(std::string_view decoded, const fs::path& base,
                                                    const fs::path& target) const {
    fs::path rel = linkPath(decoded);
    Placed p;
    std::optional<fs::path> found = platform::findCaseInsensitive(base, rel);
    p.from = found.value_or(base / rel);
    fs::path onDisc = found ? found->lexically_relative(base) : rel;
    if (onDisc.empty()) onDisc = rel;
    p.to = target / onDisc;
    std::optional<fs::path> there = platform::findCaseInsensitive(target, onDisc);
    if (there && canOpen(*there)) {
        p.to = *there;
        p.present = true;
    }
    return p;
}

// A link the absolute-link repair may rewrite, and the folder its file goes to.
struct LinkedFileScanner::Edit {
    links::Span span;
    fs::path target;
};

// A path this system cannot hold stops the build: the linked file would be
// missing from the disc without anyone being told.
bool LinkedFileScanner::tooLong(const fs::path& page, const std::string& link, const fs::path& from,
                                const fs::path& to) {
    for (const fs::path* p : {&from, &to}) {
        std::error_code ec;
        (void)fs::symlink_status(*p, ec);
        if (ec != std::errc::filename_too_long) continue;
        if (failure_.empty())
            failure_ = "The page " + quoted(page) + " links to \"" + link +
                       "\", a path longer than this system allows.\n\nShorten the link or the "
                       "names of the folders and files it passes through.";
        return true;
    }
    return false;
}

void LinkedFileScanner::copyActionItem(const std::string& item, const fs::path& pageFolder,
                                       const fs::path& destination) {
    if (namesDrive(item)) return addUnresolved(item);
    std::optional<std::string> d = links::decodeLink(item);
    if (!d || links::isFileUrl(*d)) return addUnresolved(item);
    Placed p = locate(*d, pageFolder, destination);
    if (tooLong(current_, item, p.from, p.to) || p.present) return;
    if (!copyFile(p.from, p.to)) addUnresolved(item);
}

void LinkedFileScanner::handleLink(std::string v, Cursor& cursor, const fs::path& pageFolder,
                                   const fs::path& destination, std::vector<SubPage>& subPages) {
    std::string up = toUpper(v);
    if (up == "ACTION_RUN" || up == "HTTP://ACTION_RUN") {
        // The program the action runs.
        if (!cursor.next(kValueDelimiters, v)) return;
        up = toUpper(v);
    } else if (up == "ACTION_USER_SELECT_COPY" || up == "HTTP://ACTION_USER_SELECT_COPY" ||
               up == "ACTION_COPY" || up == "HTTP://ACTION_COPY") {
        // ACTION_COPY pairs each file with a destination on the user's
        // machine: only the first, third, ... items are files on the disc.
        bool pairs = contains(up, "ACTION_COPY");
        std::string argument;
        if (cursor.next(kArgumentDelimiters, argument)) {
            Cursor items(argument);
            std::string item;
            for (int n = 0; items.next(kValueDelimiters, item); ++n)
                if (!pairs || n % 2 == 0) copyActionItem(item, pageFolder, destination);
        }
    }

    std::optional<std::string> decoded = links::decodeLink(v);
    if (!decoded) return;
    const std::string& d = *decoded;
    // Full paths and file addresses are left to the absolute-link repair.
    if (links::isFileUrl(d) || namesDrive(d)) return addUnresolved(v);
    // Only a scheme makes a web address: "http.html" and "www.html" are pages.
    std::string lowerLink = toLower(d);
    if (links::isWebAddress(d) || namesMachineFolder(lowerLink)) return;
    std::size_t dot = d.find('.');
    if (dot == std::string::npos || dot + 1 == d.size()) return;

    Placed p = locate(d, pageFolder, destination);
    if (tooLong(current_, v, p.from, p.to)) return;
    if (contains(lowerLink, ".htm") || contains(lowerLink, ".bat")) {
        if (p.present) return;  // present already: neither copied nor scanned again
        if (!copyWithFolders(v, p.from, p.to)) addUnresolved(v);
        subPages.push_back({p.from, p.to.parent_path(), {}});
        return;
    }
    if (p.present) {
        clearReadOnly(p.to);
    } else if (!copyWithFolders(v, p.from, p.to)) {
        if (v == " tags. " || contains(v, "editdata.mso") || contains(v, "oledata.mso")) return;
        return addUnresolved(v);
    }
    if (isStyleSheet(lowerLink)) subPages.push_back({p.from, p.to.parent_path(), p.to});
}

// The url()s and @imports of a style sheet or of a page's styles, relative to
// `base` (the sheet's folder, or the page's for inline styles). Sheets they
// import are added to `sheets`.
void LinkedFileScanner::copyStyleLinks(std::string_view text, const std::vector<links::Span>& found,
                                       const fs::path& base, const fs::path& target,
                                       std::vector<SubPage>& sheets) {
    for (const links::Span& span : found) {
        std::string raw(text.substr(span.begin, span.end - span.begin));
        std::string link = raw.substr(0, raw.find_first_of("?#"));
        std::optional<std::string> d = links::decodeLink(link);
        if (!d || d->empty() || links::isWebAddress(*d)) continue;
        if (links::isFileUrl(*d) || namesDrive(*d)) continue;  // left to the repair
        std::string lowerLink = toLower(*d);
        if (namesMachineFolder(lowerLink)) continue;
        Placed p = locate(*d, base, target);
        if (tooLong(current_, link, p.from, p.to)) return;
        if (!p.present && !copyWithFolders(link, p.from, p.to)) {
            addUnresolved(link);
            continue;
        }
        if (isStyleSheet(lowerLink)) sheets.push_back({p.from, p.to.parent_path(), p.to});
    }
}

void LinkedFileScanner::scanLine(const std::string& line, const fs::path& pageFolder,
                                 const fs::path& destination, std::vector<SubPage>& subPages) {
    // BACKGROUND counts only on a line that starts with the body tag.
    std::size_t first = line.find_first_not_of(kTokenDelimiters);
    std::size_t firstEnd =
        first == std::string::npos ? line.size() : line.find_first_of(kTokenDelimiters, first);
    bool bodyLine = contains(toUpper(line.substr(0, firstEnd)), "<BODY");

    Cursor cursor(line);
    std::string token;
    while (failure_.empty() && cursor.next(kTokenDelimiters, token)) {
        std::string up = toUpper(token);
        std::string value;
        if (contains(up, "URL(")) continue;  // read with the page's styles
        if (up == "SRC" || up == "HREF" || (bodyLine && up == "BACKGROUND")) {
            if (!cursor.next(kValueDelimiters, value)) break;
        } else if (contains(up, ".JPG") || contains(up, ".GIF")) {
            value = token;  // a picture named in a script
        } else {
            continue;
        }
        handleLink(value, cursor, pageFolder, destination, subPages);
    }
}

void LinkedFileScanner::scanLinkedFiles(const fs::path& page, const fs::path& destination,
                                        bool topLevel) {
    if (contains(page.generic_string(), "../")) {
        addUnresolved(fs::path(page).make_preferred().string());
        return;
    }
    std::error_code ec;
    std::string text;
    if (fs::is_directory(page, ec) || !readWhole(page, text)) return;
    if (topLevel) {
        unresolved_.clear();
        scannedSinceTop_.clear();
        sheetsSinceTop_.clear();
        repaired_.clear();
        failure_.clear();
    }
    if (!failure_.empty()) return;
    if (topLevel || root_.empty()) setDestinationRoot(destination);
    // A page whose copy failed is not "present", so without this a page that
    // links to itself would be scanned for ever.
    fs::path key = fs::absolute(page).lexically_normal();
    if (std::find(scannedSinceTop_.begin(), scannedSinceTop_.end(), key) != scannedSinceTop_.end())
        return;
    scannedSinceTop_.push_back(key);
    if (contains(toLower(page.string()), ".bat")) {
        scanBatchFile(page, destination);
        return;
    }
    if (hooks_.showPage) hooks_.showPage(page.string());
    scanned_.push_back(page);
    current_ = page;

    fs::path pageFolder = page.parent_path();
    std::vector<SubPage> subPages;
    std::istringstream in(text);
    std::string line;
    while (failure_.empty() && nextLine(in, line))
        scanLine(line, pageFolder, destination, subPages);
    std::vector<links::Span> attributes, styles;
    links::pageLinks(text, attributes, styles);
    copyStyleLinks(text, styles, pageFolder, destination, subPages);

    repairAbsoluteLinks(page, destination, pageFolder, topLevel);
    for (const auto& sub : subPages) {
        if (sub.copy.empty())
            scanLinkedFiles(sub.source, sub.destination, false);
        else
            scanStyleSheet(sub.source, sub.copy);
    }
}

void LinkedFileScanner::scanStyleSheet(const fs::path& sheet, const fs::path& copy) {
    fs::path key = fs::absolute(sheet).lexically_normal();
    if (!failure_.empty() ||
        std::find(sheetsSinceTop_.begin(), sheetsSinceTop_.end(), key) != sheetsSinceTop_.end())
        return;
    sheetsSinceTop_.push_back(key);
    std::string text;
    if (!readWhole(canOpen(copy) ? copy : sheet, text)) return;
    current_ = sheet;
    std::vector<links::Span> found;
    links::cssLinks(text, {0, text.size()}, found);
    std::vector<SubPage> imports;
    copyStyleLinks(text, found, sheet.parent_path(), copy.parent_path(), imports);

    std::vector<Edit> edits;
    for (const auto& span : found) edits.push_back({span, copy.parent_path()});
    std::error_code ec;
    if (repairText(text, edits, sheet.parent_path(), copy) && inside(copy) &&
        !fs::equivalent(copy, sheet, ec)) {
        std::ofstream file(copy, std::ios::binary | std::ios::trunc);
        file << text;
    }
    for (const auto& sub : imports) scanStyleSheet(sub.source, sub.copy);
}

void LinkedFileScanner::scanBatchFile(const fs::path& batchFile, const fs::path& destination) {
    std::ifstream in(batchFile, std::ios::binary);
    if (!in) return;
    if (root_.empty()) setDestinationRoot(destination);
    current_ = batchFile;
    fs::path folder = batchFile.parent_path();
    std::string line;
    while (failure_.empty() && nextLine(in, line)) {
        std::size_t at = toLower(line).find("/wait ");
        if (at == std::string::npos) continue;
        std::string name = line.substr(at + 6);
        if (namesDrive(name)) {
            addUnresolved(name);
            continue;
        }
        Placed p = locate(name, folder, destination);
        if (tooLong(batchFile, name, p.from, p.to) || p.present) continue;
        if (!copyFile(p.from, p.to)) addUnresolved(name);
    }
}

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
        auto files = links::actionFiles(std::string_view(text).substr(a.begin, a.end - a.begin));
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
        std::optional<std::string> d = links::decodeLink(link);
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
    const fs::path key = fs::weakly_canonical(source, ec);
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

namespace {
LinkedFileScanner& processScanner() {
    static int unused = 0;
    static LinkedFileScanner scanner(unused);
    return scanner;
}
}  // namespace

LinkScanReport scanLinkedFiles(const fs::path& sourcePage, const fs::path& folder, int topLevel,
                               int& additionalFiles, const ScannerHooks& hooks) {
    LinkedFileScanner& s = processScanner();
    s.setAdditionalFiles(additionalFiles);
    s.setHooks(hooks);
    const std::size_t before = topLevel != 0 ? 0 : s.repairedLinks().size();
    s.scanLinkedFiles(sourcePage, folder, topLevel != 0);
    const auto& repaired = s.repairedLinks();
    return {std::vector<std::string>(
                repaired.begin() + static_cast<std::ptrdiff_t>(std::min(before, repaired.size())),
                repaired.end()),
            s.failure()};
}

LinkScanReport scanBatchFile(const fs::path& batchFile, const fs::path& folder) {
    LinkedFileScanner& s = processScanner();
    s.setDestinationRoot(folder);
    s.scanBatchFile(batchFile, folder);
    return {{}, s.failure()};
}

const std::vector<std::string>& unresolvedLinks() {
    return processScanner().unresolved();
}

}  // namespace rondivo
