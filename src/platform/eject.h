#pragma once
// Ejecting the disc the player runs from. Linux finds the optical drive
// through the mount table; Windows asks the drive letter's type.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rondivo::platform {

// Ejects the optical disc that holds `folder`. False, without touching
// anything, when no disc holds it.
bool ejectDiscHolding(const std::filesystem::path& folder);

// The root of the CD/DVD drive that holds `folder` ("D:\"), or nothing.
std::optional<std::filesystem::path> opticalDriveRoot(const std::filesystem::path& folder);

#ifndef _WIN32
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

// With the mount table given; the system's `eject` program unmounts first.
bool ejectDiscHolding(const std::filesystem::path& folder, std::string_view mountsText);
#endif

}  // namespace rondivo::platform
