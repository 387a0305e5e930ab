#include "scsi/sg_transport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "scsi/device_access.h"
#include "scsi/mmc_commands.h"
#include "test_support.h"

namespace rondivo::scsi {
namespace {

namespace fs = std::filesystem;

TEST(ScsiAddress, IsReadFromTheSysfsDeviceName) {
    RONDIVO_LINUX_ONLY("SG_IO and /sys/class/block");
#ifndef _WIN32
    struct {
        const char* text;
        bool ok;
        int host, target, lun;
    } const cases[] = {
        {"1:0:0:0", true, 1, 0, 0},   {"12:3:4:5", true, 12, 4, 5}, {"0:0:0", false, 0, 0, 0},
        {"1:0:0:0x", false, 0, 0, 0}, {"a:b:c:d", false, 0, 0, 0},  {"300:0:0:0", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ScsiAddress a;
        ASSERT_EQ(parseScsiAddress(c.text, a), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.target, c.target);
        EXPECT_EQ(a.lun, c.lun);
    }
#endif
}

// Lays out /sys/class/block/<name>/device -> .../<address> and /dev/<name>.
void addDrive(const test::TempDir& root, const std::string& name, const std::string& address,
              bool deviceNode = true) {
    fs::create_directories(root / ("sys/" + name));
    if (!address.empty()) {
        fs::create_symlink("../../../devices/pci0000:00/host1/target/" + address,
                           root / ("sys/" + name + "/device"));
    }
    fs::create_directories(root / "dev");
    if (deviceNode) test::writeFile(root / ("dev/" + name), "");
}

TEST(SgTransport, FindsOpticalDrivesInNumberOrder) {
    RONDIVO_LINUX_ONLY("SG_IO and /sys/class/block");
#ifndef _WIN32
    test::TempDir root;
    addDrive(root, "sr10", "3:0:1:0");
    addDrive(root, "sr2", "2:0:0:0");
    addDrive(root, "sr0", "0:0:0:1");
    addDrive(root, "sr1", "");                // no SCSI address
    addDrive(root, "sr3", "4:0:0:0", false);  // no device node: cannot be opened
    addDrive(root, "sda", "5:0:0:0");
    addDrive(root, "srx", "6:0:0:0");

    SgTransport t(root / "sys", root / "dev");
    const auto drives = t.listDrives();
    ASSERT_EQ(drives.size(), 4u);
    EXPECT_EQ(drives[0].device, (root / "dev/sr0").string());
    EXPECT_TRUE(drives[0].hasAddress);
    EXPECT_EQ(drives[0].lun, 1);
    EXPECT_EQ(drives[0].letter, 'D');
    EXPECT_EQ(drives[1].device, (root / "dev/sr1").string());
    EXPECT_FALSE(drives[1].hasAddress);
    EXPECT_EQ(drives[1].letter, 'E');
    EXPECT_EQ(drives[2].hostAdapter, 2);
    EXPECT_EQ(drives[3].device, (root / "dev/sr10").string());
    EXPECT_EQ(drives[3].hostAdapter, 3);
    EXPECT_EQ(drives[3].target, 1);
#endif
}

TEST(SgTransport, NoSysfsMeansNoDrives) {
    RONDIVO_LINUX_ONLY("SG_IO and /sys/class/block");
#ifndef _WIN32
    test::TempDir root;
    SgTransport t(root / "missing", root / "dev");
    EXPECT_TRUE(t.listDrives().empty());
#endif
}

TEST(SgTransport, ACommandOnSomethingThatIsNotADriveFails) {
    RONDIVO_LINUX_ONLY("SG_IO and /sys/class/block");
#ifndef _WIN32
    test::TempDir root;
    test::writeFile(root / "plain", "not a device");
    SgTransport t(root / "sys", root.path());
    auto block = makeTestUnitReady();
    EXPECT_FALSE(t.execute((root / "plain").string(), block, nullptr));
    EXPECT_EQ(block.status, kStatusError);
    EXPECT_EQ(t.lastFailure().rfind("the system refused the command: ", 0), 0u) << t.lastFailure();

    auto missing = makeTestUnitReady();
    EXPECT_FALSE(t.execute((root / "none").string(), missing, nullptr));
    EXPECT_EQ(missing.status, kStatusError);
    EXPECT_EQ(t.lastFailure(),
              "cannot open " + (root / "none").string() + ": No such file or directory");
    // The words for the refusals a user can do something about.
    EXPECT_EQ(openFailureText("/dev/sr0", EACCES),
              "your user cannot write to /dev/sr0: add it to the cdrom group");
    EXPECT_EQ(openFailureText("/dev/sr0", EBUSY),
              "another program is using /dev/sr0 (or the disc is mounted): close it and try again");
#endif
}

// A CHECK CONDITION comes back with DRIVER_SENSE set: that is the drive's
// answer, not a failure on the way; EPERM is the kernel's filter, not the drive.
TEST(SgTransport, OnlyFailuresOnTheWayAreBlamedOnTheSystem) {
    struct {
        unsigned host, driver;
        const char* text;
    } const cases[] = {
        {0, 0, ""},
        {0, 0x08, ""},  // DRIVER_SENSE
        {0x03, 0, "the drive did not answer within 600 seconds"},
        {0x07, 0x08, "the host adapter reported error 7"},
        {0, 0x04, "the system's driver reported error 4"},
    };
    for (const auto& c : cases) EXPECT_EQ(hostFailureText(c.host, c.driver, 600), c.text);
    EXPECT_EQ(passThroughFailureText("/dev/sr0", EPERM),
              "the system did not pass the command on to /dev/sr0 (it is not allowed on this "
              "handle; your user may need write access to it)");
}

}  // namespace
}  // namespace rondivo::scsi
