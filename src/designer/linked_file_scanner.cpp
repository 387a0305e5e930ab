#include "designer/linked_file_scanner.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "disc/text_util.h"
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

// Where a link found in a page lies on the author's machine; names are
// matched without regard to case, as the pages were written for Windows.
fs::path sourceOf(const fs::path& folder, std::string_view link) {
    fs::path rel = linkPath(link);
    return platform::findCaseInsensitive(folder, rel).value_or(folder / rel);
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
    return true;
}

// The copy, and when the folders it needs are missing, those folders and a
// second try. Links that climb out ("../") or are still encoded stay as they
// are; folders are made only for a file that is really there, so a broken
// link leaves no empty folders on the disc.
bool LinkedFileScanner::copyWithFolders(const std::string& link, const fs::path& from,
                                        const fs::path& to) {
    if (copyFile(from, to)) return true;
    if (!contains(link, "/") && !contains(link, "\\")) return false;
    if (contains(link, "../") || contains(link, "%20") || contains(toLower(link), "&amp;"))
        return false;
    std::error_code ec;
    if (!fs::is_regular_file(from, ec) || !inside(to)) return false;
    fs::create_directories(to.parent_path(), ec);
    return copyFile(from, to);
}

void LinkedFileScanner::copyActionItem(const std::string& item, const fs::path& pageFolder,
                                       const fs::path& destination) {
    if (namesDrive(item)) return addUnresolved(item);
    fs::path to = destination / linkPath(item);
    if (canOpen(to)) return;
    if (!copyFile(sourceOf(pageFolder, item), to)) addUnresolved(item);
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

    std::string d = decodeEntities(v);
    if (contains(up, "FILE://")) addUnresolved(v);

    // Web, mail, script and machine-folder links are not files of the disc.
    // Only the link is looked at: the page's own folder may well be called "http".
    std::string lowerLink = toLower(d);
    for (std::string_view skip :
         {"http", "mailto", "javascript", "{desktop}", "{programfiles}", "{system}", "{root}"})
        if (contains(lowerLink, skip)) return;
    std::size_t dot = d.find('.');
    if (dot == std::string::npos || dot + 1 == d.size()) return;
    if (namesDrive(d)) return addUnresolved(v);

    fs::path from = sourceOf(pageFolder, d);
    fs::path to = destination / linkPath(d);
    if (contains(lowerLink, ".htm") || contains(lowerLink, ".bat")) {
        if (canOpen(to)) return;  // present already: neither copied nor scanned again
        if (!copyWithFolders(v, from, to)) addUnresolved(v);
        subPages.push_back({from, to.parent_path()});
        return;
    }
    if (canOpen(to)) {
        clearReadOnly(to);
        return;
    }
    if (copyWithFolders(v, from, to)) return;
    if (v == " tags. " || contains(v, "editdata.mso") || contains(v, "oledata.mso")) return;
    addUnresolved(v);
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
    while (cursor.next(kTokenDelimiters, token)) {
        std::string up = toUpper(token);
        std::string value;
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
    std::ifstream in(page, std::ios::binary);
    std::error_code ec;
    if (!in || fs::is_directory(page, ec)) return;
    if (topLevel) {
        unresolved_.clear();
        scannedSinceTop_.clear();
    }
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

    fs::path pageFolder = page.parent_path();
    std::vector<SubPage> subPages;
    std::string line;
    while (nextLine(in, line)) scanLine(line, pageFolder, destination, subPages);
    in.close();

    repairAbsoluteLinks(page, destination, pageFolder, topLevel);
    for (const auto& sub : subPages) scanLinkedFiles(sub.source, sub.destination, false);
}

void LinkedFileScanner::scanBatchFile(const fs::path& batchFile, const fs::path& destination) {
    std::ifstream in(batchFile, std::ios::binary);
    if (!in) return;
    if (root_.empty()) setDestinationRoot(destination);
    fs::path folder = batchFile.parent_path();
    std::string line;
    while (nextLine(in, line)) {
        std::size_t at = toLower(line).find("/wait ");
        if (at == std::string::npos) continue;
        std::string name = line.substr(at + 6);
        if (namesDrive(name)) {
            addUnresolved(name);
            continue;
        }
        fs::path to = destination / linkPath(name);
        if (canOpen(to)) continue;
        if (!copyFile(sourceOf(folder, name), to)) addUnresolved(name);
    }
}

// An unresolved link that names a file by an absolute path, and the bare name
// it becomes on the disc.
struct LinkedFileScanner::Repair {
    std::size_t entry;  // index in the unresolved list
    std::string fileName;
    std::string path;  // decoded, without "file://"
    bool seen = false;
    bool copied = false;
};

namespace {

// Finds every occurrence of a set of texts in one pass: at each position
// that can start one, only the lengths the set holds are looked up, longest
// first. A page with thousands of links is read once, not once per link.
class TextSet {
  public:
    void add(std::string_view text, std::size_t value) {
        if (text.empty() || !map_.emplace(text, value).second) return;
        starts_[static_cast<unsigned char>(text[0])] = true;
        if (std::find(lengths_.begin(), lengths_.end(), text.size()) == lengths_.end())
            lengths_.push_back(text.size());
        std::sort(lengths_.rbegin(), lengths_.rend());
    }
    // The value of the longest text starting at `at`, if any; `length` gets its size.
    const std::size_t* match(std::string_view text, std::size_t at, std::size_t& length) const {
        if (!starts_[static_cast<unsigned char>(text[at])]) return nullptr;
        for (std::size_t n : lengths_) {
            if (at + n > text.size()) continue;
            auto it = map_.find(text.substr(at, n));
            if (it != map_.end()) {
                length = n;
                return &it->second;
            }
        }
        return nullptr;
    }

  private:
    std::unordered_map<std::string_view, std::size_t> map_;
    std::vector<std::size_t> lengths_;
    bool starts_[256] = {};
};

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

// The first position at or after `from` holding one of `chars`, remembered so
// that rising `from` values cost one pass over the text in all.
class NextOf {
  public:
    NextOf(std::string_view text, std::string_view chars) : text_(text), chars_(chars) {}
    std::size_t from(std::size_t at) {
        if (found_ == std::string_view::npos && searched_) return found_;
        if (!searched_ || found_ < at) {
            found_ = text_.find_first_of(chars_, at);
            searched_ = true;
        }
        return found_;
    }

  private:
    std::string_view text_, chars_;
    std::size_t found_ = 0;
    bool searched_ = false;
};

}  // namespace

void LinkedFileScanner::repairAbsoluteLinks(const fs::path& page, const fs::path& destination,
                                            const fs::path& pageFolder, bool topLevel) {
    if (unresolved_.empty()) return;
    std::string name = page.filename().string();
    if (topLevel) std::replace(name.begin(), name.end(), ' ', '_');
    fs::path copy = destination / platform::u8path(name);
    std::string text;
    if (!readWhole(canOpen(copy) ? copy : page, text)) return;
    std::error_code ec;
    // The author's own page is never written, whatever folder the build was given.
    bool writable = !fs::equivalent(copy, page, ec) && inside(copy);

    std::vector<Repair> repairs;
    std::vector<std::string> keys;  // lower-cased entries, owned for the set's views
    std::vector<bool> drop(unresolved_.size(), false);
    collectRepairs(pageFolder, repairs, keys, drop);
    TextSet set;
    // Later entries first, as they were found last: on a tie they win.
    for (std::size_t r = repairs.size(); r-- > 0;) set.add(keys[r], r);

    const std::string lower = toLower(text);
    std::string out;
    out.reserve(text.size());
    NextOf quote(text, "\""), stop(text, ",<>\r\n");
    bool changed = false;
    std::size_t done = 0;
    FolderLookup lookup;
    for (std::size_t p = 0; p < lower.size();) {
        std::size_t length = 0;
        const std::size_t* r = set.match(lower, p, length);
        // The link runs on to the closing quote (or a comma before it), so a
        // "?query" or "#part" after the path goes too; it never runs past the
        // tag or the line, so text outside the link is never lost.
        std::size_t end = r ? quote.from(p + length) : std::string::npos;
        if (end == std::string::npos) {
            ++p;
            continue;
        }
        end = std::min(end, stop.from(p + length));
        Repair& repair = repairs[*r];
        if (!repair.seen) {
            repair.seen = true;
            repair.copied = copyFile(lookup.resolve(pageFolder, repair.path),
                                     destination / platform::u8path(repair.fileName));
        }
        out.append(text, done, p - done);
        out += repair.fileName;
        done = p = end;
        changed = true;
    }
    if (changed) {
        out.append(text, done, std::string::npos);
        text.swap(out);
        if (writable) {
            std::ofstream file(copy, std::ios::binary | std::ios::trunc);
            file << text;
        }
    }
    for (const Repair& repair : repairs)
        if (repair.copied) drop[repair.entry] = true;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < unresolved_.size(); ++i) {
        if (drop[i]) continue;
        if (kept != i) unresolved_[kept] = std::move(unresolved_[i]);
        ++kept;
    }
    unresolved_.resize(kept);

    if (*additionalFiles_ == 0 && collectAbsolutePaths(text)) {
        ++*additionalFiles_;
        repairAbsoluteLinks(page, destination, pageFolder, topLevel);
    }
}

