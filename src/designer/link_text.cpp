#include "designer/link_text.h"

#include <algorithm>
#include <cctype>

#include "platform/paths.h"

namespace rondivo::links {

namespace {

using platform::equalsIgnoreCase;

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// The length of a scheme and its ":" at the start of `link` (RFC 3986 §3.1),
// 0 when there is none. One letter before ":" is a drive, not a scheme.
std::size_t schemeLength(std::string_view link) {
    if (link.empty() || !isAlpha(link[0])) return 0;
    std::size_t i = 1;
    while (i < link.size() &&
           (isAlpha(link[i]) || std::isdigit(static_cast<unsigned char>(link[i])) ||
            link[i] == '+' || link[i] == '-' || link[i] == '.'))
        ++i;
    if (i < 2 || i >= link.size() || link[i] != ':') return 0;
    return i + 1;
}

bool isDrivePath(std::string_view p) {
    return p.size() >= 3 && isAlpha(p[0]) && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
}

bool isSlash(char c) {
    return c == '/' || c == '\\';
}

std::size_t findIgnoreCase(std::string_view text, std::string_view part, std::size_t from,
                           std::size_t end) {
    for (std::size_t i = from; i + part.size() <= end; ++i)
        if (equalsIgnoreCase(text.substr(i, part.size()), part)) return i;
    return std::string_view::npos;
}

}  // namespace

bool isWebAddress(std::string_view link) {
    if (link.size() >= 2 && isSlash(link[0]) && isSlash(link[1])) return true;
    return schemeLength(link) > 0 && !isFileUrl(link);
}

bool isFileUrl(std::string_view link) {
    return startsWithIgnoreCase(link, "file:");
}

std::optional<std::string> absoluteLocalPath(std::string_view d) {
    if (d.find('\0') != std::string_view::npos) return std::nullopt;
    if (isFileUrl(d)) {
        d.remove_prefix(5);
        if (d.size() >= 2 && isSlash(d[0]) && isSlash(d[1])) {
            d.remove_prefix(2);
            // The host: none ("file:///x"), this machine, or a drive as IE writes it.
            std::size_t hostEnd = 0;
            while (hostEnd < d.size() && !isSlash(d[hostEnd])) ++hostEnd;
            std::string_view host = d.substr(0, hostEnd);
            if (equalsIgnoreCase(host, "localhost"))
                d.remove_prefix(hostEnd);
            else if (!host.empty() && !(host.size() == 2 && isAlpha(host[0]) && host[1] == ':'))
                return std::nullopt;
        }
        // "/C:/x" is the drive path "C:/x".
        if (d.size() >= 4 && isSlash(d[0]) && isDrivePath(d.substr(1))) d.remove_prefix(1);
    }
    if (d.size() >= 2 && isSlash(d[0]) && isSlash(d[1])) return std::nullopt;  // another host
    if (isDrivePath(d) || (!d.empty() && d[0] == '/')) return std::string(d);
    return std::nullopt;
}

namespace {

bool isLinkAttribute(std::string_view tag, std::string_view name) {
    for (std::string_view a : {"href", "src", "background", "data", "lowsrc", "dynsrc", "poster"})
        if (equalsIgnoreCase(name, a)) return true;
    return equalsIgnoreCase(tag, "param") && equalsIgnoreCase(name, "value");
}

// Reads one tag's attributes from just after its name up to its ">";
// returns the position after the tag.
std::size_t readAttributes(std::string_view page, std::size_t i, std::string_view tag,
                           std::vector<Span>& links, std::vector<Span>& styles) {
    const std::size_t n = page.size();
    while (i < n && page[i] != '>') {
        if (isSpace(page[i]) || page[i] == '/') {
            ++i;
            continue;
        }
        std::size_t nameStart = i;
        while (i < n && !isSpace(page[i]) && page[i] != '=' && page[i] != '>') ++i;
        std::string_view name = page.substr(nameStart, i - nameStart);
        while (i < n && isSpace(page[i])) ++i;
        if (i >= n || page[i] != '=') continue;
        ++i;
        while (i < n && isSpace(page[i])) ++i;
        Span value{i, i};
        if (i < n && (page[i] == '"' || page[i] == '\'')) {
            std::size_t close = page.find(page[i], i + 1);
            if (close == std::string_view::npos) return n;
            value = {i + 1, close};
            i = close + 1;
        } else {
            while (i < n && !isSpace(page[i]) && page[i] != '>') ++i;
            value.end = i;
        }
        if (equalsIgnoreCase(name, "style"))
            cssLinks(page, value, styles);
        else if (isLinkAttribute(tag, name) && value.end > value.begin)
            links.push_back(value);
    }
    return i;
}

// The end of a raw-text element's body (script, style): its closing tag.
std::size_t closingTag(std::string_view page, std::size_t from, std::string_view tag) {
    std::string close = "</" + std::string(tag);
    std::size_t at = findIgnoreCase(page, close, from, page.size());
    return at == std::string_view::npos ? page.size() : at;
}

}  // namespace

void pageLinks(std::string_view page, std::vector<Span>& links, std::vector<Span>& styles) {
    const std::size_t n = page.size();
    std::size_t i = 0;
    while ((i = page.find('<', i)) != std::string_view::npos) {
        if (page.compare(i, 4, "<!--") == 0) {
            std::size_t end = page.find("-->", i + 4);
            i = end == std::string_view::npos ? n : end + 3;
            continue;
        }
        ++i;
        if (i >= n || !isAlpha(page[i])) continue;
        std::size_t nameStart = i;
        while (i < n && !isSpace(page[i]) && page[i] != '>' && page[i] != '/') ++i;
        std::string_view tag = page.substr(nameStart, i - nameStart);
        i = readAttributes(page, i, tag, links, styles);
        if (i >= n) break;
        ++i;  // past ">"
        if (equalsIgnoreCase(tag, "script")) {
            i = closingTag(page, i, "script");
        } else if (equalsIgnoreCase(tag, "style")) {
            std::size_t end = closingTag(page, i, "style");
            cssLinks(page, {i, end}, styles);
            i = end;
        }
    }
}

void cssLinks(std::string_view css, Span region, std::vector<Span>& out) {
    auto quotedOrBare = [&](std::size_t i, std::string_view stops) -> Span {
        while (i < region.end && isSpace(css[i])) ++i;
        if (i < region.end && (css[i] == '"' || css[i] == '\'')) {
            std::size_t close = css.find(css[i], i + 1);
            if (close == std::string_view::npos || close >= region.end) return {i, i};
            return {i + 1, close};
        }
        std::size_t end = i;
        while (end < region.end && stops.find(css[end]) == std::string_view::npos) ++end;
        while (end > i && isSpace(css[end - 1])) --end;
        return {i, end};
    };
    for (std::size_t i = region.begin; i < region.end; ++i) {
        Span s;
        if (startsWithIgnoreCase(css.substr(i, region.end - i), "url(")) {
            s = quotedOrBare(i + 4, ")");
        } else if (startsWithIgnoreCase(css.substr(i, region.end - i), "@import")) {
            std::size_t j = i + 7;
            while (j < region.end && isSpace(css[j])) ++j;
            if (j >= region.end || (css[j] != '"' && css[j] != '\'')) continue;  // url() form
            s = quotedOrBare(j, "");
        } else {
            continue;
        }
        if (s.end > s.begin) {
            out.push_back(s);
            i = s.end;
        }
    }
}

}  // namespace rondivo::links
