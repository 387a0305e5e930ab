#pragma once
// A size-limited tmpfs mounted on a fresh folder, standing in for a USB stick
// (this kernel mounts no FAT); unmounted at the end. Needs root to mount.
#include <sys/mount.h>

#include <filesystem>
#include <string>

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

}  // namespace rondivo::test
