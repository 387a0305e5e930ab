#include "player/page_scripts.h"

namespace rondivo {

// The web engine rewrites an http:// address before the navigation hook sees
// it (host lower-cased, backslashes turned to "/", braces escaped), so clicks on
// action links are caught in the page and the address, as written, comes to
// the window as a navigation to our own scheme, which the engine leaves alone.
// (A script message handler would do too, but registering one makes the
// window wait for the page process: most of a second at start-up.)
// The page's own handlers run first; a click they cancel is no action.
std::string actionLinkScript() {
    return R"JS(
(function () {
  if (window.__rondivoActions) return;
  window.__rondivoActions = true;
  window.addEventListener('click', function (e) {
    if (e.defaultPrevented || document.designMode === 'on') return;
    var n = e.target;
    while (n && !(n.nodeType === 1 && (n.localName === 'a' || n.localName === 'area') && n.hasAttribute('href')))
      n = n.parentNode;
    if (!n) return;
    var href = n.getAttribute('href');
    if (href.toUpperCase().indexOf('ACTION_') < 0) return;
    e.preventDefault();
    window.location.href = 'rondivo-action:' + encodeURIComponent(href);
  }, false);
})();
)JS";
}

std::optional<std::string> actionAddressOf(std::string_view url) {
    if (url.substr(0, kActionScheme.size()) != kActionScheme) return std::nullopt;
    url.remove_prefix(kActionScheme.size());
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    // encodeURIComponent's %XX bytes are UTF-8; anything else stays as it is.
    std::string out;
    out.reserve(url.size());
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && hex(url[i + 1]) >= 0 && hex(url[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(url[i + 1]) * 16 + hex(url[i + 2])));
            i += 2;
        } else {
            out.push_back(url[i]);
        }
    }
    return out;
}

// Right-button presses never reach the page, in every frame.
std::string noRightClickScript() {
    return R"JS(
(function () {
  function swallow(e) {
    if (e.type === 'contextmenu' || e.button === 2) { e.preventDefault(); e.stopImmediatePropagation(); }
  }
  ['contextmenu', 'mousedown', 'dblclick', 'auxclick'].forEach(function (t) {
    window.addEventListener(t, swallow, true);
  });
})();
)JS";
}

}  // namespace rondivo
