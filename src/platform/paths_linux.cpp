#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/paths.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

fs::path toNativePath(std::string_view discPath) {
    std::string s(discPath);
    for (auto& c : s)
        if (c == '\\') c = '/';
    if (s.size() >= 2 && s[1] == ':' &&
        ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')))
        s = s.size() > 2 ? s.substr(2) : std::string("/");
    return fs::path(s);
}

bool fileExists(const fs::path& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) {
        std::fclose(f);
        return true;
    }
    return errno != ENOENT;
}

std::string executableFileName(std::string_view base) {
    return std::string(base);
}

fs::path executablePath() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

}  // namespace rondivo::platform
