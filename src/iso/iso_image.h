#pragma once
// The image as an in-memory tree: directories, entries, the volume label and
// the results of the layout. The tree is built from folders on disk, laid
// out (iso_layout.h), and turned into metadata bytes (iso_metadata.h); the
// writing engine then streams the metadata and the files.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "iso/iso_names.h"

namespace rondivo::iso {

inline constexpr std::size_t kMaxEntries = 200000;
inline constexpr std::size_t kMaxDirectories = 65000;
// A Joliet record holds 33 bytes plus the name and must fit in 255 bytes
// (110 characters), but libarchive's reader keeps only the first 103
// characters of a name, ";1" included: a longer file name comes back cut or
// ending in ";". Names stay within what every reader keeps.
inline constexpr std::size_t kMaxJolietChars = 103;
// Sizes are recorded in 32 bits.
inline constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;
// The 8-bit label lives in a 96-byte field, the 16-bit one in 32 characters.
inline constexpr std::size_t kMaxLabelBytes = 95;
inline constexpr std::size_t kMaxLabelChars = 31;
// The primary descriptor's volume identifier: d-characters only.
inline constexpr std::size_t kMaxVolumeIdChars = 32;
// The supplementary descriptor holds 16 characters of the readable label.
inline constexpr std::size_t kMaxJolietLabelChars = 16;
inline constexpr std::uint32_t kFirstDataSectorMinimum = 150;

// Windows attribute bits kept for each entry; only these two matter.
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;

// Local time of the source's last change, with the offset from GMT in
// 15-minute units that was in effect at that moment.
struct ImageTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    std::int8_t gmtOffset = 0;
};
ImageTime imageTimeFromUnix(std::time_t t);

struct ImageDir;

struct ImageEntry {
    std::string isoName;        // upper case, with "." and ";1" for files
    std::u16string jolietName;  // long name, with "." and ";1" for files
    std::string source;         // path on disk; empty for a subdirectory
    ImageTime time;
    std::uint64_t size = 0;
    std::uint32_t dataSector = 0;  // relative to the first data sector; 0 when empty
    std::uint32_t attributes = 0;
    ImageDir* dir = nullptr;    // set for a subdirectory
    bool nameReplaced = false;  // characters Joliet forbids were replaced
    bool executable = false;    // a program: Rock Ridge gives it mode 0555
};

// Children looked up by Joliet name without regard to letter case, folding
// as they are compared: the index holds no second copy of every name.
struct FoldedNameHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view name) const;
    std::size_t operator()(const ImageEntry* entry) const { return (*this)(entry->jolietName); }
};
struct FoldedNameEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
    bool operator()(const ImageEntry* a, const ImageEntry* b) const {
        return (*this)(a->jolietName, b->jolietName);
    }
    bool operator()(std::u16string_view a, const ImageEntry* b) const {
        return (*this)(a, b->jolietName);
    }
    bool operator()(const ImageEntry* a, std::u16string_view b) const {
        return (*this)(a->jolietName, b);
    }
};

struct ImageDir {
    ImageDir* parent = nullptr;  // the root is its own parent
    std::u16string longName;
    std::string isoName;
    std::uint32_t isoSize = 0;  // bytes, whole sectors
    std::uint32_t jolietSize = 0;
    std::uint32_t isoSector = 0;  // relative to the first ISO directory sector
    std::uint32_t jolietSector = 0;
    std::uint16_t number = 0;           // 1-based position in path-table order
    std::vector<ImageEntry*> children;  // in the order they were added
    std::string source;                 // the folder on disk it was made from

    // Lookup by Joliet name, so that adding N children costs N, not N².
    std::unordered_set<ImageEntry*, FoldedNameHash, FoldedNameEqual> index;
    ShortNameTable shortNames;
};

// Every sector number relative to the start of the image.
struct ImageLayout {
    std::uint32_t isoPathTableBytes = 0;
    std::uint32_t jolietPathTableBytes = 0;
    std::uint32_t isoLTable = 0, isoMTable = 0;
    std::uint32_t jolietLTable = 0, jolietMTable = 0;
    std::uint32_t isoDirStart = 0, isoDirSectors = 0;
    std::uint32_t jolietDirStart = 0, jolietDirSectors = 0;
    std::uint32_t firstDataSector = 0;
    std::uint32_t dataSectors = 0;
    std::uint32_t volumeSize = 0;
    std::uint32_t paddingSectors = 0;
    // Rock Ridge continuation areas, after the ISO 9660 directories.
    std::uint32_t rockRidgeStart = 0, rockRidgeSectors = 0;
};

