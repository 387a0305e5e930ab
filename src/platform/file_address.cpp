#include "platform/file_address.h"

#include "platform/paths.h"

namespace rondivo::platform {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80             ? 0
                              : (c & 0xE0) == 0xC0 ? 1
                              : (c & 0xF0) == 0xE0 ? 2
                              : (c & 0xF8) == 0xF0 ? 3
                                                   : 4;
        if (n == 4 || n >= s.size() - i) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

// Percent-encoded bytes that are no UTF-8 come from a page in a Western code
// page: read them as Latin-1 rather than make a name no file has.
std::string asUtf8(std::string bytes) {
    if (validUtf8(bytes)) return bytes;
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool isDrive(std::string_view s) {
    return s.size() == 2 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')) &&
           (s[1] == ':' || s[1] == '|');
}

std::size_t leadingSeparators(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size() && isSeparator(s[n])) ++n;
    return n;
}

// A path of this machine; `rooted`: it began with a separator.
FileAddressPath localPath(std::string_view body, bool rooted, PathStyle style) {
    // Characters appended one by one: GCC 12 at -O3 reports a false -Wrestrict
    // (bug 105329) for a short literal joined to a std::string.
    std::string path;
    path.reserve(body.size() + 1);
    if (rooted) path.push_back('/');
    path.append(body);
    if (style == PathStyle::Posix) return {path, false};
    // "/D:/x" and "D|/x" are the drive D, not the root's folder "D:".
    if (rooted && isDrive(path.substr(1, 2))) path.erase(0, 1);
    if (isDrive(path.substr(0, 2))) path[1] = ':';
    for (auto& c : path)
        if (c == '/') c = '\\';
    return {path, false};
}

// `body` begins with the host's name.
FileAddressPath otherHostPath(std::string_view body, PathStyle style) {
    std::string path = "//" + std::string(body);
    if (style == PathStyle::Windows)
        for (auto& c : path)
            if (c == '/') c = '\\';
    return {path, true};
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        int hi = 0, lo = 0;
        if (text[i] == '%' && i + 2 < text.size() && (hi = hexValue(text[i + 1])) >= 0 &&
            (lo = hexValue(text[i + 2])) >= 0) {
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::optional<FileAddressPath> pathFromFileAddress(std::string_view address, PathStyle style) {
    if (address.size() < 5 || toLower(address.substr(0, 5)) != "file:") return std::nullopt;
    std::string_view rest = address.substr(5);
    rest = rest.substr(0, rest.find_first_of("?#"));
    // Decoded before the host is looked for: "file:%5C%5Cserver" is a host too.
    const std::string text = asUtf8(percentDecode(rest));
    if (text.find('\0') != std::string::npos) return std::nullopt;
    const std::size_t n = leadingSeparators(text);
    std::string_view body = std::string_view(text).substr(n);
    if (n == 0) return localPath(body, false, style);  // "file:C:/x", "file:x"
    if (n == 1 || n == 3) return localPath(body, true, style);
    if (n > 3) return otherHostPath(body, style);  // "file:////server/share"
    // "file://host/path": the host is this machine, a drive IE put there, or another.
    const std::size_t end = body.find_first_of("/\\");
    const std::string_view host = body.substr(0, end);
    const std::string_view after = end == std::string_view::npos ? "" : body.substr(end);
    if (equalsIgnoreCase(host, "localhost")) {
        const std::size_t m = leadingSeparators(after);
        if (m >= 2) return otherHostPath(after.substr(m), style);  // "file://localhost//server"
        return localPath(after.substr(m), true, style);
    }
    if (style == PathStyle::Windows && isDrive(host)) return localPath(body, false, style);
    return otherHostPath(body, style);
}

std::string localFilePath(std::string_view address, PathStyle style) {
    auto p = pathFromFileAddress(address, style);
    return p && !p->otherHost ? p->path : std::string();
}

}  // namespace rondivo::platform
