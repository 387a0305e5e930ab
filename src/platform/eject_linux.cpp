#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/eject.h"
#include "platform/process.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

std::string unescapeMountField(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7') {
            out.push_back(
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

bool holds(const fs::path& mountPoint, const fs::path& folder) {
    auto m = mountPoint.begin(), f = folder.begin();
    for (; m != mountPoint.end(); ++m, ++f) {
        if (m->empty()) continue;  // trailing separator
        if (f == folder.end() || *m != *f) return false;
    }
    return true;
}

}  // namespace

std::optional<MountEntry> mountHolding(const fs::path& folder, std::string_view mountsText) {
    std::error_code ec;
    fs::path target = fs::weakly_canonical(folder, ec);
    if (ec) target = folder;
    std::optional<MountEntry> best;
    std::istringstream in{std::string(mountsText)};
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string device, point, type;
        if (!(fields >> device >> point >> type)) continue;
        MountEntry e{unescapeMountField(device), unescapeMountField(point), type};
        if (!holds(e.mountPoint, target)) continue;
        // Later entries mount over earlier ones at the same place.
        if (!best || e.mountPoint.string().size() >= best->mountPoint.string().size()) best = e;
    }
    return best;
}

bool isOpticalMount(const MountEntry& e) {
    return e.type == "iso9660" || e.type == "udf" || e.device.rfind("/dev/sr", 0) == 0;
}

bool ejectDiscHolding(const fs::path& folder, std::string_view mountsText) {
    auto entry = mountHolding(folder, mountsText);
    if (!entry || !isOpticalMount(*entry)) return false;
    if (findOnPath("eject")) {
        // eject unmounts the file system first, which the drive needs before it opens.
        auto started = spawnProcess({"eject", entry->device});
        return started.started() && waitForExit(started.pid) == 0;
    }
    int fd = ::open(entry->device.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    bool ok = ::ioctl(fd, CDROMEJECT, 0) == 0;
    ::close(fd);
    return ok;
}

bool ejectDiscHolding(const fs::path& folder) {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    text << in.rdbuf();
    return ejectDiscHolding(folder, text.str());
}

std::optional<fs::path> opticalDriveRoot(const fs::path& folder) {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    text << in.rdbuf();
    auto entry = mountHolding(folder, text.str());
    if (!entry || !isOpticalMount(*entry)) return std::nullopt;
    return entry->mountPoint;
}

}  // namespace rondivo::platform
