#include "platform/paths.h"

#include <system_error>

namespace rondivo::platform {

namespace fs = std::filesystem;

std::string toLower(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

std::string toUpper(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::optional<fs::path> findCaseInsensitive(const fs::path& base, const fs::path& relative) {
    std::error_code ec;
    fs::path current = relative.is_absolute() ? relative.root_path() : base;
    for (const auto& part : relative.relative_path()) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            current /= part;
            continue;
        }
        fs::path exact = current / part;
        if (fs::exists(fs::symlink_status(exact, ec))) {
            current = exact;
            continue;
        }
        std::optional<fs::path> match;
        for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
            if (equalsIgnoreCase(it->path().filename().string(), part.string())) {
                match = it->path();
                break;
            }
        }
        if (!match) return std::nullopt;
        current = *match;
    }
    return current;
}

fs::path resolvePath(const fs::path& base, std::string_view discPath) {
    fs::path rel = toNativePath(discPath);
    if (auto found = findCaseInsensitive(base, rel)) return *found;
    return rel.is_absolute() ? rel : base / rel;
}

fs::path executableFolder() {
    return executablePath().parent_path();
}

}  // namespace rondivo::platform
