#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

fs::path toNativePath(std::string_view discPath) {
    // Windows takes "\" and "/" alike and keeps drive letters; the text is UTF-8.
    return u8path(discPath);
}

bool fileExists(const fs::path& path) {
    FILE* f = openFile(path, "rb");
    if (f) {
        std::fclose(f);
        return true;
    }
    return errno != ENOENT;
}

std::string executableFileName(std::string_view base) {
    return std::string(base) + ".exe";
}

fs::path executablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return fs::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace rondivo::platform
