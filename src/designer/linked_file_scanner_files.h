#pragma once
// What the linked-file scanner's page reading and its absolute-link repair
// share: links as paths, and files as the scanner sees them.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/file_io.h"

namespace rondivo::scanner_files {

namespace fs = std::filesystem;

inline bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A link as a path below a folder: "\" becomes "/", and a leading slash is
// taken relative to the folder, as Windows does when it joins "C:\site\" and
// "\pics\a.jpg". The text is UTF-8, whatever the system's code page.
inline fs::path linkPath(std::string_view link) {
    std::string s(link);
    std::replace(s.begin(), s.end(), '\\', '/');
    std::size_t first = s.find_first_not_of('/');
    return platform::u8path(first == std::string::npos ? std::string_view()
                                                       : std::string_view(s).substr(first));
}

// "C:\pics\a.jpg" names no file below the page's folder: such links are
// left to the absolute-link repair. Joined to a folder on Windows it would
// name the author's own file, which must never count as already copied.
inline bool namesDrive(std::string_view link) {
    return link.size() >= 2 && link[1] == ':' &&
           ((link[0] >= 'a' && link[0] <= 'z') || (link[0] >= 'A' && link[0] <= 'Z'));
}

// "Exists" for pages and destinations: a file that can be opened for reading.
inline bool canOpen(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return false;
    std::ifstream in(p, std::ios::binary);
    return static_cast<bool>(in);
}

inline bool readWhole(const fs::path& p, std::string& text) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// Path macros name folders of the user's machine, never files of the disc.
inline bool namesMachineFolder(std::string_view lowerLink) {
    for (std::string_view macro :
         {"{desktop}", "{programfiles}", "{system}", "{windows}", "{root}"})
        if (contains(lowerLink, macro)) return true;
    return false;
}

}  // namespace rondivo::scanner_files
