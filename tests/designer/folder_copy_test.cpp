#include "designer/folder_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(FolderCopy, CopiesSubfoldersEmptyFoldersAndDotFiles) {
    TempDir t;
    writeFile(t / "src/a.txt", "A");
    writeFile(t / "src/.hidden", "H");
    writeFile(t / "src/sub/deeper/b.bin", std::string(3 << 20, 'b'));
    fs::create_directories(t / "src/empty/inner");
    auto r = copyFolderTree(t / "src", t / "dst");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.files, 3u);
    EXPECT_EQ(readFile(t / "dst/a.txt"), "A");
    EXPECT_EQ(readFile(t / "dst/.hidden"), "H");
    EXPECT_EQ(readFile(t / "dst/sub/deeper/b.bin"), std::string(3 << 20, 'b'));
    EXPECT_TRUE(fs::is_directory(t / "dst/empty/inner"));
}

TEST(FolderCopy, OverwritesReadOnlyTargets) {
    TempDir t;
    writeFile(t / "src/a.txt", "new");
    writeFile(t / "dst/a.txt", "old and longer");
    fs::permissions(t / "dst/a.txt", fs::perms::owner_read);
    auto r = copyFolderTree(t / "src", t / "dst");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(readFile(t / "dst/a.txt"), "new");
}

TEST(FolderCopy, GoesOnAfterAFileItCannotCopyAndReportsIt) {
    TempDir t;
    writeFile(t / "src/a.txt", "A");
    writeFile(t / "src/z.txt", "Z");
    // A directory in the target where the file should go cannot be overwritten, even by root.
    fs::create_directories(t / "dst/a.txt/x");
    auto r = copyFolderTree(t / "src", t / "dst");
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].source, t / "src/a.txt");
    EXPECT_EQ(readFile(t / "dst/z.txt"), "Z");
}

TEST(FolderCopy, DestinationInsideTheSourceIsNotCopiedIntoItself) {
    TempDir t;
    writeFile(t / "home/page.html", "P");
    writeFile(t / "home/Desktop/note.txt", "N");
    auto r = copyFolderTree(t / "home", t / "home/Desktop/CD-ROM Distributable Files");
    EXPECT_TRUE(r.ok());
    const fs::path out = t / "home/Desktop/CD-ROM Distributable Files";
    EXPECT_EQ(readFile(out / "page.html"), "P");
    EXPECT_EQ(readFile(out / "Desktop/note.txt"), "N");
    EXPECT_FALSE(fs::exists(out / "Desktop/CD-ROM Distributable Files"));
}

TEST(FolderCopy, LinkLoopsAreCopiedOnce) {
    RONDIVO_LINUX_ONLY("symbolic links, which Wine cannot make");
    TempDir t;
    writeFile(t / "src/a.txt", "A");
    fs::create_directory_symlink(t / "src", t / "src/loop");
    auto r = copyFolderTree(t / "src", t / "dst");
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(readFile(t / "dst/a.txt"), "A");
    EXPECT_FALSE(fs::exists(t / "dst/loop/loop"));
}

TEST(FolderCopy, SourceIsNeverChanged) {
    RONDIVO_LINUX_ONLY("POSIX permission bits; Windows keeps only a read-only mark");
    TempDir t;
    writeFile(t / "src/ro.txt", "R");
    fs::permissions(t / "src/ro.txt", fs::perms::owner_read);
    copyFolderTree(t / "src", t / "dst");
    clearReadOnly(t / "dst/ro.txt");
    EXPECT_EQ(fs::status(t / "src/ro.txt").permissions() & fs::perms::all, fs::perms::owner_read);
    EXPECT_NE(fs::status(t / "dst/ro.txt").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST(DeleteFolderTree, EmptiesButKeepsTheFolderAndNeverFollowsLinks) {
    RONDIVO_LINUX_ONLY("symbolic links, which Wine cannot make");
    TempDir t;
    writeFile(t / "keep/precious.txt", "author");
    writeFile(t / "f/a/b.txt", "x");
    fs::create_directory_symlink(t / "keep", t / "f/link");
    EXPECT_TRUE(deleteFolderTree(t / "f"));
    EXPECT_TRUE(fs::is_directory(t / "f"));
    EXPECT_TRUE(fs::is_empty(t / "f"));
    EXPECT_EQ(readFile(t / "keep/precious.txt"), "author");
}

}  // namespace
}  // namespace rondivo

namespace rondivo {
namespace {

// FIFOs and /dev: Linux only.
#ifdef __linux__
// A FIFO once held the copy for ever and a device filled the disk: neither is opened now.
TEST(FolderCopyDeathTest, SpecialFilesAreListedNeverRead) {
    TempDir t;
    writeFile(t / "src/page.html", "P");
    ASSERT_EQ(::mkfifo((t / "src/pipe").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", t / "src/zero.jpg");
    EXPECT_EXIT(
        {
            alarm(10);
            auto r = copyFolderTree(t / "src", t / "dst");
            bool ok = r.files == 1 && r.failures.size() == 2 && !fs::exists(t / "dst/pipe") &&
                      !fs::exists(t / "dst/zero.jpg");
            for (const auto& f : r.failures)
                ok = ok && f.reason.find("not a regular file") != std::string::npos;
            std::_Exit(ok ? 0 : 2);
        },
        testing::ExitedWithCode(0), "");
}

#endif  // __linux__

}  // namespace
}  // namespace rondivo
