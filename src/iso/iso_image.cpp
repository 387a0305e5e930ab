#include "iso/iso_image.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <system_error>
#include <utility>

#include "platform/file_io.h"
#include "platform/regular_file.h"

namespace rondivo::iso {

namespace fs = std::filesystem;

namespace {

void refuse(IsoImage& session, std::string message) {
    if (session.refusal.empty()) session.refusal = std::move(message);
}

// Bytes that are not UTF-8 are shown as "\xE9": never guessed at.
std::string inQuotes(std::string_view p) {
    // Appending rather than operator+ chains: GCC 12 warns falsely (-Wrestrict) on those.
    std::string out(1, '"');
    out += escapeInvalidUtf8(p);
    out += '"';
    return out;
}

std::string errnoText(int err) {
    return std::generic_category().message(err);
}

// A name without an extension gets no "." in the Joliet tree: readers show
// the long name as it is (the ISO 9660 name keeps its "." as required).
std::u16string fileNameWithVersion(std::u16string_view wide) {
    std::u16string name;
    name.reserve(wide.size() + 2);
    name = wide;
    name += u";1";
    return name;
}

// Characters Windows cannot have in a name (and that an extracting reader
// would take as a path or drive) become "_", as other mastering tools do.
bool replaceForbidden(std::u16string& name) {
    bool changed = false;
    for (auto& c : name) {
        if (c >= 0x60) continue;  // above every forbidden character, as most letters are
        if (c < 0x20 || std::u16string_view(u"*/:;?\\").find(c) != std::u16string_view::npos) {
            c = u'_';
            changed = true;
        }
    }
    return changed;
}

// A replaced name must not take the place of another file: "x:a.txt" beside
// "x_a.txt" becomes "x_a_1.txt". `name` holds no ";1".
std::u16string numbered(std::u16string_view name, bool directory, int n) {
    std::size_t dot = directory ? std::u16string_view::npos : name.rfind(u'.');
    // Appending rather than operator+ chains: GCC 12 warns falsely (-Wrestrict) on those.
    std::u16string out(name.substr(0, dot));
    out += u'_';
    for (char c : std::to_string(n)) out += static_cast<char16_t>(c);
    if (dot != std::u16string_view::npos) out += name.substr(dot);
    return out;
}

// An entry with that name, ignoring letter case, exists (`name` is the new
// one's). The same source again is a repeated add and returns it, as does a
// folder of exactly the same name (adding a second folder into it). Names
// that differ only in letter case are refused: Windows takes them for one,
// so one would hide the other.
ImageEntry* existingChild(IsoImage& session, ImageEntry* existing, const SourceItem& item,
                          std::u16string_view name) {
    bool sameKind = (existing->dir != nullptr) == item.directory;
    const std::string& source = existing->dir ? existing->dir->source : existing->source;
    if (sameKind && (source == item.path || (item.directory && existing->jolietName == name)))
        return existing;
    std::string kinds = sameKind ? (item.directory ? "The folders " : "The files ") : "";
    std::string both = inQuotes(source) + " and " + inQuotes(item.path);
    if (existing->jolietName == name)
        refuse(session, kinds + both + " have the same name in one folder of the image.");
    else
        refuse(session,
               kinds + both + " differ only in letter case; Windows would see them as one.");
    return nullptr;
}

}  // namespace

std::size_t FoldedNameHash::operator()(std::u16string_view name) const {
    // FNV-1a over the folded characters.
    std::uint64_t h = 14695981039346656037ull;
    for (char16_t c : name) {
        h ^= upperCase16(c);
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

bool FoldedNameEqual::operator()(std::u16string_view a, std::u16string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && upperCase16(a[i]) != upperCase16(b[i])) return false;
    return true;
}

ImageTime imageTimeFromUnix(std::time_t t) {
    std::tm tm{};
    long gmtOffset = 0;
    ImageTime out;
    if (!platform::localTime(t, tm, gmtOffset)) return out;
    out.year = std::clamp(tm.tm_year + 1900, 1900, 2155);
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = std::min(tm.tm_sec, 59);
    out.gmtOffset = static_cast<std::int8_t>(std::clamp<long>(gmtOffset / 900, -48, 52));
    return out;
}

void clearImage(IsoImage& session) {
    session.entries.clear();
    session.dirs.clear();
    session.pathTable.clear();
    session.metadata.clear();
    session.metadata.shrink_to_fit();
    session.refusal.clear();
    session.notes.clear();
    session.folderName.clear();
    session.layout = {};
    session.layoutValid = false;
    auto root = std::make_unique<ImageDir>();
    root->parent = root.get();
    root->number = 1;
    session.root = root.get();
    session.dirs.push_back(std::move(root));
    session.pathTable.push_back(session.root);
    session.gmtOffset = imageTimeFromUnix(std::time(nullptr)).gmtOffset;
}

namespace {

// The first free numbered form of a replaced file name ("x_a_1.txt;1").
std::u16string freeNumberedName(const ImageDir& dir, std::u16string_view wide) {
    for (int n = 1;; ++n) {
        std::u16string joliet = fileNameWithVersion(numbered(wide, false, n));
        if (dir.index.find(std::u16string_view(joliet)) == dir.index.end()) return joliet;
    }
}

void noteNumbered(IsoImage& session, const std::string& path, std::u16string_view joliet) {
    session.notes.push_back(
        inQuotes(path) + " is named " + inQuotes(utf16ToUtf8(joliet.substr(0, joliet.size() - 2))) +
        " in the image: its name holds characters Windows does not allow, and the name with "
        "them replaced belongs to another file.");
}

// A file whose name needed no change meets one whose replaced name became
// the same: the name as typed is the one links use, so it goes to this file
// and the other moves on to a numbered name.
bool takeBackTypedName(IsoImage& session, ImageDir& dir, ImageEntry* other, bool replaced,
                       const SourceItem& item) {
    if (replaced || !other->nameReplaced || other->dir || other->source == item.path) return false;
    dir.index.erase(other);
    const std::u16string_view was(other->jolietName);
    other->jolietName = freeNumberedName(dir, was.substr(0, was.size() - 2));
    dir.index.insert(other);
    noteNumbered(session, other->source, other->jolietName);
    return true;
}

// What a desktop starts from the root of a medium: executable whatever the
// folder it came from said (a copy from Windows or a FAT drive has no modes).
bool isStartProgram(std::u16string_view name) {
    const std::u16string upper = upperCase16(name);
    return upper == u"AUTORUN.SH" || upper == u"AUTORUN.EXE";
}

}  // namespace

ImageEntry* addFile(IsoImage& session, ImageDir& dir, SourceItem item) {
    std::u16string wide = item.wide.empty() ? utf8ToUtf16(item.name) : std::move(item.wide);
    bool replaced = replaceForbidden(wide);
    std::u16string joliet = fileNameWithVersion(wide);
    std::string typedIsoName;
    for (int n = 1;; ++n) {
        auto found = dir.index.find(std::u16string_view(joliet));
        if (found == dir.index.end()) break;
        ImageEntry* other = *found;
        if (takeBackTypedName(session, dir, other, replaced, item)) {
            // The ISO 9660 name goes along with the Joliet one.
            typedIsoName = std::move(other->isoName);
            other->isoName.clear();
            break;
        }
        if (other->source == item.path || !(replaced || other->nameReplaced))
            return existingChild(session, other, item, joliet);
        joliet = fileNameWithVersion(numbered(wide, false, n));
    }
    if (replaced) {
        if (joliet.size() - 2 != wide.size()) noteNumbered(session, item.path, joliet);
        wide = joliet.substr(0, joliet.size() - 2);
    }
    if (joliet.size() > kMaxJolietChars) {
        refuse(session, "The name of " + inQuotes(item.path) + " is longer than " +
                            std::to_string(kMaxJolietChars - 2) +
                            " characters, which some disc readers cut; shorten it.");
        return nullptr;
    }
    if (item.size > kMaxFileSize) {
        refuse(session, inQuotes(item.path) + " is 4 GB or larger; a disc image cannot hold it.");
        return nullptr;
    }
    if (session.entries.size() >= kMaxEntries) {
        refuse(session, "More than " + std::to_string(kMaxEntries) + " files and folders.");
        return nullptr;
    }
    auto entry = std::make_unique<ImageEntry>();
    std::string iso = dir.shortNames.assign(wide, false);
    if (iso.find('.') == std::string::npos) iso += '.';
    entry->isoName = iso + ";1";
    if (!typedIsoName.empty()) {
        // The file that gave up its name takes the short name just made.
        for (ImageEntry* e : dir.children)
            if (e->isoName.empty()) e->isoName = std::move(entry->isoName);
        entry->isoName = std::move(typedIsoName);
    }
    entry->jolietName = std::move(joliet);
    entry->nameReplaced = replaced;
    entry->source = std::move(item.path);
    entry->time = imageTimeFromUnix(item.modified);
    entry->size = item.size;
    entry->attributes = item.hidden ? kAttributeHidden : 0;
    entry->executable = item.executable || (&dir == session.root && isStartProgram(wide));
    ImageEntry* raw = entry.get();
    dir.children.push_back(raw);
    dir.index.insert(raw);
    session.entries.push_back(std::move(entry));
    session.layoutValid = false;
    return raw;
}

ImageDir* addSubdirectory(IsoImage& session, ImageDir& parent, const SourceItem& item) {
    const std::u16string given = item.wide.empty() ? utf8ToUtf16(item.name) : item.wide;
    std::u16string name = given;
    bool replaced = replaceForbidden(name);
    for (int n = 1;; ++n) {
        auto found = parent.index.find(std::u16string_view(name));
        if (found == parent.index.end()) break;
        // A replaced name that meets another folder or file gets a number,
        // unless it is the same folder added again.
        const ImageEntry* other = *found;
        const bool again = other->dir && other->dir->source == item.path;
        if (!again && (replaced || other->nameReplaced)) {
            name = numbered(given, true, n);
            replaceForbidden(name);
            continue;
        }
        ImageEntry* existing = existingChild(session, *found, item, name);
        return existing ? existing->dir : nullptr;
    }
    if (name.size() > kMaxJolietChars) {
        refuse(session, "The name of the folder " + inQuotes(item.path) + " is longer than " +
                            std::to_string(kMaxJolietChars) +
                            " characters, which some disc readers cut; shorten it.");
        return nullptr;
    }
    if (session.dirs.size() >= kMaxDirectories || session.entries.size() >= kMaxEntries) {
        refuse(session, "More than " + std::to_string(kMaxDirectories) + " folders or " +
                            std::to_string(kMaxEntries) + " files and folders.");
        return nullptr;
    }
    auto dir = std::make_unique<ImageDir>();
    dir->parent = &parent;
    dir->longName = name;
    dir->source = item.path;
    dir->isoName = parent.shortNames.assign(name, true);

    auto entry = std::make_unique<ImageEntry>();
    entry->isoName = dir->isoName;
    entry->jolietName = std::move(name);
    entry->nameReplaced = replaced;
    entry->time = imageTimeFromUnix(item.modified);
    entry->attributes = kAttributeDirectory | (item.hidden ? kAttributeHidden : 0);
    entry->dir = dir.get();

    ImageDir* raw = dir.get();
    parent.children.push_back(entry.get());
    parent.index.insert(entry.get());
    session.entries.push_back(std::move(entry));
    session.dirs.push_back(std::move(dir));
    session.layoutValid = false;
    return raw;
}

ImageDir* findDirectory(const IsoImage& session, std::string_view imagePath) {
    ImageDir* dir = session.root;
    std::size_t pos = 0;
    while (dir && pos < imagePath.size()) {
        std::size_t next = imagePath.find_first_of("\\/", pos);
        if (next == std::string_view::npos) next = imagePath.size();
        std::string_view part = imagePath.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) continue;
        std::u16string name = utf8ToUtf16(part);
        auto found = dir->index.find(std::u16string_view(name));
        dir = (found != dir->index.end() && (*found)->dir) ? (*found)->dir : nullptr;
    }
    return dir;
}

namespace {

// Files under /proc and /sys list a size of 0 and still have contents.
bool readsAsNonEmpty(const std::string& path) {
    const int fd = platform::openRegularFile(platform::u8path(path));
    if (fd < 0) return false;
    char byte = 0;
    const long got = platform::readSome(fd, &byte, 1);
    platform::closeFile(fd);
    return got > 0;
}

struct FolderWalk {
    IsoImage& session;
    std::string pattern;
    bool recurse;
    // The walked folder with every link resolved, to tell links leading out of it.
    fs::path real;
    // Folders being walked, to stop at a symbolic link that loops back.
    std::set<platform::FileIdentity> open;

