#include "platform/eject.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace rondivo::platform {
namespace {

const char* kMounts =
    "/dev/vda / ext4 rw,relatime 0 0\n"
    "proc /proc proc rw 0 0\n"
    "/dev/sr0 /media/user/MY\\040DISC iso9660 ro,nosuid 0 0\n"
    "/dev/sdb1 /media/user/stick vfat rw 0 0\n"
    "/dev/sr1 /mnt/dvd udf ro 0 0\n";

TEST(Eject, FindsTheMountThatHoldsAFolder) {
    RONDIVO_LINUX_ONLY("the mount table and the eject program");
#ifndef _WIN32
    struct Case {
        const char* folder;
        const char* device;
        bool optical;
    };
    const Case cases[] = {
        {"/media/user/MY DISC", "/dev/sr0", true},
        {"/media/user/MY DISC/data", "/dev/sr0", true},
        {"/media/user/MY DISCO", "/dev/vda", false},  // a longer name is another folder
        {"/media/user/stick/x", "/dev/sdb1", false},
        {"/mnt/dvd", "/dev/sr1", true},
        {"/home/u", "/dev/vda", false},
    };
    for (const auto& c : cases) {
        auto m = mountHolding(c.folder, kMounts);
        ASSERT_TRUE(m) << c.folder;
        EXPECT_EQ(m->device, c.device) << c.folder;
        EXPECT_EQ(isOpticalMount(*m), c.optical) << c.folder;
    }
#endif
}

class FakeEject : public ::testing::Test {
  protected:
    test::TempDir bin;
    test::TempDir disc;
    void SetUp() override {
        test::writeFile(bin / "eject",
                        "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + (bin / "log").string() + "'\n");
        std::filesystem::permissions(bin / "eject", std::filesystem::perms::owner_all);
    }
    std::string log() { return test::readFile(bin / "log"); }
};

TEST_F(FakeEject, EjectsTheOpticalDriveHoldingThePlayer) {
    RONDIVO_LINUX_ONLY("the mount table and the eject program");
#ifndef _WIN32
    test::ScopedEnv path("PATH", bin.path().string() + ":/usr/bin:/bin");
    std::string mounts =
        "/dev/vda / ext4 rw 0 0\n/dev/sr0 " + disc.path().string() + " iso9660 ro 0 0\n";
    EXPECT_TRUE(ejectDiscHolding(disc.path(), mounts));
    EXPECT_EQ(log(), "/dev/sr0\n");
#endif
}

TEST_F(FakeEject, NeverEjectsAHardDisk) {
    RONDIVO_LINUX_ONLY("the mount table and the eject program");
#ifndef _WIN32
    test::ScopedEnv path("PATH", bin.path().string() + ":/usr/bin:/bin");
    EXPECT_FALSE(ejectDiscHolding(disc.path(), "/dev/vda / ext4 rw 0 0\n"));
    EXPECT_EQ(log(), "");
#endif
}

}  // namespace
}  // namespace rondivo::platform
