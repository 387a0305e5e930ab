#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/removable_drives.h"
#include "platform/udisks_linux.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

std::string readLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\n')) line.pop_back();
    while (!line.empty() && line.front() == ' ') line.erase(0, 1);
    return line;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// "\040" in mountinfo, "\x20" in udev's encoded values.
std::string unescape(std::string_view s) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && hex(s[i + 2]) >= 0 &&
            hex(s[i + 3]) >= 0) {
            out.push_back(static_cast<char>(hex(s[i + 2]) * 16 + hex(s[i + 3])));
            i += 3;
        } else if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7') {
            out.push_back(
                static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

bool parseDeviceNumber(const std::string& text, unsigned& major, unsigned& minor) {
    return std::sscanf(text.c_str(), "%u:%u", &major, &minor) == 2;
}

bool startsWith(const std::string& s, std::string_view prefix) {
    return s.rfind(prefix, 0) == 0;
}

// Optical drives belong to burning; loop, RAM and mapper devices are no drive one unplugs.
bool consideredAtAll(const std::string& name) {
    for (const char* prefix : {"sr", "loop", "ram", "zram", "dm-", "md", "nbd"})
        if (startsWith(name, prefix)) return false;
    return true;
}

bool removableOrUsb(const fs::path& disk) {
    if (readLine(disk / "removable") == "1") return true;
    std::error_code ec;
    const std::string real = fs::canonical(disk, ec).generic_string();
    return !ec && real.find("/usb") != std::string::npos;
}

// Fills in what udev knows (label and file system type) and the mount.
void describe(RemovableDrive& d, const fs::path& node, const BlockDeviceSources& src,
              const std::vector<MountInfoEntry>& mounts) {
    unsigned major = 0, minor = 0;
    const bool numbered = parseDeviceNumber(readLine(node / "dev"), major, minor);
    if (numbered) {
        std::istringstream udev(
            readAll(src.udevData / ("b" + std::to_string(major) + ":" + std::to_string(minor))));
        std::string plainLabel;
        for (std::string line; std::getline(udev, line);) {
            if (startsWith(line, "E:ID_FS_TYPE=")) d.fileSystem = line.substr(13);
            if (startsWith(line, "E:ID_FS_LABEL_ENC=")) d.label = unescape(line.substr(18));
            if (startsWith(line, "E:ID_FS_LABEL=")) plainLabel = line.substr(14);
        }
        if (d.label.empty()) d.label = plainLabel;
    }
    for (const auto& m : mounts) {
        if ((numbered && m.major == major && m.minor == minor) || m.source == d.device) {
            d.mountPoint = m.mountPoint;
            if (d.fileSystem.empty()) d.fileSystem = m.type;
            break;
        }
    }
    std::uint64_t sectors = 0;
    std::istringstream(readLine(node / "size")) >> sectors;
    d.size = sectors * 512;  // sysfs counts 512-byte sectors whatever the device's block size
    VolumeSpace space;
    if (d.mounted() && src.space && src.space(d.mountPoint, space)) d.free = space.free;
}

}  // namespace

std::vector<MountInfoEntry> parseMountInfo(std::string_view text) {
    std::vector<MountInfoEntry> out;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        // id parent major:minor root mount-point options [optional...] - type source super
        std::istringstream fields(line);
        std::string id, parent, number, root, point, word;
        if (!(fields >> id >> parent >> number >> root >> point)) continue;
        MountInfoEntry e;
        if (!parseDeviceNumber(number, e.major, e.minor)) continue;
        e.mountPoint = unescape(point);
        while (fields >> word && word != "-") {
        }
        std::string source;
        if (!(fields >> e.type >> source)) continue;
        e.source = unescape(source);
        out.push_back(std::move(e));
    }
    return out;
}

std::vector<RemovableDrive> listRemovableDrives(const BlockDeviceSources& src) {
    const std::vector<MountInfoEntry> mounts = parseMountInfo(src.mountInfo);
    std::vector<fs::path> disks;
    std::error_code ec;
    for (fs::directory_iterator it(src.sysBlock, ec), end; !ec && it != end; it.increment(ec))
        disks.push_back(it->path());
    std::sort(disks.begin(), disks.end());
    std::vector<RemovableDrive> drives;
    for (const fs::path& disk : disks) {
        const std::string name = disk.filename().string();
        if (!consideredAtAll(name) || !removableOrUsb(disk)) continue;
        if (readLine(disk / "size") == "0" || readLine(disk / "size").empty()) continue;
        std::string description = readLine(disk / "device" / "vendor");
        const std::string model = readLine(disk / "device" / "model");
        if (!model.empty()) description += (description.empty() ? "" : " ") + model;
        std::vector<fs::path> partitions;
        for (fs::directory_iterator it(disk, ec), end; !ec && it != end; it.increment(ec))
            if (startsWith(it->path().filename().string(), name) &&
                fs::exists(it->path() / "partition"))
                partitions.push_back(it->path());
        std::sort(partitions.begin(), partitions.end());
        if (partitions.empty()) partitions.push_back(disk);
        for (const fs::path& node : partitions) {
            RemovableDrive d;
            d.device = "/dev/" + node.filename().string();
            d.description = description;
            describe(d, node, src, mounts);
            drives.push_back(std::move(d));
        }
    }
    return drives;
}

namespace {

class LinuxDriveService : public DriveService {
  public:
    std::vector<RemovableDrive> listDrives() override {
        BlockDeviceSources sources;
        sources.mountInfo = readAll("/proc/self/mountinfo");
        return listRemovableDrives(sources);
    }
    bool mount(RemovableDrive& drive, std::string& error) override {
        if (!udisks::mount(drive.device, drive.mountPoint, error)) return false;
        VolumeSpace space;
        if (volumeSpace(drive.mountPoint, space)) drive.free = space.free;
        return true;
    }
    bool setLabel(const RemovableDrive& drive, const std::string& label,
                  std::string& error) override {
        return udisks::setLabel(drive.device, label, error);
    }
    bool removeSafely(const RemovableDrive& drive, std::string& error) override {
        return udisks::unmountAndPowerOff(drive.device, error);
    }
};

}  // namespace

std::unique_ptr<DriveService> systemDriveService() {
    return std::make_unique<LinuxDriveService>();
}

}  // namespace rondivo::platform