// Which unresolved entries name a file by path (to be copied and rewritten),
// and which are known non-links to forget.
void LinkedFileScanner::collectRepairs(const fs::path& pageFolder, std::vector<Repair>& repairs,
                                       std::vector<std::string>& keys,
                                       std::vector<bool>& drop) const {
    static const std::string_view kPhrases[] = {"&quot;filename.wmv&quot;", "calc.exe",
                                                "wordpad.exe"};
    auto isPhrase = [](const std::string& e) {
        return std::find(std::begin(kPhrases), std::end(kPhrases), e) != std::end(kPhrases);
    };
    std::error_code ec;
    const bool folderExists = fs::is_directory(pageFolder, ec);
    for (std::size_t i = 0; i < unresolved_.size(); ++i) {
        const std::string& entry = unresolved_[i];
        std::string e = toLower(entry);
        bool pathLike =
            contains(e, "file://") || contains(e, ":\\") || contains(e, "../") || contains(e, "/");
        if (!pathLike || isPhrase(entry)) {
            if (contains(entry, "IMG ") || contains(entry, " tags") || isPhrase(entry))
                drop[i] = true;
            continue;
        }
        if (!folderExists) continue;
        std::string path = e;
        if (path.rfind("file:///", 0) == 0)
            path.erase(0, 8);
        else if (path.rfind("file://", 0) == 0)
            path.erase(0, 7);
        path = decodeEntities(path);
        std::size_t slash = path.find_last_of("\\/");
        if (slash == std::string::npos) continue;
        std::string fileName = path.substr(slash + 1);
        if (fileName.empty() || fileName == "." || fileName == "..") continue;
        repairs.push_back({i, std::move(fileName), std::move(path)});
        keys.push_back(std::move(e));
    }
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

void scanLinkedFiles(const fs::path& sourcePage, const fs::path& folder, int topLevel,
                     int& additionalFiles, const ScannerHooks& hooks) {
    LinkedFileScanner& s = processScanner();
    s.setAdditionalFiles(additionalFiles);
    s.setHooks(hooks);
    s.scanLinkedFiles(sourcePage, folder, topLevel != 0);
}

void scanBatchFile(const fs::path& batchFile, const fs::path& folder) {
    LinkedFileScanner& s = processScanner();
    s.setDestinationRoot(folder);
    s.scanBatchFile(batchFile, folder);
}

const std::vector<std::string>& unresolvedLinks() {
    return processScanner().unresolved();
}

}  // namespace rondivo
