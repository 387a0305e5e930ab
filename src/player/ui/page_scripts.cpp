#include "player/ui/page_scripts.h"

namespace rondivo {

const char* const kNewWindowScript = R"JS(
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
    window.location.href = 'rondivo-open:' + encodeURIComponent(address);
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
    if (text.toUpperCase().indexOf('ACTION_') >= 0) {
      window.location.href = 'rondivo-action:' + encodeURIComponent(text);
      return null;
    }
    var a = document.createElement('a');
    a.href = text;
    openNew(a.href);
    return null;
  };
})();
)JS";

const char* const kBackScript = R"JS(
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

}  // namespace rondivo