    void note(const std::string& path, std::string_view what) {
        std::string text = inQuotes(path);
        text += ' ';
        text += what;
        session.notes.push_back(std::move(text));
    }

    // A link is followed; one whose target lies outside the walked folder
    // is listed, since that file is not where the author may think it is.
    void noteOutside(const std::string& path) {
        std::error_code ec;
        const fs::path target = fs::canonical(platform::u8path(path), ec);
        if (ec || real.empty()) return;
        auto [r, t] = std::mismatch(real.begin(), real.end(), target.begin(), target.end());
        if (r == real.end()) return;  // below the walked folder
        note(path,
             "points outside the folder: taken from " + inQuotes(platform::u8string(target)) + ".");
    }

    bool matches(const std::string& name) const {
        if (pattern == "*.*" || pattern == "*" || pattern.empty()) return true;
        return platform::wildcardMatch(pattern, name);
    }

    // The entries of a folder in name order, ignoring letter case first.
    // `order` receives the indices of `items` in name order.
    bool list(const std::string& folder, std::vector<SourceItem>& items,
              std::vector<std::size_t>& order) {
        std::vector<platform::FolderEntry> found;
        if (!platform::listFolder(platform::u8path(folder), found)) {
            refuse(session,
                   "Cannot read the folder " + inQuotes(folder) + ": " + errnoText(errno) + ".");
            return false;
        }

        items.reserve(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            std::string path = folder;
            path += '/';
            path += found[i].name;
            const int error = found[i].error;
            if (error != 0 && found[i].isLink && (error == ENOENT || error == ENOTDIR)) {
                note(path, "is a link to nothing: left out.");
                continue;
            }
            if (error != 0 && found[i].isLink && error == ELOOP) {
                note(path, "is a link that loops: left out.");
                continue;
            }
            if (error != 0) {
                refuse(session, "Cannot read " + inQuotes(path) + ": " + errnoText(error) + ".");
                continue;
            }
            // Pipes, sockets and devices have no contents to put on a disc:
            // reading a FIFO would wait for ever, a device might never end.
            if (!found[i].isFile && !found[i].isFolder) {
                if (matches(found[i].name))
                    note(path, std::string("is ") + platform::specialFileKind(found[i].type) +
                                   ": left out.");
                continue;
            }
            // Taken as Latin-1, the name would come out different from the one
            // the author's pages use.
            if (!isValidUtf8(found[i].name)) {
                refuse(session, "The name of " + inQuotes(path) + " is not UTF-8 text; rename it.");
                continue;
            }
            if (found[i].isFile && found[i].size == 0 && matches(found[i].name) &&
                readsAsNonEmpty(path))
                note(path,
                     "has contents though its size is 0 (the system makes them as it is read): "
                     "it is empty in the image.");
            SourceItem item;
            item.link = found[i].isLink;
            item.directory = found[i].isFolder;
            item.size = item.directory ? 0 : found[i].size;
            item.modified = found[i].modified;
            item.hidden = found[i].name[0] == '.';
            item.executable = found[i].executable;
            item.path = std::move(path);
            item.name = std::move(found[i].name);
            items.push_back(std::move(item));
        }
        // Byte order of UTF-8 is code point order; letter case is folded
        // for ASCII only, which is enough for a stable, readable order. Eight
        // folded bytes from where the names start to differ ("IMG_0001",
        // "IMG_0002": from the "0"), packed into a number, settle most
        // comparisons without touching the names.
        auto fold = [](unsigned char c) {
            return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        };
        std::size_t common = items.empty() ? 0 : items[0].name.size();
        for (std::size_t i = 1; i < items.size() && common > 0; ++i) {
            const std::string& a = items[0].name;
            const std::string& b = items[i].name;
            std::size_t k = 0;
            std::size_t n = std::min(common, b.size());
            while (k < n &&
                   fold(static_cast<unsigned char>(a[k])) == fold(static_cast<unsigned char>(b[k])))
                ++k;
            common = k;
        }
        std::vector<std::pair<std::uint64_t, std::size_t>> keys(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::string& name = items[i].name;
            std::uint64_t prefix = 0;
            for (std::size_t k = common; k < common + 8; ++k)
                prefix = (prefix << 8) |
                         (k < name.size() ? fold(static_cast<unsigned char>(name[k])) : 0);
            keys[i] = {prefix, i};
        }
        std::sort(keys.begin(), keys.end(), [&](const auto& x, const auto& y) {
            if (x.first != y.first) return x.first < y.first;
            const std::string& a = items[x.second].name;
            const std::string& b = items[y.second].name;
            std::size_t n = std::min(a.size(), b.size());
            for (std::size_t i = 0; i < n; ++i) {
                unsigned char ca = fold(static_cast<unsigned char>(a[i]));
                unsigned char cb = fold(static_cast<unsigned char>(b[i]));
                if (ca != cb) return ca < cb;
            }
            if (a.size() != b.size()) return a.size() < b.size();
            return a < b;
        });
        order.resize(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].second;
        return true;
    }

