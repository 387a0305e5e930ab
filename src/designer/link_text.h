#pragma once
// Link text as pages and style sheets write it, read without a parser: which
// addresses are web addresses, which name a file of this machine by its full
// path, and where links sit in a page (link attributes, style-sheet url()s).
// The absolute-link repair rewrites only what these functions point at, so
// text that merely looks like a path is never touched.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/action_address.h"

namespace rondivo::links {

// "http:", "mailto:", "javascript:", "//host": served by another program.
// A name is never a web address by how it begins ("http.html", "www.html"),
// a drive letter ("C:") is no scheme, and "file:" addresses are local.
bool isWebAddress(std::string_view link);
bool isFileUrl(std::string_view link);

// The file a decoded link names by its full path on this machine: a file
// address of this host ("file:///abs", "file://localhost/abs",
// "file:///C:/x", "file://C:\x"), a drive path ("C:\x", "C:/x") or "/abs".
// Nothing for relative links, web addresses and files of other hosts
// ("file://server/share", "\\server\share").
std::optional<std::string> absoluteLocalPath(std::string_view decoded);

// [begin, end) of a link's text inside a larger text.
using Span = TextSpan;

// Links in a page's tags: the values of href, src, background, data, lowsrc,
// dynsrc, poster and a <param>'s value; `styles` gets the url()s and
// @imports of style attributes and <style> blocks. Script bodies and
// comments hold no tags.
void pageLinks(std::string_view page, std::vector<Span>& links, std::vector<Span>& styles);

// The url(...) values and @import strings of style-sheet text within `region`.
void cssLinks(std::string_view css, Span region, std::vector<Span>& out);

}  // namespace rondivo::links
