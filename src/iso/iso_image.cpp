#include "iso/iso_image.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <system_error>
#include <utility>

#include "platform/file_io.h"

namespace rondivo::burn {

namespace fs = std::filesystem;

namespace {

void refuse(IsoImage& session, std::string message) {
    if (session.refusal.empty()) session.refusal = std::move(message);
}

std::string inQuotes(std::string_view p) {
    // Appending rather than operator+ chains: GCC 12 warns falsely (-Wrestrict) on those.
    std::string out(1, '"');
    out += p;
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

// An entry with that name exists: the same source again is a repeated add
// and returns it; a different one would hide a file, so it is refused.
ImageEntry* existingChild(IsoImage& session, ImageEntry* existing, const SourceItem& item) {
    bool sameKind = (existing->dir != nullptr) == item.directory;
    if (sameKind && (item.directory || existing->source == item.path)) return existing;
    std::string other = existing->dir ? "a folder" : inQuotes(existing->source);
    refuse(session, inQuotes(item.path) + " and " + other +
                        " have names that differ only in letter case; one folder on a disc "
                        "cannot hold both.");
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

ImageEntry* addFile(IsoImage& session, ImageDir& dir, SourceItem item) {
    std::u16string wide = item.wide.empty() ? utf8ToUtf16(item.name) : std::move(item.wide);
    bool replaced = replaceForbidden(wide);
    std::u16string joliet = fileNameWithVersion(wide);
    for (int n = 1;; ++n) {
        auto found = dir.index.find(std::u16string_view(joliet));
        if (found == dir.index.end()) break;
        if ((*found)->source == item.path || !(replaced || (*found)->nameReplaced))
            return existingChild(session, *found, item);
        joliet = fileNameWithVersion(numbered(wide, false, n));
    }
    if (replaced) wide = joliet.substr(0, joliet.size() - 2);
    if (joliet.size() > kMaxJolietChars) {
        refuse(session, "The name of " + inQuotes(item.path) + " is longer than " +
                            std::to_string(kMaxJolietChars - 2) + " characters.");
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
    entry->jolietName = std::move(joliet);
    entry->nameReplaced = replaced;
    entry->source = std::move(item.path);
    entry->time = imageTimeFromUnix(item.modified);
    entry->size = item.size;
    entry->attributes = item.hidden ? kAttributeHidden : 0;
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
        // Folders of one name are one folder, as before; a file is never hidden.
        if (!(*found)->dir && (replaced || (*found)->nameReplaced)) {
            name = numbered(given, true, n);
            replaceForbidden(name);
            continue;
        }
        ImageEntry* existing = existingChild(session, *found, item);
        return existing ? existing->dir : nullptr;
    }
    if (name.size() > kMaxJolietChars) {
        refuse(session, "The name of the folder " + inQuotes(item.path) + " is longer than " +
                            std::to_string(kMaxJolietChars) + " characters.");
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

struct FolderWalk {
    IsoImage& session;
    std::string pattern;
    bool recurse;
    // Folders being walked, to stop at a symbolic link that loops back.
    std::set<platform::FileIdentity> open;

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
            if (found[i].error != 0) {
                refuse(session,
                       "Cannot read " + inQuotes(path) + ": " + errnoText(found[i].error) + ".");
                continue;
            }
            // Pipes, sockets and devices have no contents to put on a disc.
            if (!found[i].isFile && !found[i].isFolder) continue;
            SourceItem item;
            item.directory = found[i].isFolder;
            item.size = item.directory ? 0 : found[i].size;
            item.modified = found[i].modified;
            item.hidden = found[i].name[0] == '.';
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

    void walk(ImageDir& target, const std::string& folder) {
        platform::FileIdentity id;
        if (!platform::fileIdentity(platform::u8path(folder), id)) {
            refuse(session,
                   "Cannot read the folder " + inQuotes(folder) + ": " + errnoText(errno) + ".");
            return;
        }
        if (!open.insert(id).second) {
            refuse(session, "The folder " + inQuotes(folder) + " contains itself through a link.");
            return;
        }
        std::vector<SourceItem> items;
        std::vector<std::size_t> order;
        if (list(folder, items, order)) {
            target.index.reserve(target.index.size() + items.size());
            target.shortNames.reserve(items.size());
            if (recurse) {
                for (std::size_t i : order) {
                    if (!items[i].directory) continue;
                    if (ImageDir* sub = addSubdirectory(session, target, items[i]))
                        walk(*sub, items[i].path);
                }
            }
            for (std::size_t i : order)
                if (!items[i].directory && matches(items[i].name))
                    addFile(session, target, std::move(items[i]));
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
    FolderWalk walk{session, std::string(pattern), recurse, {}};
    walk.walk(*dir, text);
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

}  // namespace rondivo::burn
