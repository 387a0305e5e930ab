#pragma once
// Menu pages keep their background music as <BGSOUND> and their movies as
// <EMBED> (other readers of the page format rely on that), but the web engine
// plays neither. This script, run in every page once it has loaded, adds an
// <audio> element for each BGSOUND and puts a <video> beside each movie EMBED
// (the EMBED itself is hidden and stays in the page). Everything it adds is
// marked data-rondivo-injected so an editor can leave it out when saving.
//
// Use: wxWebView::AddUserScript(wxString::FromUTF8(mediaCompatScript()),
//                               wxWEBVIEW_INJECT_AT_DOCUMENT_END)
// before the first page loads; or RunScript() it after a load. Running it twice
// on one page changes nothing more.
#include <string>
#include <string_view>

namespace rondivo {

std::string mediaCompatScript();

// True when an EMBED source names a movie the script turns into <video>.
bool isMovieSource(std::string_view src);

}  // namespace rondivo
