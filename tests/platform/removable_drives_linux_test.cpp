#include <gtest/gtest.h>

#include "platform/removable_drives.h"
#include "platform/udisks_linux.h"
#include "test_support.h"

namespace rondivo::platform {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;

// A made-up /sys/block: each disk a link into a devices tree, as the kernel has it.
struct FakeSys {
    TempDir t;
    fs::path block = t / "sys/block";
    fs::path udev = t / "udev";
    void disk(const std::string& name, const std::string& devicePath, const std::string& removable,
              const std::string& sectors, const std::string& dev) {
        fs::path real = t / "sys/devices" / devicePath / name;
        writeFile(real / "removable", removable + "\n");
        writeFile(real / "size", sectors + "\n");
        writeFile(real / "dev", dev + "\n");
        writeFile(real / "device/vendor", "Acme    \n");
        writeFile(real / "device/model", "Stick 16G       \n");
        fs::create_directories(block);
        fs::create_directory_symlink(real, block / name);
    }
    void partition(const std::string& diskName, const std::string& name, const std::string& sectors,
                   const std::string& dev) {
        fs::path p = block / diskName / name;
        writeFile(p / "partition", "1\n");
        writeFile(p / "size", sectors + "\n");
        writeFile(p / "dev", dev + "\n");
    }
};

TEST(RemovableDrives, UsbAndRemovableDisksWithTheirMountsLabelsAndSpace) {
    FakeSys sys;
    // A USB stick the kernel does not mark removable, with two partitions.
    sys.disk("sdb", "pci0000:00/usb2/2-1/host6/target6:0:0/6:0:0:0/block", "0", "31260672", "8:16");
    sys.partition("sdb", "sdb1", "31000000", "8:17");
    sys.partition("sdb", "sdb2", "200000", "8:18");
    // A memory card without a partition table.
    sys.disk("mmcblk0", "platform/mmc0/block", "1", "3900000", "179:0");
    sys.disk("sda", "pci0000:00/ata1/host0/block", "0", "500000000", "8:0");  // internal
    sys.disk("sr0", "pci0000:00/usb1/1-2/block", "1", "2097152", "11:0");     // optical
    sys.disk("loop0", "virtual/block", "0", "1000", "7:0");
    sys.disk("sdc", "pci0000:00/usb2/2-2/block", "1", "0", "8:32");  // empty card reader
    writeFile(sys.udev / "b8:17",
              "E:ID_FS_TYPE=vfat\nE:ID_FS_LABEL=MY_STICK\n"
              "E:ID_FS_LABEL_ENC=MY\\x20STICK\n");
    writeFile(sys.udev / "b179:0", "E:ID_FS_TYPE=exfat\n");
    BlockDeviceSources src;
    src.sysBlock = sys.block;
    src.udevData = sys.udev;
    src.mountInfo =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "90 22 8:17 / /media/me/MY\\040STICK rw,nosuid shared:50 - vfat /dev/sdb1 rw,uid=1000\n";
    src.space = [](const fs::path& p, VolumeSpace& s) {
        if (p != "/media/me/MY STICK") return false;
        s.free = 12000000000;
        return true;
    };
    auto drives = listRemovableDrives(src);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].device, "/dev/mmcblk0");
    EXPECT_EQ(drives[0].fileSystem, "exfat");
    EXPECT_FALSE(drives[0].mounted());
    EXPECT_EQ(drives[0].size, 3900000ull * 512);
    EXPECT_EQ(drives[1].device, "/dev/sdb1");
    EXPECT_EQ(drives[1].mountPoint, "/media/me/MY STICK");
    EXPECT_EQ(drives[1].label, "MY STICK");
    EXPECT_EQ(drives[1].fileSystem, "vfat");
    EXPECT_EQ(drives[1].free, 12000000000ull);
    EXPECT_EQ(drives[1].description, "Acme Stick 16G");
    EXPECT_EQ(drives[2].device, "/dev/sdb2");
    EXPECT_EQ(drives[2].fileSystem, "");
    EXPECT_EQ(readableSize(drives[1].size), "16 GB");
}

TEST(RemovableDrives, UdisksObjectPathsEscapeAsTheServiceDoes) {
    EXPECT_EQ(udisks::blockObjectPath("/dev/sdb1"), "/org/freedesktop/UDisks2/block_devices/sdb1");
    EXPECT_EQ(udisks::blockObjectPath("/dev/dm-0"),
              "/org/freedesktop/UDisks2/block_devices/dm_2d0");
}

}  // namespace
}  // namespace rondivo::platform
