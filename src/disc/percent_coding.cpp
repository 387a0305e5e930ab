#include "disc/percent_coding.h"

#include "platform/paths.h"

namespace rondivo {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte "%XX" at `i` stands for, or -1 when there is no such escape.
int escapedByte(std::string_view text, std::size_t i) {
    if (text[i] != '%' || i + 2 >= text.size()) return -1;
    int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

}  // namespace

std::string percentEncode(std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        int byte = escapedByte(text, i);
        if (byte < 0) {
            out.push_back(text[i]);
            continue;
        }
        out.push_back(static_cast<char>(byte));
        i += 2;
    }
    return out;
}

std::optional<std::string> decodeLink(std::string_view link) {
    std::string out;
    out.reserve(link.size());
    for (std::size_t i = 0; i < link.size();) {
        if (int byte = escapedByte(link, i); byte >= 0) {
            if (byte == 0) return std::nullopt;
            out.push_back(static_cast<char>(byte));
            i += 3;
        } else if (link[i] == '&' && link.size() - i >= 5 &&
                   platform::equalsIgnoreCase(link.substr(i, 5), "&amp;")) {
            out.push_back('&');
            i += 5;
        } else {
            out.push_back(link[i++]);
        }
    }
    return out;
}

}  // namespace rondivo
