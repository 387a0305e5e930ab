#pragma once
// A size-limited tmpfs mounted on a fresh folder, standing in for a USB stick
// (this kernel mounts no FAT); unmounted at the end. Needs root to mount.
#include <sys/mount.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/removable_drives.h"
#include "test_support.h"

namespace rondivo::test {

class TmpfsDrive {
  public:
    explicit TmpfsDrive(int kilobytes) {
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~TmpfsDrive() {
        if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
    }
    TmpfsDrive(const TmpfsDrive&) = delete;
    TmpfsDrive& operator=(const TmpfsDrive&) = delete;
    bool mounted() const { return mounted_; }
    const std::filesystem::path& root() const { return dir_.path(); }

  private:
    TempDir dir_;
    bool mounted_ = false;
};

// The system's drive service as a record of what was asked of it.
struct FakeDrives : platform::DriveService {
    std::vector<platform::RemovableDrive> drives;
    std::filesystem::path mountAt;  // where mount() puts an unmounted drive
    std::vector<std::string> calls;
    std::vector<platform::RemovableDrive> listDrives() override { return drives; }
    bool mount(platform::RemovableDrive& d, std::string&) override {
        calls.push_back("mount " + d.device);
        d.mountPoint = mountAt;
        return true;
    }
    bool setLabel(const platform::RemovableDrive& d, const std::string& label,
                  std::string&) override {
        calls.push_back("label " + d.device + " " + label);
        return true;
    }
    bool removeSafely(const platform::RemovableDrive& d, std::string&) override {
        calls.push_back("remove " + d.device);
        drives.clear();
        return true;
    }
};

// A 16 GB FAT stick, /dev/sdz1, mounted at `mountPoint` (empty: not mounted).
inline platform::RemovableDrive stick(const std::filesystem::path& mountPoint) {
    platform::RemovableDrive d;
    d.device = "/dev/sdz1";
    d.mountPoint = mountPoint;
    d.fileSystem = "vfat";
    d.label = "KINGSTON";
    d.size = 16000000000;
    d.free = 1000000;
    return d;
}

}  // namespace rondivo::test
