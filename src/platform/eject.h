#pragma once
// Ejecting the disc the player runs from: the optical drive whose file system
// holds a folder, found through the mount table.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rondivo::platform {

struct MountEntry {
    std::string device;
    std::filesystem::path mountPoint;
    std::string type;
};

// The entry of /proc/self/mounts (given as text) with the longest mount
// point that holds `folder`; octal escapes such as "\040" are decoded.
std::optional<MountEntry> mountHolding(const std::filesystem::path& folder,
                                       std::string_view mountsText);

// A CD/DVD: an ISO 9660 or UDF file system, or a /dev/sr* device.
bool isOpticalMount(const MountEntry& entry);

// Ejects the optical disc that holds `folder` with the system's `eject`
// program. False, without touching anything, when no disc holds it.
bool ejectDiscHolding(const std::filesystem::path& folder);
bool ejectDiscHolding(const std::filesystem::path& folder, std::string_view mountsText);

}  // namespace rondivo::platform
