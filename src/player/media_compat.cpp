#include "player/media_compat.h"

#include "platform/paths.h"

namespace rondivo {

namespace {
constexpr std::string_view kMovieExtensions[] = {".wmv",  ".mpg", ".mpeg", ".avi", ".mp4", ".m4v",
                                                 ".webm", ".ogv", ".mov",  ".asf", ".mkv"};
}

bool isMovieSource(std::string_view src) {
    std::string lower = platform::toLower(src);
    if (std::size_t q = lower.find_first_of("?#"); q != std::string::npos) lower.resize(q);
    for (std::string_view ext : kMovieExtensions)
        if (lower.size() >= ext.size() &&
            lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0)
            return true;
    return false;
}

std::string mediaCompatScript() {
    std::string pattern;
    for (std::string_view ext : kMovieExtensions) {
        if (!pattern.empty()) pattern += "|";
        pattern += ext.substr(1);
    }
    return R"JS((function () {
  // Windows-style paths in old pages ("music\a.mp3", "C:\x.wav") as addresses.
  function address(src) {
    src = (src || '').replace(/\\/g, '/');
    if (/^[A-Za-z]:\//.test(src)) src = 'file:///' + src;
    return src;
  }
  function isTrue(v, dflt) {
    if (v === null || v === undefined || v === '') return dflt;
    v = String(v).toLowerCase();
    return !(v === 'false' || v === '0' || v === 'no');
  }
  function convert() {
    var doc = document;
    var sounds = doc.getElementsByTagName('bgsound');
    for (var i = 0; i < sounds.length; i++) {
      var b = sounds[i];
      if (b.rondivoMedia) continue;
      b.rondivoMedia = true;
      var a = doc.createElement('audio');
      a.setAttribute('data-rondivo-injected', '1');
      a.src = address(b.getAttribute('src'));
      a.autoplay = true;
      var loop = String(b.getAttribute('loop') || '').toLowerCase();
      a.loop = loop === '-1' || loop === 'infinite';
      a.style.display = 'none';
      (doc.body || doc.documentElement).appendChild(a);
      var p = a.play && a.play();
      if (p && p.catch) p.catch(function () {});
    }
    var movie = /\.()JS" +
           pattern + R"JS()$/i;
    var embeds = doc.getElementsByTagName('embed');
    for (var j = 0; j < embeds.length; j++) {
      var e = embeds[j];
      var src = (e.getAttribute('src') || '').replace(/[?#].*$/, '');
      if (e.rondivoMedia || !movie.test(src)) continue;
      e.rondivoMedia = true;
      var v = doc.createElement('video');
      v.setAttribute('data-rondivo-injected', '1');
      v.src = address(e.getAttribute('src'));
      v.controls = true;
      v.autoplay = isTrue(e.getAttribute('autoplay') || e.getAttribute('autostart'), true);
      if (isTrue(e.getAttribute('loop'), false)) v.loop = true;
      v.style.cssText = e.style.cssText;
      if (e.getAttribute('width')) v.setAttribute('width', e.getAttribute('width'));
      if (e.getAttribute('height')) v.setAttribute('height', e.getAttribute('height'));
      if (!v.getAttribute('width') && !e.style.width) v.setAttribute('width', '320');
      v.rondivoModel = e;
      e.rondivoView = v;
      e.setAttribute('data-rondivo-style', e.getAttribute('style') || '');
      e.style.display = 'none';
      e.parentNode.insertBefore(v, e.nextSibling);
    }
  }
  window.rondivoConvertMedia = convert;
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', convert);
  else convert();
})();
)JS";
}

}  // namespace rondivo
