#include "iso/iso_names.h"

#include <gtest/gtest.h>

#include <set>

namespace rondivo::iso {
namespace {

struct ShortCase {
    const char* longName;
    bool directory;
    const char* expected;
};

// Each row is made in a fresh directory.
TEST(ShortNameTable, MakesWindowsStyleNamesFromDCharacters) {
    const ShortCase cases[] = {
        {"readme.txt", false, "README.TXT"},
        {"INDEX.HTM", false, "INDEX.HTM"},
        {"Makefile", false, "MAKEFILE"},
        {"long name.html", false, "LONGNA~1.HTM"},
        {"index.html", false, "INDEX~1.HTM"},
        {"my-file.txt", false, "MY_FIL~1.TXT"},
        {"a.b.c.txt", false, "ABC~1.TXT"},
        {".htaccess", false, "HTACCE~1"},
        {"+++", false, "___~1"},
        {"café.htm", false, "CAF_~1.HTM"},
        {"images", true, "IMAGES"},
        {"Pictures of 2004", true, "PICTUR~1"},
        {"my.folder", true, "MYFOLD~1"},
        {"verylongdir", true, "VERYLO~1"},
    };
    for (const auto& c : cases) {
        ShortNameTable table;
        EXPECT_EQ(table.assign(utf8ToUtf16(c.longName), c.directory), c.expected) << c.longName;
    }
}

TEST(ShortNameTable, NamesSharingTheirStartStayUniqueInOneDirectory) {
    ShortNameTable table;
    EXPECT_EQ(table.assign(u"Longname one.htm", false), "LONGNA~1.HTM");
    EXPECT_EQ(table.assign(u"Longname two.htm", false), "LONGNA~2.HTM");
    // A real 8.3 name that a tail already took gets the next tail.
    EXPECT_EQ(table.assign(u"LONGNA~3.HTM", false), "LONGNA~3.HTM");
    EXPECT_EQ(table.assign(u"Longname three.htm", false), "LONGNA~4.HTM");
    // Different extensions do not collide.
    EXPECT_EQ(table.assign(u"Longname one.txt", false), "LONGNA~1.TXT");
}

TEST(ShortNameTable, ThousandsOfSimilarNamesAreAllDistinctAndShort) {
    ShortNameTable table;
    std::set<std::string> seen;
    for (int i = 0; i < 20000; ++i) {
        std::string name =
            table.assign(utf8ToUtf16("Document number " + std::to_string(i) + ".html"), false);
        EXPECT_TRUE(seen.insert(name).second) << name;
        auto dot = name.find('.');
        ASSERT_NE(dot, std::string::npos);
        EXPECT_LE(dot, 8u) << name;
        EXPECT_LE(name.size() - dot - 1, 3u) << name;
    }
    EXPECT_TRUE(seen.count("DOCUME~9.HTM"));
    EXPECT_TRUE(seen.count("DOCUM~10.HTM"));
    EXPECT_TRUE(seen.count("DOCU~100.HTM"));
}

TEST(Utf16, RoundTripsAndTakesBrokenUtf8AsLatin1) {
    EXPECT_EQ(utf8ToUtf16("abc"), u"abc");
    EXPECT_EQ(utf8ToUtf16("caf\xc3\xa9"), u"caf\u00e9");
    EXPECT_EQ(utf8ToUtf16("\xe2\x82\xac"), u"\u20ac");
    EXPECT_EQ(utf8ToUtf16("\xf0\x9f\x98\x80"), u"\U0001F600");
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600 caf\u00e9"), "\xf0\x9f\x98\x80 caf\xc3\xa9");
    // A lone Latin-1 byte and a truncated sequence.
    EXPECT_EQ(utf8ToUtf16("caf\xe9"), u"caf\u00e9");
    EXPECT_EQ(utf8ToUtf16("a\xe2\x82"), u"a\u00e2\u0082");
}

TEST(UpperCase16, FoldsTheScriptsWindowsFolds) {
    EXPECT_EQ(upperCase16(u"index.html"), u"INDEX.HTML");
    EXPECT_EQ(upperCase16(u"\u00e9t\u00e9 \u00ff"), u"\u00c9T\u00c9 \u0178");
    EXPECT_EQ(upperCase16(u"\u0161\u017e"), u"\u0160\u017d");
    EXPECT_EQ(upperCase16(u"\u03b1\u0431\u0451"), u"\u0391\u0411\u0401");
    EXPECT_EQ(upperCase16(u"\u00f7\u00df"), u"\u00f7\u00df");
}

}  // namespace
}  // namespace rondivo::iso
