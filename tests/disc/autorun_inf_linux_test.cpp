// autorun.inf on a disk that fills up (a small tmpfs).
#include <gtest/gtest.h>

#include <fstream>

#include "disc/autorun_inf.h"
#include "test_support.h"
#include "tmpfs_drive.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;

// Given a disk with no room for the new file, the earlier autorun.inf should
// stay whole and nothing half-written should be left beside it.
TEST(AutorunInf, AFullDiskKeepsTheEarlierFile) {
    test::TmpfsDrive drive(16);
    if (!drive.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    AutorunInfValues v;
    v.openFile = "index.html";
    bool written = false;
    writeAutorunInf(drive.root(), v, &written);
    ASSERT_TRUE(written);
    const std::string earlier = test::readFile(drive.root() / kAutorunInfName);
    {
        std::ofstream filler(drive.root() / "filler", std::ios::binary);
        filler << std::string(64 * 1024, 'f');
    }
    v.openFile = std::string(8000, 'x') + ".html";
    writeAutorunInf(drive.root(), v, &written);
    EXPECT_FALSE(written);
    EXPECT_EQ(test::readFile(drive.root() / kAutorunInfName), earlier);
    EXPECT_FALSE(writeAutorunInfLines(drive.root(), {"[autorun]", v.openFile}));
    EXPECT_EQ(test::readFile(drive.root() / kAutorunInfName), earlier);
    EXPECT_EQ(std::distance(fs::directory_iterator(drive.root()), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace rondivo
