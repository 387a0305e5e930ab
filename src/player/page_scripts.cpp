#include "player/page_scripts.h"

#include "disc/action_address.h"
#include "disc/text_util.h"

namespace rondivo {

namespace {

// The scripts name the marker and the schemes as the grammar defines them.
std::string withNames(std::string script) {
    replaceAllText(script, "@ACTION_MARKER@", kActionMarker);
    replaceAllText(script, "@ACTION_SCHEME@", kActionScheme);
    replaceAllText(script, "@NEW_WINDOW_SCHEME@", kNewWindowScheme);
    return script;
}

}  // namespace

// The web engine rewrites an http:// address before the navigation hook sees
// it (host lower-cased, backslashes turned to "/", braces escaped), so clicks on
// action links are caught in the page and the address, as written, comes to
// the window as a navigation to our own scheme, which the engine leaves alone.
// (A script message handler would do too, but registering one makes the
// window wait for the page process: most of a second at start-up.)
// The page's own handlers run first; a click they cancel is no action.
std::string actionLinkScript() {
    return withNames(R"JS(
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
    if (href.toUpperCase().indexOf('@ACTION_MARKER@') < 0) return;
    e.preventDefault();
    window.location.href = '@ACTION_SCHEME@' + encodeURIComponent(href);
  }, false);
})();
)JS");
}

std::string newWindowScript() {
    return withNames(R"JS(
(function () {
  if (window.__rondivoNewWindows) return;
  window.__rondivoNewWindows = true;
  function hasFrame(w, name) {
    try {
      if (w.name === name) return true;
      for (var i = 0; i < w.frames.length; i++) if (hasFrame(w.frames[i], name)) return true;
    } catch (e) {}
    return false;
  }
  function wantsNewWindow(link) {
    var target = link.getAttribute('target');
    if (!target) {
      var base = document.querySelector('base[target]');
      target = base ? base.getAttribute('target') : '';
    }
    var lower = (target || '').toLowerCase();
    if (lower === '' || lower === '_self' || lower === '_parent' || lower === '_top') return false;
    return lower === '_blank' || !hasFrame(window.top, target);
  }
  function openNew(address) {
    window.location.href = '@NEW_WINDOW_SCHEME@' + encodeURIComponent(address);
  }
  // After the page's own handlers, and after the action-link handler: a click
  // either of them took is no request for a window.
  window.addEventListener('click', function (e) {
    if (e.defaultPrevented) return;
    var n = e.target;
    while (n && !(n.nodeType === 1 && (n.localName === 'a' || n.localName === 'area') && n.hasAttribute('href')))
      n = n.parentNode;
    if (!n || !wantsNewWindow(n)) return;
    e.preventDefault();
    openNew(n.href);
  }, false);
  window.open = function (url) {
    if (url === undefined || url === null || url === '') return null;
    var text = String(url);
    if (text.toUpperCase().indexOf('@ACTION_MARKER@') >= 0) {
      window.location.href = '@ACTION_SCHEME@' + encodeURIComponent(text);
      return null;
    }
    var a = document.createElement('a');
    a.href = text;
    openNew(a.href);
    return null;
  };
})();
)JS");
}

std::string backScript() {
    return R"JS(
(function () {
  if (window.__rondivoBack) return;
  window.__rondivoBack = true;
  var textInputs = ['', 'text', 'search', 'email', 'url', 'tel', 'password', 'number', 'date',
                    'datetime-local', 'month', 'time', 'week'];
  function typesText(n) {
    if (!n || n.nodeType !== 1) return false;
    if (n.isContentEditable || n.localName === 'textarea' || n.localName === 'select') return true;
    return n.localName === 'input' && textInputs.indexOf((n.getAttribute('type') || '').toLowerCase()) >= 0;
  }
  window.addEventListener('keydown', function (e) {
    if (e.defaultPrevented) return;
    var altLeft = e.altKey && !e.ctrlKey && e.keyCode === 37;
    var backspace = e.keyCode === 8 && !e.altKey && !e.ctrlKey && !typesText(e.target);
    if (!altLeft && !backspace) return;
    e.preventDefault();
    window.history.back();
  }, false);
})();
)JS";
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
