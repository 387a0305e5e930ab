#include "designer/linked_file_scanner.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "disc/text_util.h"
#include "platform/debug_log.h"
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
// "\pics\a.jpg". A drive letter stays part of the name, so "C:\pics\a.jpg"
// below a folder names nothing.
fs::path linkPath(std::string_view link) {
    std::string s(link);
    std::replace(s.begin(), s.end(), '\\', '/');
    std::size_t first = s.find_first_not_of('/');
    return fs::path(first == std::string::npos ? std::string() : s.substr(first));
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
    if (contains(page.string(), "../")) {
        addUnresolved(page.string());
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
        fs::path to = destination / linkPath(name);
        if (canOpen(to)) continue;
        if (!copyFile(sourceOf(folder, name), to)) addUnresolved(name);
    }
}

void LinkedFileScanner::repairAbsoluteLinks(const fs::path& page, const fs::path& destination,
                                            const fs::path& pageFolder, bool topLevel) {
    if (unresolved_.empty()) return;
    std::string name = page.filename().string();
    if (topLevel) std::replace(name.begin(), name.end(), ' ', '_');
    fs::path copy = destination / name;
    std::string text;
    if (!readWhole(canOpen(copy) ? copy : page, text)) return;
    std::error_code ec;
    // The author's own page is never written, whatever folder the build was given.
    bool writable = !fs::equivalent(copy, page, ec) && inside(copy);
    std::string lower = toLower(text);

    static const std::string_view kPhrases[] = {"&quot;filename.wmv&quot;", "calc.exe",
                                                "wordpad.exe"};
    auto isPhrase = [](const std::string& e) {
        return std::find(std::begin(kPhrases), std::end(kPhrases), e) != std::end(kPhrases);
    };

    for (std::size_t i = unresolved_.size(); i-- > 0;) {
        const std::string entry = unresolved_[i];
        const std::string e = toLower(entry);
        bool pathLike =
            contains(e, "file://") || contains(e, ":\\") || contains(e, "../") || contains(e, "/");
        if (!pathLike || isPhrase(entry)) {
            if (contains(entry, "IMG ") || contains(entry, " tags") || isPhrase(entry))
                unresolved_.erase(unresolved_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (!fs::is_directory(pageFolder, ec)) continue;

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

        bool removed = false;
        for (std::size_t p; (p = lower.find(e)) != std::string::npos;) {
            // The link runs on to the closing quote (or a comma before it), so
            // a "?query" or "#part" after the path goes too; it never runs past
            // the tag or the line, so text outside the link is never lost.
            std::size_t afterEntry = p + e.size();
            std::size_t end = text.find('"', afterEntry);
            if (end == std::string::npos) break;
            end = std::min(
                {end, text.find(',', afterEntry), text.find_first_of("<>\r\n", afterEntry)});

            bool copied = copyFile(platform::resolvePath(pageFolder, path), destination / fileName);
            text.replace(p, end - p, fileName);
            if (writable) {
                std::ofstream out(copy, std::ios::binary | std::ios::trunc);
                out << text;
            }
            lower = toLower(text);
            if (copied && !removed) {
                unresolved_.erase(unresolved_.begin() + static_cast<std::ptrdiff_t>(i));
                removed = true;
            }
        }
    }

    if (*additionalFiles_ == 0 && collectAbsolutePaths(text)) {
        ++*additionalFiles_;
        repairAbsoluteLinks(page, destination, pageFolder, topLevel);
    }
}

bool LinkedFileScanner::collectAbsolutePaths(std::string_view text) {
    std::string lower = toLower(text);
    bool added = false;
    for (std::size_t pos = lower.find(":\\"); pos != std::string::npos && pos >= 1;) {
        std::size_t start = pos - 1;
        std::size_t end = lower.find_first_of("><\",", start);
        std::string entry =
            lower.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (std::find(unresolved_.begin(), unresolved_.end(), entry) == unresolved_.end()) {
            unresolved_.push_back(entry);
            added = true;
        }
        if (end == std::string::npos) break;
        pos = lower.find(":\\", end);
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
