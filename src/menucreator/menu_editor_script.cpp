#include "menucreator/menu_editor_script.h"

#include <cstdio>

#include "disc/action_address.h"
#include "disc/text_util.h"

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

namespace {

// State and helpers shared by the parts below; `editor` becomes window.rondivoEditor.
std::string scriptBase() {
    return R"JS((function () {
  if (window.rondivoEditor) return;
  var doc = document;
  var editor = {};
  var OBJECTS = ['img', 'fieldset', 'embed', 'video'];
  var selected = null;     // the object selected as a whole
  var textEditing = null;  // the text box whose text is being edited
  var drag = null;

  function editing() { return doc.designMode === 'on'; }
  function model(el) { return el && el.rondivoModel ? el.rondivoModel : el; }
  function tag(node) { return node && node.tagName ? node.tagName.toLowerCase() : ''; }
  function each(list, fn) { for (var i = 0; i < list.length; i++) fn(list[i]); }
  function objectOf(node) {
    while (node && node !== doc.body) {
      if (node.nodeType === 1 && OBJECTS.indexOf(tag(node)) >= 0) return node;
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
  function selectRange(r) {
    var sel = getSelection();
    sel.removeAllRanges();
    sel.addRange(r);
  }
  function select(el) {
    if (selected) selected.removeAttribute('data-rondivo-selected');
    selected = el;
    if (el) {
      el.setAttribute('data-rondivo-selected', '1');
      var r = doc.createRange();
      r.selectNode(model(el));
      selectRange(r);
    }
  }
  // The text of a text box as the selection: typing or formatting then applies to it.
  function editText(box) {
    select(null);
    textEditing = box;
    var r = doc.createRange();
    r.selectNodeContents(box);
    selectRange(r);
  }
  function place(el, left, top) {
    each([el, model(el), el.rondivoView], function (n) {
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
    return {left: r.left + window.pageXOffset, top: r.top + window.pageYOffset};
  }
  function onFrame(el, ev) {
    var r = el.getBoundingClientRect();
    var inside = ev.clientX > r.left + 6 && ev.clientX < r.right - 6 &&
                 ev.clientY > r.top + 6 && ev.clientY < r.bottom - 6;
    return !inside;
  }
)JS";
}

// A click selects an object, a drag moves it, its lower right corner resizes
// it, a double click edits a text box's text.
std::string scriptMouse() {
    return R"JS(
  doc.addEventListener('mousedown', function (ev) {
    if (!editing() || ev.button !== 0) return;
    var el = objectOf(ev.target);
    if (!el) { textEditing = null; select(null); return; }
    // Ordinary text editing inside the box; its frame still moves it.
    if (el === textEditing && !onFrame(el, ev)) return;
    textEditing = null;
    ev.preventDefault();
    select(el);
    var pos = pagePos(el);
    var box = el.getBoundingClientRect();
    if (tag(el) !== 'fieldset' && ev.clientX >= box.right - 8 && ev.clientY >= box.bottom - 8) {
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
      each([drag.el, model(drag.el)], function (n) {
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
    if (!el || tag(el) !== 'fieldset') return;
    select(null);
    textEditing = el;
    var r = doc.caretRangeFromPoint ? doc.caretRangeFromPoint(ev.clientX, ev.clientY) : null;
    if (r) selectRange(r);
  }, true);
  doc.addEventListener('dragstart', function (ev) { if (editing()) ev.preventDefault(); }, true);
)JS";
}

// Editing commands, run only when the engine reports the status they need
// (1 supported, 2 enabled), and the selection the toolbar asks about.
std::string scriptCommands() {
    return R"JS(
  editor.exec = function (cmd, value, flags) {
    if (flags & 1 && !doc.queryCommandSupported(cmd)) return false;
    if (flags & 2 && !doc.queryCommandEnabled(cmd)) return false;
    return doc.execCommand(cmd, false, value === undefined ? null : value);
  };
  editor.setDesignMode = function (on) {
    ensureStyle();
    doc.designMode = on ? 'on' : 'off';
    if (!on) { select(null); textEditing = null; }
    return doc.designMode;
  };
  editor.selectionType = function () {
    if (selected) return 'Control';
    var sel = getSelection();
    return sel.rangeCount && !sel.isCollapsed ? 'Text' : 'None';
  };
  editor.selectionIsTextBox = function () {
    return !!selected && model(selected).outerHTML.toUpperCase().indexOf('FIELDSET') >= 0;
  };
  // Stands in for the outside select-all helper.
  editor.selectTextBoxContents = function () {
    if (!selected || tag(selected) !== 'fieldset') return false;
    editText(selected);
    return true;
  };
  // Stands in for the Escape and Page Down keystrokes: no selection, caret at the end of the page.
  // The engine would move a caret at the body's end into the last text box,
  // and what is pasted there splits it: the end gets a paragraph of its own.
  editor.caretToEnd = function () {
    select(null);
    textEditing = null;
    var last = doc.body.lastChild;
    while (last && last.lastChild) last = last.lastChild;
    var r = doc.createRange();
    if (last && objectOf(last)) {
      var p = doc.createElement('p');
      doc.body.appendChild(p);
      r.setStart(p, 0);
    } else {
      r.selectNodeContents(doc.body);
      r.collapse(false);
    }
    selectRange(r);
    return true;
  };
  editor.selectObject = function (el) { select(el); return !!el; };
)JS";
}

// Pasting HTML at the caret, links, and the page-wide changes.
std::string scriptInsertions() {
    return R"JS(
  // The top-level nodes pasted, or null when the fragment is empty.
  function paste(html) {
    var sel = getSelection();
    var r;
    if (sel.rangeCount) r = sel.getRangeAt(0);
    else { r = doc.createRange(); r.selectNodeContents(doc.body); r.collapse(false); }
    r.deleteContents();
    var frag = r.createContextualFragment(html);
    var nodes = Array.prototype.slice.call(frag.childNodes);
    if (!nodes.length) return null;
    r.insertNode(frag);
    if (window.rondivoConvertMedia) window.rondivoConvertMedia();
    return nodes;
  }
  editor.pasteFragment = function (html, selectAfter) {
    var nodes = paste(html);
    if (!nodes) return false;
    var r = doc.createRange();
    if (selectAfter) { r.setStartBefore(nodes[0]); r.setEndAfter(nodes[nodes.length - 1]); }
    else { r.setStartAfter(nodes[nodes.length - 1]); r.collapse(true); }
    selectRange(r);
    return true;
  };
  // A new text box's text is selected, so what the author types replaces it.
  editor.insertTextBox = function (html) {
    var nodes = paste(html);
    if (!nodes) return false;
    for (var i = 0; i < nodes.length; i++) {
      var n = nodes[i];
      var box = tag(n) === 'fieldset' ? n : (n.getElementsByTagName ? n.getElementsByTagName('fieldset')[0] : null);
      if (box) { editText(box); return true; }
    }
    return true;
  };
  // A picture or text box selected as a whole is wrapped in the link (or its
  // link changed); selected text gets the engine's own link command.
  editor.makeLink = function (url) {
    if (selected) {
      var el = model(selected);
      var a = tag(el.parentNode) === 'a' ? el.parentNode : null;
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
  };
  editor.setBodyBackground = function (path) { doc.body.setAttribute('background', path); return true; };
  editor.setBackgroundColour = function (colour) { doc.bgColor = colour; return true; };
  editor.zeroImageBorders = function () {
    each(doc.images, function (img) { if (String(img.border) !== '0') img.border = '0'; });
    return true;
  };
  editor.keepActionLinksInPlace = function () {
    each(doc.links, function (l) {
      var href = (l.getAttribute('href') || '').toUpperCase();
      var t = l.target || '';
      if (href.indexOf('@ACTION_MARKER@') >= 0 && t !== '' && t.toUpperCase().indexOf('SELF') < 0) l.target = '_self';
    });
    return true;
  };
)JS";
}

// Freeing objects for dragging, counting them, and the body as it is saved.
std::string scriptPage() {
    return R"JS(
  // Positions are all measured first, since taking one object out of the
  // flow moves the ones after it.
  editor.freeMove = function () {
    var plan = [];
    each(doc.querySelectorAll('img,fieldset,video'), function (el) {
      if (getComputedStyle(el).position === 'absolute') return;
      var parent = el.offsetParent;
      var pos = pagePos(el);
      var base = parent && parent !== doc.body && parent !== doc.documentElement ? pagePos(parent)
                                                                                : {left: 0, top: 0};
      plan.push([el, pos.left - base.left, pos.top - base.top]);
    });
    each(plan, function (p) { place(p[0], p[1], p[2]); });
    return plan.length;
  };
  // What a new object must not cover: other objects and every element with text of its own.
  function occupied(except) {
    var out = [];
    each(doc.body.getElementsByTagName('*'), function (n) {
      if (n === except || except.contains(n) || n.contains(except)) return;
      var own = OBJECTS.indexOf(tag(n)) >= 0;
      for (var c = n.firstChild; c && !own; c = c.nextSibling) {
        if (c.nodeType === 3 && /\S/.test(c.nodeValue)) own = true;
      }
      var r = n.getBoundingClientRect();
      if (own && r.width > 0 && r.height > 0) out.push(r);
    });
    return out;
  }
  // Moves the newest object of a kind (the last in the page) to the first free place in the visible part of
  // the page, from the top, centred or at the left (the player's window may
  // be narrower than the editor's); the middle of the view when none is free.
  editor.placeNewest = function (kind) {
    var all = doc.getElementsByTagName(kind);
    if (!all.length) return false;
    var el = all[all.length - 1];
    var w = el.offsetWidth, h = el.offsetHeight;
    var vw = doc.documentElement.clientWidth, vh = doc.documentElement.clientHeight;
    var taken = occupied(el);
    function free(x, y) {
      for (var i = 0; i < taken.length; i++) {
        var r = taken[i];
        if (x < r.right + 4 && x + w > r.left - 4 && y < r.bottom + 4 && y + h > r.top - 4) return false;
      }
      return true;
    }
    var lefts = [Math.max(10, Math.round((Math.min(vw, doc.body.scrollWidth) - w) / 2)), 10];
    var at = null;
    for (var y = 10; !at && y + h <= vh - 4; y += 8) {
      for (var i = 0; !at && i < lefts.length; i++) if (free(lefts[i], y)) at = [lefts[i], y];
    }
    if (!at) at = [lefts[0], Math.max(10, Math.round((vh - h) / 2))];
    var parent = el.offsetParent;
    var base = parent && parent !== doc.body && parent !== doc.documentElement ? pagePos(parent)
                                                                              : {left: 0, top: 0};
    place(el, at[0] + window.pageXOffset - base.left, at[1] + window.pageYOffset - base.top);
    return true;
  };
  editor.imageCount = function () { return doc.images.length; };
  editor.textBoxCount = function () { return doc.getElementsByTagName('fieldset').length; };
  editor.bodyHtml = function () {
    if (!doc.body) return '';
    var clone = doc.body.cloneNode(true);
    each(clone.querySelectorAll('[data-rondivo-injected]'), function (n) { n.parentNode.removeChild(n); });
    each(clone.querySelectorAll('[data-rondivo-style]'), function (n) {
      var s = n.getAttribute('data-rondivo-style');
      if (s) n.setAttribute('style', s); else n.removeAttribute('style');
      n.removeAttribute('data-rondivo-style');
    });
    each(clone.querySelectorAll('[data-rondivo-selected]'), function (n) {
      n.removeAttribute('data-rondivo-selected');
    });
    return clone.innerHTML;
  };
  window.rondivoEditor = editor;
})();
)JS";
}

}  // namespace

std::string menuEditorScript() {
    std::string script =
        scriptBase() + scriptMouse() + scriptCommands() + scriptInsertions() + scriptPage();
    replaceAllText(script, "@ACTION_MARKER@", kActionMarker);
    return script;
}

}  // namespace rondivo::menucreator
