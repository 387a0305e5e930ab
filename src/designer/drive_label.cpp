// The file-system rules of a removable drive: its label and file-size limits.
#include <cstring>

#include "designer/drive_copy.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo {

namespace {

// UTF-16 code units of a UTF-8 sequence starting with `lead`.
std::size_t utf16Units(unsigned char lead) {
    return lead >= 0xF0 ? 2 : 1;
}

std::size_t sequenceLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// At most `limit` UTF-16 units (or bytes), cut at a character boundary.
std::string cutAt(std::string_view text, std::size_t limit, bool countBytes, bool& shortened) {
    std::string out;
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t len = std::min(sequenceLength(lead), text.size() - i);
        const std::size_t cost = countBytes ? len : utf16Units(lead);
        if (used + cost > limit) {
            shortened = true;
            break;
        }
        out.append(text.substr(i, len));
        used += cost;
        i += len;
    }
    return out;
}

void trimBlanks(std::string& s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
}

// FAT keeps its label in the DOS code page, in upper case, without the
// characters DOS file names refuse.
std::string fatLabel(std::string_view wanted, bool& altered) {
    std::string out;
    for (std::size_t i = 0; i < wanted.size();) {
        const auto c = static_cast<unsigned char>(wanted[i]);
        if (c >= 0x80) {
            i += std::max<std::size_t>(1, std::min(sequenceLength(c), wanted.size() - i));
            out.push_back('_');
            altered = true;
            continue;
        }
        char next = static_cast<char>(c);
        if (c < 0x20 || std::strchr("\"*+,./:;<=>?[\\]|", next)) next = '_';
        if (next >= 'a' && next <= 'z') next = static_cast<char>(next - 'a' + 'A');
        if (next != static_cast<char>(c)) altered = true;
        out.push_back(next);
        ++i;
    }
    return out;
}

}  // namespace

DriveFileSystem driveFileSystem(std::string_view name) {
    const std::string n = platform::toLower(std::string(name));
    if (n == "vfat" || n == "msdos" || n == "fat" || n == "fat12" || n == "fat16" || n == "fat32")
        return DriveFileSystem::Fat;
    if (n == "exfat") return DriveFileSystem::ExFat;
    if (n == "ntfs" || n == "ntfs3") return DriveFileSystem::Ntfs;
    return DriveFileSystem::Other;
}

DriveLabel fitDriveLabel(std::string_view wanted, std::string_view fileSystem) {
    DriveLabel label;
    std::string text(wanted);
    trimBlanks(text);
    const std::string type = platform::toLower(std::string(fileSystem));
    switch (driveFileSystem(fileSystem)) {
        case DriveFileSystem::Fat:
            text = cutAt(fatLabel(text, label.altered), 11, true, label.shortened);
            break;
        case DriveFileSystem::ExFat:
            text = cutAt(text, 15, false, label.shortened);
            break;
        case DriveFileSystem::Ntfs:
            text = cutAt(text, 32, false, label.shortened);
            break;
        case DriveFileSystem::Other:
            if (type == "ext2" || type == "ext3" || type == "ext4")
                text = cutAt(text, 16, true, label.shortened);
            break;
    }
    trimBlanks(text);
    label.text = text;
    return label;
}

std::string driveLabelNote(std::string_view wanted, const DriveLabel& label,
                           std::string_view fileSystem) {
    if (!label.shortened && !label.altered) return {};
    std::string rule;
    switch (driveFileSystem(fileSystem)) {
        case DriveFileSystem::Fat:
            rule =
                "a FAT drive's label holds 11 characters in upper case, and no . , ; : or "
                "the like";
            break;
        case DriveFileSystem::ExFat:
            rule = "an exFAT drive's label holds 15 characters";
            break;
        case DriveFileSystem::Ntfs:
            rule = "an NTFS drive's label holds 32 characters";
            break;
        case DriveFileSystem::Other:
            rule = "the drive's label holds 16 characters";
            break;
    }
    return "The drive's label is \"" + label.text + "\" instead of \"" + std::string(wanted) +
           "\": " + rule + ".";
}

std::string driveLabelFromFolder(const std::filesystem::path& folder) {
    std::filesystem::path f = folder.has_filename() ? folder : folder.parent_path();
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(f, ec);
    return platform::u8string((ec ? f : real).filename());
}

}  // namespace rondivo
