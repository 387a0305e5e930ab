#pragma once
// Scripts the player injects into every page. They run in WebKitGTK on Linux
// and in the IE 11 engine on Windows, so they are plain ES5 and use only
// the DOM calls IE 11 knows.
#include <string>

namespace rondivo {

// Action links (href containing ACTION_) and window.open become navigations
// to "rondivo-action:" + the encoded address, which the window's navigation
// handler takes on both engines.
std::string actionLinkScript();

// Right-button presses never reach the page, in every frame.
std::string noRightClickScript();

}  // namespace rondivo
