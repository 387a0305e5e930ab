#pragma once
// The script the Menu Creator puts into every page it edits. The web engine
// edits through document.execCommand, but has no command for absolute or 2-D
// positioning, no "control" selection of a picture or text box, and no
// outside helper to select a text box's text; this script supplies those:
// a click selects a picture, text box or movie as an object (outlined), a drag
// moves it, a double click edits a text box's text, and the functions below
// do the page operations. What it adds to the page for its own use is marked
// data-rondivo-* and left out of bodyHtml().
#include <string>
#include <string_view>

namespace rondivo::menucreator {

// Defines window.rondivoEditor in the page; safe to run more than once.
std::string menuEditorScript();

// A JavaScript string literal for `text` (quotes, backslashes, line ends and
// "</script>" escaped).
std::string jsString(std::string_view text);

}  // namespace rondivo::menucreator
