#include "disc/autorun_dat.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "test_support.h"

namespace rondivo {
namespace {

PresentationSettings readText(const std::string& text) {
    PresentationSettings s;
    std::istringstream in(text);
    readPresentationSettings(in, s);
    return s;
}

// Lines 1-12 of a file as the designer writes it, with the given line 13 and 14 appended.
std::string fileWithLine13(const std::string& line13, const std::string& eol = "\r\n") {
    std::string t;
    for (const char* l : {"3000", "1", "0", "0", "0", "", "0", "", "0", "", "0 0", "0"})
        t += std::string(l) + eol;
    return t + line13 + eol + "1" + eol;
}

TEST(SplashTime, IndexMapsToMilliseconds) {
    struct Case {
        int index, ms;
    } cases[] = {{0, 1500}, {1, 3000}, {2, 4500}, {3, 7500}, {4, 3000}, {-1, 3000}, {99, 3000}};
    for (auto c : cases) EXPECT_EQ(splashTimeFromIndex(c.index), c.ms) << c.index;
}

TEST(PresentationFile, WriterProducesFourteenCrLfLines) {
    PresentationSettings v;
    v.splashDisplayMs = 7500;
    v.disableRightClick = 1;
    v.centreOnStart = 1;
    v.customWidth = 640;
    v.customHeight = 480;
    v.startX = "100";
    v.startY = "50%";
    EXPECT_EQ(presentationFileText(v),
              "7500\r\n1\r\n0\r\n0\r\n0\r\n\r\n0\r\n\r\n0\r\n\r\n640 480\r\n0\r\n100 50%\r\n1\r\n");
}

TEST(PresentationFile, EmptyStartPositionIsASingleBlank) {
    PresentationSettings v;
    auto text = presentationFileText(v);
    EXPECT_NE(text.find("\r\n \r\n"), std::string::npos);
    auto s = readText(text);
    EXPECT_EQ(s.startX, "");
    EXPECT_EQ(s.startY, " ");
}

TEST(PresentationFile, RoundTripThroughDisk) {
    test::TempDir dir;
    PresentationSettings v;
    v.splashDisplayMs = 1500;
    v.disableRightClick = false;
    v.disableTitleBar = true;
    v.disableResizing = true;
    v.customWidth = 1024;
    v.customHeight = 700;
    v.topMost = true;
    v.startX = "25%";
    v.startY = "100%";
    v.centreOnStart = false;
    ASSERT_TRUE(writePresentationFile(dir.path(), v));
    PresentationSettings s;
    readPresentationFile(dir / "autorun.dat", s);
    EXPECT_EQ(s.splashDisplayMs, 1500);
    EXPECT_EQ(s.disableRightClick, 0);
    EXPECT_EQ(s.disableTitleBar, 1);
    EXPECT_EQ(s.disableResizing, 1);
    EXPECT_EQ(s.customWidth, 1024);
    EXPECT_EQ(s.customHeight, 700);
    EXPECT_EQ(s.topMost, 1);
    EXPECT_EQ(s.startX, "25%");
    EXPECT_EQ(s.startY, " 100%");  // whole, with its leading blank
    EXPECT_EQ(s.centreOnStart, 0);
    // What was read writes the same file again.
    EXPECT_EQ(presentationFileText(s), presentationFileText(v));
}

TEST(PresentationFile, RewritingAShorterFileLeavesNoOldBytes) {
    test::TempDir dir;
    test::writeFile(dir / "autorun.dat", std::string(5000, 'x'));
    ASSERT_TRUE(writePresentationFile(dir.path(), PresentationSettings{}));
    EXPECT_EQ(test::readFile(dir / "autorun.dat"), presentationFileText(PresentationSettings{}));
}

TEST(PresentationFile, WriteIntoMissingFolderFails) {
    test::TempDir dir;
    EXPECT_FALSE(writePresentationFile(dir / "no/such/folder", PresentationSettings{}));
}

TEST(PresentationFile, StartPositionLine) {
    struct Case {
        const char* line;
        const char* x;
        const char* y;
    } cases[] = {
        {"100 50%", "100", " 50%"},
        {"1024 768", "1024", " 768"},
        {"100 100%", "100", " 100%"},    // the "%" is kept: the designer wrote it
        {"12345 678", "12345", " 678"},  // a long X no longer derails the line
        {" ", "", " "},
        {"", "", ""},
        {"50%", "50%", ""},
        {"10  20", "10", "  20"},
    };
    for (const auto& c : cases) {
        for (const char* eol : {"\r\n", "\n"}) {
            auto s = readText(fileWithLine13(c.line, eol));
            EXPECT_EQ(s.startX, c.x) << c.line;
            EXPECT_EQ(s.startY, c.y) << c.line;
            EXPECT_EQ(s.centreOnStart, 1) << "line 14 after '" << c.line << "'";
        }
    }
}

TEST(PresentationFile, PartialAndMalformedFiles) {
    struct Case {
        const char* name;
        std::string text;
        PresentationSettings want;
    };
    auto with = [](auto f) {
        PresentationSettings s;
        f(s);
        return s;
    };
    std::vector<Case> cases = {
        {"only line 1", "7500\r\n", with([](auto& s) { s.splashDisplayMs = 7500; })},
        {"line 1 without newline", "4500", with([](auto& s) { s.splashDisplayMs = 4500; })},
        {"flags clamp", "3000\n5\n1\n-1\n", with([](auto& s) { s.disableTitleBar = 1; })},
        {"bad integer stops reading", "1500\nabc\n1\n1\n",
         with([](auto& s) { s.splashDisplayMs = 1500; })},
        {"overflow stops reading", "99999999999\n1\n", PresentationSettings{}},
        {"signed values", "-5\n+1\n", with([](auto& s) {
             s.splashDisplayMs = -5;
             s.disableRightClick = 1;
         })},
        {"integer followed by junk", "2000junk\n1 trailing\n", with([](auto& s) {
             s.splashDisplayMs = 2000;
             s.disableRightClick = 1;
         })},
        {"top-most taken as read", "3000\n0\n0\n0\n0\n\n0\n\n0\n\n640 480\n5\n", with([](auto& s) {
             s.customWidth = 640;
             s.customHeight = 480;
             s.topMost = 5;
         })},
        {"width without height", "3000\n0\n0\n0\n0\n\n0\n\n0\n\n800 x\n1\n", with([](auto& s) {
             s.disableRightClick = 0;
             s.customWidth = 800;
         })},
        {"splash time from a disc is bounded", "2147483647\n",
         with([](auto& s) { s.splashDisplayMs = kMaxSplashDisplayMs; })},
        {"splash time at the bound stays", "60000\n",
         with([](auto& s) { s.splashDisplayMs = 60000; })},
        {"window size from a disc is bounded", "3000\n0\n0\n0\n0\n\n0\n\n0\n\n2147483647 -7\n",
         with([](auto& s) {
             s.disableRightClick = 0;
             s.customWidth = kMaxCustomWindowExtent;
             s.customHeight = 0;
         })},
        {"window size at the bound stays", "3000\n0\n0\n0\n0\n\n0\n\n0\n\n10000 1\n",
         with([](auto& s) {
             s.disableRightClick = 0;
             s.customWidth = 10000;
             s.customHeight = 1;
         })},
        {"reserved lines hold anything",
         "3000\n0\n0\n0\n7\n\xff\xfe junk \t\x01\n0\n" + std::string(5000, 'z') +
             "\n0\n\n320 200\n",
         with([](auto& s) {
             s.customWidth = 320;
             s.customHeight = 200;
         })},
    };
    for (const auto& c : cases) {
        auto s = readText(c.text);
        EXPECT_EQ(s.splashDisplayMs, c.want.splashDisplayMs) << c.name;
        EXPECT_EQ(s.disableRightClick, c.want.disableRightClick) << c.name;
        EXPECT_EQ(s.disableTitleBar, c.want.disableTitleBar) << c.name;
        EXPECT_EQ(s.disableResizing, c.want.disableResizing) << c.name;
        EXPECT_EQ(s.customWidth, c.want.customWidth) << c.name;
        EXPECT_EQ(s.customHeight, c.want.customHeight) << c.name;
        EXPECT_EQ(s.topMost, c.want.topMost) << c.name;
        EXPECT_EQ(s.startX, c.want.startX) << c.name;
        EXPECT_EQ(s.startY, c.want.startY) << c.name;
        EXPECT_EQ(s.centreOnStart, c.want.centreOnStart) << c.name;
    }
}

TEST(PresentationFile, MissingFileKeepsDefaults) {
    test::TempDir dir;
    PresentationSettings s;
    readPresentationFile(dir / "autorun.dat", s);
    EXPECT_EQ(s.splashDisplayMs, 3000);
    EXPECT_EQ(s.startY, "");
}

TEST(PresentationFile, RandomBytesAndHugeLinesNeverCrash) {
    std::mt19937 rng(42);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 4096, '\0');
        for (auto& b : bytes) b = static_cast<char>(rng());
        auto s = readText(bytes);
        EXPECT_TRUE(s.disableRightClick == 0 || s.disableRightClick == 1);
    }
    std::string huge = "3000\n1\n0\n0\n0\n" + std::string(100000, 'a') + "\n0\n\n0\n\n1 2\n0\n" +
                       std::string(100000, '7') + " " + std::string(100000, '8') + "\n1\n";
    auto s = readText(huge);
    EXPECT_EQ(s.customWidth, 1);
    EXPECT_EQ(s.startX.size(), 100000u);
    EXPECT_EQ(s.startY.size(), 100001u);
    EXPECT_EQ(s.centreOnStart, 1);
}

}  // namespace
}  // namespace rondivo
