#pragma once
// Scripts the player injects into every page. They run in WebKitGTK on Linux
// and in the IE 11 engine on Windows, so they are plain ES5 and use only
// the DOM calls IE 11 knows.
#include <string>

namespace rondivo {

// Clicks on action links (href containing ACTION_) become navigations to
// "rondivo-action:" + the address as written, which the window's navigation
// handler takes on both engines. (window.open has its own script.)
std::string actionLinkScript();

// Right-button presses never reach the page, in every frame.
std::string noRightClickScript();

}  // namespace rondivo
