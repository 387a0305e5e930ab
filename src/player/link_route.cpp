#include "player/link_route.h"

#include <array>

#include "disc/action_address.h"
#include "disc/percent_coding.h"
#include "platform/file_address.h"
#include "platform/paths.h"

namespace rondivo {

namespace {

// Schemes the engine shows itself. "javascript" and "blob" never leave the
// page; everything else belongs to some program of the desktop.
constexpr std::array kEngineSchemes{"file", "http", "https", "about", "data", "javascript", "blob"};

// What WebKit shows in the window from a local file: pages, text, pictures,
// PDF (its own viewer) and the media it plays itself.
constexpr std::array kWebKitShows{"htm", "html", "xhtml", "xht", "shtml", "txt",  "xml",
                                  "svg", "jpg",  "jpeg",  "jpe", "gif",   "png",  "bmp",
                                  "ico", "webp", "pdf",   "mp3", "wav",   "ogg",  "oga",
                                  "ogv", "opus", "mp4",   "m4a", "m4v",   "webm", "flac"};
// What the IE view shows: pages, text and pictures. PDF, media and WebP bring
// a download prompt or a plug-in's page there, so the shell opens them.
constexpr std::array kIeShows{"htm", "html", "xhtml", "xht", "shtml", "txt", "xml", "svg",
                              "jpg", "jpeg", "jpe",   "gif", "png",   "bmp", "ico"};

template <std::size_t N>
bool contains(const std::array<const char*, N>& list, const std::string& word) {
    for (const char* item : list)
        if (word == item) return true;
    return false;
}

bool engineShows(WebEngine engine, const std::string& extension) {
    return engine == WebEngine::InternetExplorer ? contains(kIeShows, extension)
                                                 : contains(kWebKitShows, extension);
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

// The extension of the last path segment, lower-cased; empty for a folder.
std::string extensionOf(std::string_view path) {
    auto slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) return {};
    return platform::toLower(name.substr(dot + 1));
}

}  // namespace

std::string addressScheme(std::string_view address) {
    auto colon = address.find(':');
    // One letter before the colon is a drive ("C:\menu.htm"), not a scheme.
    if (colon == std::string_view::npos || colon < 2) return {};
    for (std::size_t i = 0; i < colon; ++i) {
        char c = address[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool allowed =
            letter || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!allowed) return {};
    }
    return platform::toLower(address.substr(0, colon));
}

LinkDecision routeLink(std::string_view address, bool newWindow, WebEngine engine) {
    const std::string text(address);
    // An action link that reached the navigation hook as the engine rewrote
    // it (IE encodes blanks, braces and letters beyond ASCII): decoded as the
    // page's script would have handed it over.
    if (isActionAddress(text)) return {LinkRoute::Action, percentDecode(text)};
    const std::string scheme = addressScheme(address);
    // A new window for these would show nothing of its own.
    if (newWindow &&
        (text.empty() || scheme == "javascript" || scheme == "blob" || scheme == "about"))
        return {LinkRoute::Ignore, text};
    if (!scheme.empty() && !contains(kEngineSchemes, scheme)) return {LinkRoute::Desktop, text};
    if (scheme == "http" || scheme == "https")
        return {newWindow ? LinkRoute::Browser : LinkRoute::Show, text};
    if (scheme == "file") {
        auto file = platform::pathFromFileAddress(address);
        if (!file) return {LinkRoute::Ignore, text};
        // A page on a network share is shown as a browser would; nothing from
        // another machine is ever started.
        if (engineShows(engine, extensionOf(file->path))) return {LinkRoute::Show, text};
        if (file->otherHost) return {LinkRoute::Ignore, text};
        return {LinkRoute::ShellFile, file->path};
    }
    // about:, data:, script addresses, and addresses relative to the page, which
    // the engine resolves.
    return {LinkRoute::Show, text};
}

LinkDecision routeUnshown(std::string_view address) {
    const std::string scheme = addressScheme(address);
    if (scheme == "http" || scheme == "https") return {LinkRoute::Browser, std::string(address)};
    std::string path = platform::localFilePath(address);
    if (!path.empty()) return {LinkRoute::ShellFile, path};
    return {LinkRoute::Ignore, std::string(address)};
}

std::string unreachablePageHtml(const std::string& address) {
    const std::string shown = htmlEscape(address);
    // No title: the window keeps its caption (the disc's label or the menu's title).
    return "<!DOCTYPE html><html><head><meta charset='utf-8'>"
           "<style>body{font:15px sans-serif;margin:36px;color:#222;background:#fff}"
           "h1{font-size:20px;font-weight:normal}p.address{color:#555;word-break:break-all}"
           "a.button{display:inline-block;margin:12px 10px 0 0;padding:6px 16px;border:1px solid "
           "#888;border-radius:3px;background:#eee;color:#000;text-decoration:none}</style>"
           "</head><body><h1>This page could not be reached</h1><p class='address'>" +
           shown +
           "</p><p>The computer may not be connected to the Internet, or the site may be "
           "unavailable.</p><a class='button' id='back' href='#' "
           "onclick='history.back(); return false;'>Back</a><a class='button' id='open' href='" +
           htmlEscape(carryAddress(kNewWindowScheme, address)) +
           "'>Open in your web browser</a></body></html>";
}

}  // namespace rondivo
