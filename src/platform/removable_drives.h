#pragma once
// Removable drives (USB sticks, memory cards) a presentation can be copied
// to, and what the desktop's own service does with them: mount, set the
// label, and power off for safe removal. Windows asks the drive letters.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_files.h"

namespace rondivo::platform {

struct RemovableDrive {
    std::string device;                // "/dev/sdb1"; "E:" on Windows
    std::string description;           // vendor and model, "" when unknown
    std::filesystem::path mountPoint;  // empty: not mounted
    std::string label;
    std::string fileSystem;  // "vfat", "exfat", "ntfs"; "FAT32", "exFAT", "NTFS" on Windows
    std::uint64_t size = 0;
    std::uint64_t free = 0;  // 0 until mounted
    bool mounted() const { return !mountPoint.empty(); }
};

// Every call may block for a moment (the desktop's service answers over
// D-Bus); none shows anything. Tests hand the windows and the command a fake.
class DriveService {
  public:
    virtual ~DriveService() = default;
    virtual std::vector<RemovableDrive> listDrives() = 0;
    // Mounts through the desktop's service and fills in the mount point.
    virtual bool mount(RemovableDrive& drive, std::string& error) = 0;
    virtual bool setLabel(const RemovableDrive& drive, const std::string& label,
                          std::string& error) = 0;
    // Unmounts and powers the drive off so it can be pulled out.
    virtual bool removeSafely(const RemovableDrive& drive, std::string& error) = 0;
};

std::unique_ptr<DriveService> systemDriveService();

// "1.9 GB", "512 KB": sizes as a person reads them (1000-based, as drives are sold).
std::string readableSize(std::uint64_t bytes);

#ifndef _WIN32
struct MountInfoEntry {
    unsigned major = 0, minor = 0;
    std::filesystem::path mountPoint;
    std::string type;
    std::string source;
};
// The lines of /proc/self/mountinfo; octal escapes such as "\040" decoded.
std::vector<MountInfoEntry> parseMountInfo(std::string_view text);

// Where the listing looks; tests point it at a made-up tree.
struct BlockDeviceSources {
    std::filesystem::path sysBlock = "/sys/block";
    std::filesystem::path udevData = "/run/udev/data";  // labels and file system types
    std::string mountInfo;                              // the text of /proc/self/mountinfo
    std::function<bool(const std::filesystem::path&, VolumeSpace&)> space = volumeSpace;
};

// Block devices the kernel marks removable or that hang off USB (optical
// drives, loop and RAM devices excluded), each partition its own entry;
// a disk without partitions is one entry itself. Empty card readers are left out.
std::vector<RemovableDrive> listRemovableDrives(const BlockDeviceSources& sources);
#endif

}  // namespace rondivo::platform