// Status values shared with the writing engine.
enum BurnStatus : std::uint16_t {
    kStatusIdle = 0,
    kStatusWriting = 1,
    kStatusLastBlock = 4,
    kStatusWriteFailed = 8,
    kStatusLayout = 5,
};

// Error codes shared with the writing engine.
enum BurnError : int {
    kErrorNone = 0,
    kErrorNoLayout = 1,
    kErrorSourceFile = 2,
    kErrorImageFile = 3,
};

// The image model: the tree, its names and layout, and the metadata; the
// engine also keeps its status here while it writes the image.
struct IsoImage {
    std::vector<std::unique_ptr<ImageEntry>> entries;  // creation order
    std::vector<std::unique_ptr<ImageDir>> dirs;       // creation order, root first
    std::vector<ImageDir*> pathTable;                  // path-table order, root first
    ImageDir* root = nullptr;

    std::string label;           // 8-bit, as set
    std::u16string jolietLabel;  // at most kMaxLabelChars
    // The name of the folder the root was filled from: the label when none is set.
    std::string folderName;

    // Rock Ridge in the ISO 9660 records (modes, long names, times) for
    // Linux; the Joliet hierarchy stays as it is.
    bool rockRidge = true;

    ImageLayout layout;
    std::uint32_t sessionStart = 0;
    std::int8_t gmtOffset = 0;  // of the present moment
    // When the image was laid out: the volume's creation and modification
    // date, so a save and a burn of one layout give the same bytes.
    ImageTime created;
    std::vector<std::uint8_t> metadata;
    bool layoutValid = false;

    // Why the tree cannot be made into an image (a file too large, a name
    // too long, too many entries, an unreadable folder); empty when it can.
    // Nothing is written while this is set.
    std::string refusal;
    // What the image holds differently from the folder, though it can be
    // made: entries left out, links taken from outside, the label as
    // written. Shown with the outcome of the save or burn.
    std::vector<std::string> notes;

    std::atomic<std::uint16_t> status{kStatusIdle};
    std::atomic<int> errorCode{kErrorNone};
};

// Frees the tree, the notes and the metadata, starts a new empty root. The label stays.
void clearImage(IsoImage& session);

// Adds the contents of `folder` below the image directory `target` ("\\" is
// the root, "\\a\\b" below it): subdirectories depth first (with `recurse`),
// then the files matching `pattern` ("*.*" matches every name). Hidden files
// are included. Entries are taken in name order, as Windows lists an NTFS
// folder, so the image does not depend on the order of a Linux directory.
// Returns the directory that received the files, or nullptr when `target`
// does not exist. Problems that would make the image wrong are recorded in
// `session.refusal`: names that differ only in letter case, names that are
// not UTF-8 or too long, unreadable entries. FIFOs, sockets, devices and
// links that lead nowhere or back into their own folder are never opened:
// they are left out and listed in `session.notes`, as are links whose
// target lies outside `folder` (followed: authors link large files from
// elsewhere).
ImageDir* addFolder(IsoImage& session, std::string_view target, const std::filesystem::path& folder,
                    std::string_view pattern, bool recurse);

// One file or folder found on disk.
struct SourceItem {
    std::string name;     // as the file system gives it (UTF-8)
    std::u16string wide;  // the name in 16-bit characters; made from `name` when empty
    std::string path;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    bool directory = false;
    bool hidden = false;
    bool link = false;  // reached through a symbolic link
    bool executable = false;
};

// Adds a file to `dir`; returns the existing entry when the same name is
// there already. nullptr (with a refusal) when it cannot be held.
ImageEntry* addFile(IsoImage& session, ImageDir& dir, SourceItem item);
// Adds (or finds) a subdirectory of `parent`.
ImageDir* addSubdirectory(IsoImage& session, ImageDir& parent, const SourceItem& item);

ImageDir* findDirectory(const IsoImage& session, std::string_view imagePath);

// Sets the label; longer text is cut to what the fields hold. Empty text
// clears both forms.
void setVolumeLabel(IsoImage& session, std::string_view text);

// The labels the descriptors carry: the label, or the folder's name when
// none is set; d-characters ("My Disc 2" -> "MY_DISC_2") for the primary
// one, the readable text for the Joliet one.
std::string volumeIdentifier(const IsoImage& session);
std::u16string jolietVolumeIdentifier(const IsoImage& session);
// Adds a note when the label as set had to be written differently.
void noteVolumeLabel(IsoImage& session);
// For the command line: how the label was made into d-characters, when that
// changed more than letter case; empty otherwise.
std::string labelFilteringNote(const IsoImage& session);

}  // namespace rondivo::iso
