#pragma once
// The menu page as a file: the four head values that live outside the
// edited body, how they are read back from a saved page, and how the page
// is put together and written when the author saves.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

namespace rondivo::menucreator {

struct MenuHeadValues {
    std::string title;
    std::string musicPath;         // <BGSOUND SRC="...">
    std::string backgroundImage;   // BACKGROUND="..." in the BODY tag
    std::string backgroundColour;  // BGCOLOR= text, "#rrggbb" when set by the editor
    bool operator==(const MenuHeadValues&) const = default;
};

// The address a picture or movie is given in the page: "file://" and the
// absolute path, not escaped, since the build's linked-file scanner reads the
// path back from the saved page.
std::string pageFileAddress(const std::filesystem::path& file);

// Reads the head values line by line; later lines overwrite earlier finds.
MenuHeadValues readMenuHeadValues(std::istream& in);
// Head values of a page file or address. Built-in "res:" pages and files that
// cannot be read give empty values.
MenuHeadValues readMenuHeadValuesFrom(const std::string& pathOrUrl);

// "#rrggbb" (lower-case) from a colour stored with red in the lowest byte.
std::string colourText(std::uint32_t colourRef);

// The page text for a body: head values around it, or, when the body already
// carries a whole page ("</HTML>"), that page up to and including "</HTML>".
std::string buildMenuPage(std::string_view bodyHtml, const MenuHeadValues& head);
// Every link that is neither an action nor a file: address opens in a new
// window: " target=_blank" goes straight after its "<a". Only links from
// `bodyStart` on are marked: the head and the BODY tag hold the author's
// title and paths, which may contain "<a " as text.
std::string addBlankTargets(std::string_view page, std::size_t bodyStart = 0);
// Where the edited body starts in buildMenuPage(bodyHtml, ...).
std::size_t menuBodyStart(std::string_view page, std::string_view bodyHtml);
// The page with a UTF-8 declaration at the start of its head, unless it
// declares a character set already: the editor's text is UTF-8, and an
// undeclared page is read in the engine's legacy code page.
std::string declareUtf8(std::string_view page);
// The bytes on disk: every line feed as CR LF, and one more line end at the end.
std::string toDiskText(std::string_view text);

// Builds, marks and writes the page. Returns false when the file cannot be
// written completely.
bool saveMenuPage(const std::filesystem::path& file, std::string_view bodyHtml,
                  const MenuHeadValues& head);

}  // namespace rondivo::menucreator
