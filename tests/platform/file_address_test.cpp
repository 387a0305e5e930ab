#include "platform/file_address.h"

#include <gtest/gtest.h>

namespace rondivo::platform {
namespace {

struct AddressCase {
    const char* address;
    const char* path;  // nullptr: refused or no file address
    bool otherHost;
};

void expectPaths(PathStyle style, const std::vector<AddressCase>& cases) {
    for (const auto& c : cases) {
        auto got = pathFromFileAddress(c.address, style);
        if (!c.path) {
            EXPECT_FALSE(got) << c.address << " gave " << got->path;
            continue;
        }
        ASSERT_TRUE(got) << c.address;
        EXPECT_EQ(got->path, c.path) << c.address;
        EXPECT_EQ(got->otherHost, c.otherHost) << c.address;
        EXPECT_EQ(localFilePath(c.address, style), c.otherHost ? "" : c.path) << c.address;
    }
}

TEST(FileAddress, EveryFormIeHandsOverBecomesAWindowsPath) {
    expectPaths(
        PathStyle::Windows,
        {
            {"file:///D:/data/setup.exe", "D:\\data\\setup.exe", false},
            {"file://D:\\data\\setup.exe", "D:\\data\\setup.exe", false},
            {"file:///D:\\data\\setup.exe", "D:\\data\\setup.exe", false},
            {"file://localhost/D:/data/setup.exe", "D:\\data\\setup.exe", false},
            {"FILE:///d|/data/a.zip", "d:\\data\\a.zip", false},
            {"file:D:/data/a.doc", "D:\\data\\a.doc", false},
            {"file:///D:/Setup%20Files/%C3%9Cbersicht.doc?x=1#top",
             "D:\\Setup Files\\\xC3\x9C"
             "bersicht.doc",
             false},
            {"file:///D:/Daten/\xC3\x84rger.zip", "D:\\Daten\\\xC3\x84rger.zip", false},
            // A page in a Western code page encodes "Ü" as one byte.
            {"file:///D:/%DCbersicht.doc",
             "D:\\\xC3\x9C"
             "bersicht.doc",
             false},
            {"file:///data/a.zip", "\\data\\a.zip", false},
            // Network shares: a path, but another machine's.
            {"file://server/share/setup.exe", "\\\\server\\share\\setup.exe", true},
            {"file:////server/share/setup.exe", "\\\\server\\share\\setup.exe", true},
            {"file://localhost//server/share/setup.exe", "\\\\server\\share\\setup.exe", true},
            {"file:\\\\server\\share\\setup.exe", "\\\\server\\share\\setup.exe", true},
            {"file:%5C%5Cserver%5Cshare%5Csetup.exe", "\\\\server\\share\\setup.exe", true},
            {"file:///%5C%5Cserver/share/setup.exe", "\\\\server\\share\\setup.exe", true},
            // A NUL would cut the name short: the address is refused.
            {"file:///D:/data/setup.exe%00.txt", nullptr, false},
            {"http://example.com/a.zip", nullptr, false},
            {"D:\\data\\a.zip", nullptr, false},
        });
}

TEST(FileAddress, EveryFormBecomesAPosixPath) {
    expectPaths(
        PathStyle::Posix,
        {
            {"file:///media/cd/data/Setup%20Files.zip", "/media/cd/data/Setup Files.zip", false},
            {"file://localhost/media/cd/a.zip", "/media/cd/a.zip", false},
            {"file:/media/cd/a.zip", "/media/cd/a.zip", false},
            {"file:///media/cd/%C3%84rger.zip#x", "/media/cd/\xC3\x84rger.zip", false},
            // A backslash inside a name is part of the name here.
            {"file:///media/cd/a%5Cb.txt", "/media/cd/a\\b.txt", false},
            {"file://otherhost/share/a.zip", "//otherhost/share/a.zip", true},
            {"file:////server/share/setup.exe", "//server/share/setup.exe", true},
            {"file://localhost//server/setup.exe", "//server/setup.exe", true},
            {"file:\\\\server\\share\\setup.exe", "//server\\share\\setup.exe", true},
            {"file:%5C%5Cserver/setup.exe", "//server/setup.exe", true},
            {"file://D:/data/a.zip", "//D:/data/a.zip", true},
            {"file:///media/cd/a.zip%00", nullptr, false},
            {"mailto:a@b.c", nullptr, false},
        });
}

}  // namespace
}  // namespace rondivo::platform
