#include "designer/linked_file_scanner.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "designer/folder_copy.h"
#include "designer/link_text.h"
#include "designer/linked_file_scanner_files.h"
#include "disc/action_address.h"
#include "disc/percent_coding.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo {

namespace fs = std::filesystem;
using platform::toLower;
using platform::toUpper;

using scanner_files::canOpen;
using scanner_files::contains;
using scanner_files::linkPath;
using scanner_files::namesDrive;
using scanner_files::namesMachineFolder;
using scanner_files::readWhole;

namespace {

constexpr std::string_view kTokenDelimiters = " =><\"'#?,";
constexpr std::string_view kValueDelimiters = "=><\"#?,";
constexpr std::string_view kArgumentDelimiters = "=><\"#?";

// Reads whole lines: a page compressed onto one long line would otherwise be
// cut at the buffer's end, and a link spanning the cut would be lost in both
// halves. CR LF and LF both end a line.
bool nextLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
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
    if (!copyRegularFile(from, to).ok()) return false;
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
    std::optional<std::string> d = decodeLink(item);
    if (!d || links::isFileUrl(*d)) return addUnresolved(item);
    Placed p = locate(*d, pageFolder, destination);
    if (tooLong(current_, item, p.from, p.to) || p.present) return;
    if (!copyFile(p.from, p.to)) addUnresolved(item);
}

void LinkedFileScanner::handleLink(std::string v, Cursor& cursor, const fs::path& pageFolder,
                                   const fs::path& destination, std::vector<SubPage>& subPages) {
    if (const ActionVerbInfo* verb = verbNamed(v)) {
        if (verb->files == ActionFiles::Programs) {
            // The program the action runs.
            if (!cursor.next(kValueDelimiters, v)) return;
        } else if (verb->files != ActionFiles::None) {
            // ACTION_COPY pairs each file with a destination on the user's
            // machine: only the first, third, ... items are files on the disc.
            std::string argument;
            if (cursor.next(kArgumentDelimiters, argument)) {
                Cursor items(argument);
                std::string item;
                for (int n = 0; items.next(kValueDelimiters, item); ++n)
                    if (verb->files == ActionFiles::All || n % 2 == 0)
                        copyActionItem(item, pageFolder, destination);
            }
        }
    }

    std::optional<std::string> decoded = decodeLink(v);
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
        std::optional<std::string> d = decodeLink(link);
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
}  // namespace rondivo
