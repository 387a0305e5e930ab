#include "disc/percent_coding.h"

#include "platform/paths.h"

namespace rondivo {

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

std::optional<std::string> decodeLink(std::string_view link) {
    if (link.find("%00") != std::string_view::npos) return std::nullopt;
    // The text between "&amp;"s is percent-decoded on its own: what a "%26"
    // makes is never read as an entity again.
    std::string out;
    out.reserve(link.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i + 5 <= link.size(); ++i) {
        if (link[i] != '&' || !platform::equalsIgnoreCase(link.substr(i, 5), "&amp;")) continue;
        out += percentDecode(link.substr(start, i - start));
        out.push_back('&');
        start = i + 5;
        i += 4;
    }
    out += percentDecode(link.substr(start));
    return out;
}

}  // namespace rondivo
