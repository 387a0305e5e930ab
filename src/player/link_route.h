#pragma once
// Where a link followed in the player goes. Menu pages link to mail addresses,
// web sites, downloads and documents as ordinary web pages do, and expect the
// desktop to take what a browser would not show itself; only pages, pictures
// and media stay in the player window. Knows nothing of windows, so every
// engine (and every platform) routes links the same way.
//
//   LinkDecision d = routeLink(url, /*newWindow=*/true);
//   switch (d.route) { case LinkRoute::Browser: open d.target in the default browser; ... }
#include <string>
#include <string_view>

namespace rondivo {

enum class LinkRoute {
    Action,     // an action link: the player's own verbs
    Show,       // the engine shows it in the player window
    Ignore,     // nothing to open (an empty new window, a script address)
    ShellFile,  // a local file the engine cannot show: a shell launch of `target`, a path
    Desktop,    // an address of another scheme (mail, telephone, ...): the desktop's handler
    Browser,    // a web address wanting a window of its own, or a download: the default browser
};

struct LinkDecision {
    LinkRoute route = LinkRoute::Show;
    std::string target;  // the address, or for ShellFile the local path
};

// `newWindow`: the page asked for a window of its own (a target such as
// "_blank", or window.open). A local page asking for one is shown in the
// player window: the presentation has a single window, placed and titled by
// the disc's settings, and Back returns to the menu from there.
enum class WebEngine { WebKit, InternetExplorer };
#ifdef _WIN32
inline constexpr WebEngine kThisEngine = WebEngine::InternetExplorer;
#else
inline constexpr WebEngine kThisEngine = WebEngine::WebKit;
#endif
// Each engine shows its own set of file types; the rest goes to the shell.
LinkDecision routeLink(std::string_view address, bool newWindow, WebEngine engine = kThisEngine);

// Where an address goes that the engine loaded but cannot show (a download
// from the web, a local file of a type it lacks): a browser would hand it on.
LinkDecision routeUnshown(std::string_view address);

// "mailto", "http", ... in lower case; empty when the address has no scheme.
std::string addressScheme(std::string_view address);

// Our own page for a web address that could not be reached, with "Back" and
// "Open in your web browser".
std::string unreachablePageHtml(const std::string& address);

}  // namespace rondivo
