#pragma once
// Scripts the player injects into every page. They run in WebKitGTK on Linux
// and in the IE 11 engine on Windows, so they are plain ES5 and use only
// the DOM calls IE 11 knows.
#include <string>
#include <string_view>

namespace rondivo {

// Clicks on action links (href containing kActionMarker) become navigations
// to kActionScheme + the address as written (percent-encoded), which the
// window's navigation handler takes on both engines. A page being edited
// (designMode on) keeps its clicks. (window.open has its own script.)
std::string actionLinkScript();

// Right-button presses never reach the page, in every frame.
std::string noRightClickScript();

// Links and scripts that ask for a new window (a target naming no frame of the
// page, window.open) navigate to kNewWindowScheme + the address instead, which
// the window routes; the engine would otherwise drop them (a target) or, on
// window.open, abort the whole program. Action addresses given to
// window.open go the way of action links.
std::string newWindowScript();

// Back as in a browser: Alt+Left, and Backspace outside text fields. Pages
// that handle those keys themselves keep them.
std::string backScript();

}  // namespace rondivo