    // The identity of a folder about to be walked; false (with a refusal)
    // when it cannot be looked at.
    bool identify(const std::string& folder, platform::FileIdentity& id) {
        if (platform::fileIdentity(platform::u8path(folder), id)) return true;
        refuse(session,
               "Cannot read the folder " + inQuotes(folder) + ": " + errnoText(errno) + ".");
        return false;
    }

    void walk(ImageDir& target, const std::string& folder, const platform::FileIdentity& id) {
        open.insert(id);
        std::vector<SourceItem> items;
        std::vector<std::size_t> order;
        if (list(folder, items, order)) {
            target.index.reserve(target.index.size() + items.size());
            target.shortNames.reserve(items.size());
            if (recurse) {
                for (std::size_t i : order) {
                    if (!items[i].directory) continue;
                    platform::FileIdentity sub;
                    if (!identify(items[i].path, sub)) continue;
                    // A link back to a folder being walked would repeat it without end.
                    if (open.count(sub)) {
                        note(items[i].path, "leads back to a folder it is in: left out.");
                        continue;
                    }
                    if (items[i].link) noteOutside(items[i].path);
                    if (ImageDir* dir = addSubdirectory(session, target, items[i]))
                        walk(*dir, items[i].path, sub);
                }
            }
            for (std::size_t i : order) {
                if (items[i].directory || !matches(items[i].name)) continue;
                if (items[i].link) noteOutside(items[i].path);
                addFile(session, target, std::move(items[i]));
            }
        }
        open.erase(id);
    }
};

}  // namespace

ImageDir* addFolder(IsoImage& session, std::string_view target, const fs::path& folder,
                    std::string_view pattern, bool recurse) {
    if (!session.root) clearImage(session);
    ImageDir* dir = findDirectory(session, target);
    if (!dir) return nullptr;
    std::string text = folder.string();
    if (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
    FolderWalk walk{session, std::string(pattern), recurse, {}, {}};
    platform::FileIdentity id;
    if (!walk.identify(text, id)) return dir;
    std::error_code ec;
    walk.real = fs::canonical(folder, ec);
    if (dir == session.root && session.folderName.empty())
        session.folderName =
            platform::u8string((walk.real.empty() ? platform::u8path(text) : walk.real).filename());
    walk.walk(*dir, text, id);
    return dir;
}

void setVolumeLabel(IsoImage& session, std::string_view text) {
    // Cut at a character boundary so the 8-bit label stays valid UTF-8.
    std::size_t bytes = std::min(text.size(), kMaxLabelBytes);
    while (bytes > 0 && bytes < text.size() &&
           (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    session.label = std::string(text.substr(0, bytes));
    session.jolietLabel = utf8ToUtf16(session.label);
    if (session.jolietLabel.size() > kMaxLabelChars) session.jolietLabel.resize(kMaxLabelChars);
}

namespace {

std::string_view labelText(const IsoImage& session) {
    std::string_view text = session.label.empty() ? session.folderName : session.label;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

std::string volumeIdentifier(const IsoImage& session) {
    std::string out;
    // Letters are upper-cased; every other character, a space or "é" as
    // much as a "-", becomes one "_".
    for (char16_t c : utf8ToUtf16(labelText(session))) {
        if (out.size() == kMaxVolumeIdChars) break;
        if (c >= 0xDC00 && c <= 0xDFFF) continue;  // the second half of a pair
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
        bool d = (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
        out += d ? static_cast<char>(c) : '_';
    }
    return out;
}

std::u16string jolietVolumeIdentifier(const IsoImage& session) {
    std::u16string text =
        session.label.empty() ? utf8ToUtf16(labelText(session)) : session.jolietLabel;
    if (text.size() > kMaxJolietLabelChars) text.resize(kMaxJolietLabelChars);
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
    return text;
}

namespace {
std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return text;
}
}  // namespace

// Windows shows the Joliet label: only a label cut there is worth a note in
// every list. The ISO 9660 side (d-characters) is said by labelFilteringNote.
void noteVolumeLabel(IsoImage& session) {
    if (session.label.empty()) return;
    const std::u16string joliet = jolietVolumeIdentifier(session);
    if (joliet.size() >= utf8ToUtf16(session.label).size()) return;
    std::string text = "Volume label " + inQuotes(session.label) + " was written as " +
                       inQuotes(volumeIdentifier(session)) + " (Windows shows " +
                       inQuotes(utf16ToUtf8(joliet)) + ").";
    if (std::find(session.notes.begin(), session.notes.end(), text) == session.notes.end())
        session.notes.push_back(std::move(text));
}

std::string labelFilteringNote(const IsoImage& session) {
    if (session.label.empty()) return {};
    const std::string written = volumeIdentifier(session);
    const bool jolietCut =
        jolietVolumeIdentifier(session).size() < utf8ToUtf16(session.label).size();
    // Upper-casing alone is no change worth telling; a cut label has its note.
    if (written == upperAscii(session.label) || jolietCut) return {};
    return "Volume label " + inQuotes(session.label) + " was written as " + inQuotes(written) +
           " in the ISO 9660 names.";
}

}  // namespace rondivo::iso
