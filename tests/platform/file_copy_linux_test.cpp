#include <gtest/gtest.h>

#include <iterator>

#include "platform/file_copy.h"
#include "test_support.h"
#include "tmpfs_drive.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

// Given a disk too small for the copy, the earlier file should stay whole and
// nothing half-written should be left; a device is neither read nor replaced.
TEST(FileCopy, IsWholeOrNothing) {
    TempDir t;
    writeFile(t / "a.txt", std::string(100000, 'a'));
    test::TmpfsDrive small(64);
    if (small.mounted()) {
        writeFile(small.root() / "a.txt", "earlier");
        platform::FileCopyResult full =
            platform::copyRegularFile(t / "a.txt", small.root() / "a.txt");
        EXPECT_TRUE(full.diskFull) << full.reason;
        EXPECT_EQ(readFile(small.root() / "a.txt"), "earlier");
        EXPECT_EQ(std::distance(fs::directory_iterator(small.root()), fs::directory_iterator()), 1);
    }
    platform::FileCopyResult device = platform::copyRegularFile("/dev/zero", t / "z");
    EXPECT_TRUE(device.notRegularFile);
    EXPECT_FALSE(fs::exists(t / "z"));
    platform::FileCopyResult ontoDevice = platform::copyRegularFile(t / "a.txt", "/dev/null");
    EXPECT_TRUE(ontoDevice.notRegularFile);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // A file that happens to have the temporary name stays as it is.
    writeFile(t / ".b.txt.part", "someone's");
    EXPECT_TRUE(platform::copyRegularFile(t / "a.txt", t / "b.txt").ok());
    EXPECT_EQ(readFile(t / ".b.txt.part"), "someone's");
    writeFile(t / "kept.txt", "read-only");
    fs::permissions(t / "kept.txt", fs::perms::owner_read);
    EXPECT_TRUE(platform::copyRegularFile(t / "a.txt", t / "kept.txt").ok());
    EXPECT_EQ(readFile(t / "kept.txt"), std::string(100000, 'a'));
}

}  // namespace
}  // namespace rondivo
