#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/user_folders.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {
std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}
}  // namespace

fs::path homeFolder() {
    std::string home = env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_dir;
    return "/";
}

fs::path desktopFolder() {
    std::string config = env("XDG_CONFIG_HOME");
    fs::path configDir = config.empty() ? homeFolder() / ".config" : fs::path(config);
    std::ifstream in(configDir / "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        // XDG_DESKTOP_DIR="$HOME/Desktop"
        const std::string key = "XDG_DESKTOP_DIR=";
        auto pos = line.find(key);
        if (pos == std::string::npos || line.find('#') < pos) continue;
        std::string value = line.substr(pos + key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = homeFolder().string() + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return homeFolder() / "Desktop";
}

fs::path localAppDataFolder() {
    std::string data = env("XDG_DATA_HOME");
    if (!data.empty() && data[0] == '/') return data;
    return homeFolder() / ".local" / "share";
}

fs::path tempFolder() {
    std::string t = env("TMPDIR");
    return t.empty() ? fs::path("/tmp") : fs::path(t);
}

fs::path runtimeFolder() {
    std::string r = env("XDG_RUNTIME_DIR");
    if (!r.empty() && access(r.c_str(), W_OK) == 0) return r;
    return tempFolder();
}

fs::path windowsFolder() {
    return "/usr";
}

fs::path systemFolder() {
    return "/usr/lib";
}

std::string systemDrive() {
    return "/";
}

fs::path programFilesFolder() {
    return homeFolder() / ".local" / "bin";
}

}  // namespace rondivo::platform
