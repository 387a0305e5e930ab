#pragma once
// Where the Menu Creator keeps a menu: a folder of its own under "menus" in
// the program folder it works in, holding the page and every file the page
// links by a relative address. The designer copies a page's whole folder onto
// the disc, so a menu saved among the templates and demos in html/ would take
// all of them along; a menu in its own folder takes only what it needs.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo::menucreator {

inline constexpr char kMenusFolderName[] = "menus";

// Where a menu saved as `fileName` ("My Menu.html") is written. `openedFrom`
// is the folder of the page the author opened, empty for a new menu. A page
// opened from a folder of the author's own is saved back there; a new menu,
// or one opened from html/ or another menu's folder, gets a folder of its own,
// <programFolder>/menus/<name>/, and in it the name the disc gives the page
// (blanks as "_"), so that copying the folder does not bring a second copy.
std::filesystem::path menuSavePath(const std::filesystem::path& programFolder,
                                   const std::filesystem::path& openedFrom,
                                   std::string_view fileName);

// The files a page names by relative address, decoded and without query or
// fragment: pictures, sounds, style sheets, other pages, and the files of
// "run" and "copy" action links. Web, mail and script addresses, absolute
// paths, path macros and anything that leads out of the page's folder ("..")
// are left out.
std::vector<std::string> relativeLinks(std::string_view page);

struct LinkedCopyReport {
    std::vector<std::string> copied;  // relative paths, in the order found
    std::vector<std::string> failed;  // files that are there but could not be copied
};

// Copies each file the saved `page` links relatively from `sourceFolder`
// (where the page was opened from) to the same place beside the page, and
// what linked pages link in turn. Files that are not in the source folder
// are left out: the editor showed them missing too.
LinkedCopyReport copyLinkedFiles(const std::filesystem::path& page,
                                 const std::filesystem::path& sourceFolder);

}  // namespace rondivo::menucreator
