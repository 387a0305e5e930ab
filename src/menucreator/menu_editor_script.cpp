#include "menucreator/menu_editor_script.h"

#include <cstdio>

namespace rondivo::menucreator {

std::string jsString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '<':
                out += "\\x3c";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\x%02x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out += "\"";
    return out;
}

std::string actionClickScript(std::string_view handlerName) {
    return R"JS((function () {
  if (window.rondivoActionClicks) return;
  window.rondivoActionClicks = true;
  document.addEventListener('click', function (ev) {
    if (document.designMode === 'on') return;
    var n = ev.target;
    while (n && !(n.tagName && n.tagName.toLowerCase() === 'a')) n = n.parentNode;
    if (!n) return;
    var href = n.getAttribute('href') || '';
    if (href.toUpperCase().indexOf('ACTION_') < 0) return;
    ev.preventDefault();
    ev.stopPropagation();
    window.webkit.messageHandlers.)JS" +
           std::string(handlerName) + R"JS(.postMessage(href);
  }, true);
})();
)JS";
}

std::string menuEditorScript() {
    return R"JS((function () {
  if (window.rondivoEditor) return;
  var doc = document;
  var OBJECTS = 'img,fieldset,embed,video';
  var selected = null;     // the object selected as a whole
  var textEditing = null;  // the text box whose text is being edited
  var drag = null;

  function editing() { return doc.designMode === 'on'; }
  function model(el) { return el && el.rondivoModel ? el.rondivoModel : el; }
  // IE 11 has neither NodeList.forEach nor Element.matches.
  function each(list, f) { Array.prototype.forEach.call(list, f); }
  function matches(n, s) { return (n.matches || n.msMatchesSelector).call(n, s); }
  function objectOf(node) {
    while (node && node !== doc.body) {
      if (node.nodeType === 1 && matches(node, OBJECTS)) return node;
      node = node.parentNode;
    }
    return null;
  }
  function ensureStyle() {
    if (doc.getElementById('rondivo-editor-style')) return;
    var s = doc.createElement('style');
    s.id = 'rondivo-editor-style';
    s.setAttribute('data-rondivo-injected', '1');
    s.textContent = '[data-rondivo-selected]{outline:2px dashed #3060ff;outline-offset:1px;cursor:move}' +
                    'fieldset{min-width:1em;min-height:1em}';
    (doc.head || doc.documentElement).appendChild(s);
  }
  function select(el) {
    if (selected) selected.removeAttribute('data-rondivo-selected');
    selected = el;
    if (el) {
      el.setAttribute('data-rondivo-selected', '1');
      var r = doc.createRange();
      r.selectNode(model(el));
      var sel = getSelection();
      sel.removeAllRanges();
      sel.addRange(r);
    }
  }
  function place(el, left, top) {
    [el, model(el), el.rondivoView].forEach(function (n) {
      if (!n) return;
      n.style.position = 'absolute';
      n.style.left = Math.round(left) + 'px';
      n.style.top = Math.round(top) + 'px';
    });
    var m = model(el);
    if (m !== el && m.getAttribute('data-rondivo-style') !== null) {
      m.setAttribute('data-rondivo-style', 'LEFT: ' + Math.round(left) + 'px; POSITION: absolute; TOP: ' +
                     Math.round(top) + 'px');
      m.style.display = 'none';
    }
  }
  function pagePos(el) {
    var r = el.getBoundingClientRect();
    return {left: r.left + scrollX, top: r.top + scrollY};
  }

  doc.addEventListener('mousedown', function (ev) {
    if (!editing() || ev.button !== 0) return;
    var el = objectOf(ev.target);
    if (!el) { textEditing = null; select(null); return; }
    if (el === textEditing) return;  // ordinary text editing inside the box
    textEditing = null;
    ev.preventDefault();
    select(el);
    var pos = pagePos(el);
    // The lower right corner of a picture or movie resizes it (live resize).
    var box = el.getBoundingClientRect();
    if (el.tagName.toLowerCase() !== 'fieldset' && ev.clientX >= box.right - 8 && ev.clientY >= box.bottom - 8) {
      drag = {resize: true, el: el, x0: ev.pageX, y0: ev.pageY, w: box.width, h: box.height};
      return;
    }
    if (getComputedStyle(el).position !== 'absolute') return;
    drag = {el: el, dx: ev.pageX - pos.left, dy: ev.pageY - pos.top, parent: el.offsetParent};
  }, true);
  doc.addEventListener('mousemove', function (ev) {
    if (!drag) return;
    ev.preventDefault();
    if (drag.resize) {
      var w = Math.max(8, Math.round(drag.w + ev.pageX - drag.x0));
      var h = Math.max(8, Math.round(drag.h + ev.pageY - drag.y0));
      [drag.el, model(drag.el)].forEach(function (n) {
        n.setAttribute('width', w);
        n.setAttribute('height', h);
      });
      return;
    }
    var base = {left: 0, top: 0};
    if (drag.parent && drag.parent !== doc.body && drag.parent !== doc.documentElement) {
      base = pagePos(drag.parent);
    }
    place(drag.el, Math.max(0, ev.pageX - drag.dx - base.left), Math.max(0, ev.pageY - drag.dy - base.top));
  }, true);
  doc.addEventListener('mouseup', function () { drag = null; }, true);
  doc.addEventListener('dblclick', function (ev) {
    if (!editing()) return;
    var el = objectOf(ev.target);
    if (!el || el.tagName.toLowerCase() !== 'fieldset') return;
    select(null);
    textEditing = el;
    var r = doc.caretRangeFromPoint ? doc.caretRangeFromPoint(ev.clientX, ev.clientY) : null;
    if (r) { var sel = getSelection(); sel.removeAllRanges(); sel.addRange(r); }
  }, true);
  doc.addEventListener('dragstart', function (ev) { if (editing()) ev.preventDefault(); }, true);

  function needs(cmd, flags) {
    if (flags & 1 && !doc.queryCommandSupported(cmd)) return false;
    if (flags & 2 && !doc.queryCommandEnabled(cmd)) return false;
    return true;
  }

  window.rondivoEditor = {
    // An editing command, run only when the engine reports the needed status
    // (1 supported, 2 enabled).
    exec: function (cmd, value, flags) {
      if (!needs(cmd, flags)) return false;
      return doc.execCommand(cmd, false, value === undefined ? null : value);
    },
    setDesignMode: function (on) {
      ensureStyle();
      doc.designMode = on ? 'on' : 'off';
      if (!on) { select(null); textEditing = null; }
      return doc.designMode;
    },
    imageCount: function () { return doc.images.length; },
    textBoxCount: function () { return doc.getElementsByTagName('fieldset').length; },
    setBodyBackground: function (path) { doc.body.setAttribute('background', path); return true; },
    setBackgroundColour: function (colour) { doc.bgColor = colour; return true; },
    selectionType: function () {
      if (selected) return 'Control';
      var sel = getSelection();
      return sel.rangeCount && !sel.isCollapsed ? 'Text' : 'None';
    },
    selectionIsTextBox: function () {
      return !!selected && model(selected).outerHTML.toUpperCase().indexOf('FIELDSET') >= 0;
    },
    // Stands in for the outside select-all helper: the text box's text
    // becomes the selection, so formatting applies to it.
    selectTextBoxContents: function () {
      if (!selected || selected.tagName.toLowerCase() !== 'fieldset') return false;
      var box = selected;
      select(null);
      textEditing = box;
      var r = doc.createRange();
      r.selectNodeContents(box);
      var sel = getSelection();
      sel.removeAllRanges();
      sel.addRange(r);
      return true;
    },
    // Stands in for the Escape and Page Down keystrokes: no selection, caret
    // at the end of the page.
    caretToEnd: function () {
      select(null);
      textEditing = null;
      var r = doc.createRange();
      r.selectNodeContents(doc.body);
      r.collapse(false);
      var sel = getSelection();
      sel.removeAllRanges();
      sel.addRange(r);
      return true;
    },
    pasteFragment: function (html, selectAfter) {
      var sel = getSelection();
      var r;
      if (sel.rangeCount) r = sel.getRangeAt(0);
      else { r = doc.createRange(); r.selectNodeContents(doc.body); r.collapse(false); }
      r.deleteContents();
      var frag = r.createContextualFragment(html);
      var first = frag.firstChild, last = frag.lastChild;
      if (!first) return false;
      r.insertNode(frag);
      if (window.rondivoConvertMedia) window.rondivoConvertMedia();
      r = doc.createRange();
      if (selectAfter) { r.setStartBefore(first); r.setEndAfter(last); }
      else { r.setStartAfter(last); r.collapse(true); }
      sel.removeAllRanges();
      sel.addRange(r);
      return true;
    },
    // A picture or text box selected as a whole is wrapped in the link (or
    // its link changed); selected text gets the engine's own link command.
    makeLink: function (url) {
      if (selected) {
        var el = model(selected);
        var a = el.parentNode && el.parentNode.tagName && el.parentNode.tagName.toLowerCase() === 'a' ?
            el.parentNode : null;
        if (!a) {
          a = doc.createElement('a');
          el.parentNode.insertBefore(a, el);
          a.appendChild(el);
          if (el.rondivoView) a.appendChild(el.rondivoView);
        }
        a.setAttribute('href', url);
        return true;
      }
      if (!doc.queryCommandSupported('createLink')) return false;
      return doc.execCommand('createLink', false, url);
    },
    zeroImageBorders: function () {
      for (var i = 0; i < doc.images.length; i++)
        if (String(doc.images[i].border) !== '0') doc.images[i].border = '0';
      return true;
    },
    keepActionLinksInPlace: function () {
      for (var i = 0; i < doc.links.length; i++) {
        var l = doc.links[i];
        var href = (l.getAttribute('href') || '').toUpperCase();
        var t = l.target || '';
        if (href.indexOf('ACTION_') >= 0 && t !== '' && t.toUpperCase().indexOf('SELF') < 0) l.target = '_self';
      }
      return true;
    },
    // Every picture, text box and movie becomes absolutely positioned where
    // it stands now, so it can be dragged. Positions are all measured first,
    // since taking one object out of the flow moves the ones after it.
    freeMove: function () {
      var els = Array.prototype.slice.call(doc.querySelectorAll('img,fieldset,video'));
      var plan = [];
      els.forEach(function (el) {
        if (getComputedStyle(el).position === 'absolute') return;
        var parent = el.offsetParent;
        var pos = pagePos(el);
        var base = parent && parent !== doc.body && parent !== doc.documentElement ? pagePos(parent)
                                                                                  : {left: 0, top: 0};
        plan.push([el, pos.left - base.left, pos.top - base.top]);
      });
      plan.forEach(function (p) { place(p[0], p[1], p[2]); });
      return plan.length;
    },
    selectObject: function (el) { select(el); return !!el; },
    bodyHtml: function () {
      if (!doc.body) return '';
      var clone = doc.body.cloneNode(true);
      each(clone.querySelectorAll('[data-rondivo-injected]'), function (n) {
        n.parentNode.removeChild(n);
      });
      each(clone.querySelectorAll('[data-rondivo-style]'), function (n) {
        var s = n.getAttribute('data-rondivo-style');
        if (s) n.setAttribute('style', s); else n.removeAttribute('style');
        n.removeAttribute('data-rondivo-style');
      });
      each(clone.querySelectorAll('[data-rondivo-selected]'), function (n) {
        n.removeAttribute('data-rondivo-selected');
      });
      return clone.innerHTML;
    }
  };
})();
)JS";
}

}  // namespace rondivo::menucreator
