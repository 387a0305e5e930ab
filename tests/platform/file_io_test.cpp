#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "test_support.h"

namespace rondivo::platform {
namespace {

namespace fs = std::filesystem;

TEST(FileIo, WildcardsMatchAsTheWindowsFileFunctionsDo) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "index.html", true},
        {"*.htm*", "INDEX.HTML", true},
        {"*.jpg", "a.jpeg", false},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"*", "", true},
        {"", "x", false},
        {"*a", "banana", true},
        {"IMG_00??.JPG", "img_0012.jpg", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wildcardMatch(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;
}

// Windows paths are UTF-16: a name outside the ANSI code page must survive
// the way from UTF-8 text to the file system and back.
TEST(FileIo, NonAsciiNamesRoundTrip) {
    test::TempDir dir;
    const std::string name =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE6\x97\xA5\xE6\x9C\xAC \xD0\x96.txt";
    const fs::path file = dir.path() / u8path(name);
    int fd = openForWriting(file, Create::Exclusive);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    ASSERT_EQ(writeSome(fd, "hello world", 11), 11);
    ASSERT_EQ(closeFile(fd), 0);
    EXPECT_LT(openForWriting(file, Create::Exclusive), 0);  // exists already
    EXPECT_EQ(errno, EEXIST);

    std::vector<FolderEntry> entries;
    ASSERT_TRUE(listFolder(dir.path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, name);
    EXPECT_TRUE(entries[0].isFile);
    EXPECT_EQ(entries[0].size, 11u);
    EXPECT_EQ(u8string(dir.path() / u8path(entries[0].name)), u8string(file));

    fd = openForReading(file);
    ASSERT_GE(fd, 0);
    char buffer[8] = {};
    EXPECT_EQ(readAt(fd, buffer, 5, 6), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(readAt(fd, buffer, 5, 11), 0);  // at the end
    closeFile(fd);
}

TEST(FileIo, WritesAtOffsetsAndRenamesOverAnExistingFile) {
    test::TempDir dir;
    int fd = openForWriting(dir / "image", Create::Truncate);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(writeAt(fd, "BB", 2, 4096), 2);
    EXPECT_EQ(writeAt(fd, "AA", 2, 0), 2);
    closeFile(fd);
    EXPECT_EQ(fs::file_size(dir / "image"), 4098u);
    test::writeFile(dir / "old", "old");
    ASSERT_EQ(renameFile(dir / "image", dir / "old"), 0);
    const std::string bytes = test::readFile(dir / "old");
    EXPECT_EQ(bytes.substr(0, 2), "AA");
    EXPECT_EQ(bytes.substr(4096), "BB");
    EXPECT_FALSE(fs::exists(dir / "image"));
}

TEST(FileIo, FolderIdentityAndMissingFolders) {
    test::TempDir dir;
    fs::create_directories(dir / "a/b");
    FileIdentity one, again, other;
    ASSERT_TRUE(fileIdentity(dir / "a", one));
    ASSERT_TRUE(fileIdentity(dir / "a/b/..", again));
    ASSERT_TRUE(fileIdentity(dir / "a/b", other));
    EXPECT_EQ(one, again);
    EXPECT_NE(one, other);
    std::vector<FolderEntry> entries;
    EXPECT_FALSE(listFolder(dir / "missing", entries));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(fileIdentity(dir / "missing", one));
}

TEST(FileIo, CopiedFilesCanBeOverwrittenAgain) {
    test::TempDir dir;
    test::writeFile(dir / "source", "new contents");
    test::writeFile(dir / "target", "old");
    fs::permissions(dir / "source", fs::perms::owner_read);
    fs::permissions(dir / "target", fs::perms::owner_read);
    std::uint64_t bytes = 0;
    ASSERT_EQ(copyFileData(dir / "source", dir / "target", bytes), 0);
    EXPECT_EQ(bytes, 12u);
    EXPECT_EQ(test::readFile(dir / "target"), "new contents");
    // A copy of a read-only file (as from a CD) stays writable for the next build.
    EXPECT_EQ(copyFileData(dir / "source", dir / "target", bytes), 0);
    EXPECT_EQ(bytes, 24u);
    fs::permissions(dir / "source", fs::perms::owner_all);
}

}  // namespace
}  // namespace rondivo::platform
