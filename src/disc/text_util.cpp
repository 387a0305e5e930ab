#include "disc/text_util.h"

#include "platform/paths.h"

namespace rondivo {

bool containsText(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

void replaceAllText(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::string out;
    std::size_t i = 0;
    for (std::size_t pos; (pos = text.find(from, i)) != std::string::npos; i = pos + from.size()) {
        out.append(text, i, pos - i);
        out.append(to);
    }
    if (i == 0) return;
    out.append(text, i, std::string::npos);
    text.swap(out);
}

std::string decodeEntities(std::string_view s) {
    // One left-to-right pass: what a replacement produces is never looked at
    // again, so "&amp;amp;" stays "&amp;" and long runs cost linear time.
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, 3, "%20") == 0) {
            out.push_back(' ');
            i += 3;
        } else if (s[i] == '&' && i + 5 <= s.size() &&
                   platform::equalsIgnoreCase(s.substr(i, 5), "&amp;")) {
            out.push_back('&');
            i += 5;
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

}  // namespace rondivo
