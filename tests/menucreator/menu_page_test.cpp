#include "menucreator/menu_page.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "test_support.h"

namespace rondivo::menucreator {
namespace {

MenuHeadValues read(const std::string& text) {
    std::istringstream in(text);
    return readMenuHeadValues(in);
}

TEST(MenuHeadValues, ReadsEachValueFromItsLine) {
    struct Case {
        const char* name;
        std::string page;
        MenuHeadValues expected;
    };
    const Case cases[] = {
        {"written by the editor",
         "<HTML>\r\n<TITLE>My CD</TITLE>\r\n<BGSOUND SRC=\"C:\\m\\Song.mp3\">\r\n"
         "<BODY SCROLL=AUTO BACKGROUND=\"Sky.JPG\" "
         "BGCOLOR=#ff0000>\r\n<P>x</P>\r\n</BODY>\r\n</HTML>\r\n\r\n",
         {"My CD", "C:\\m\\Song.mp3", "Sky.JPG", "#ff0000"}},
        {"tags in any case, values keep theirs",
         "<html><title>Mixed Case</title></html>\n<bgsound src=\"A.wav\">\n<body "
         "bgcolor=#00FF00>\n",
         {"Mixed Case", "A.wav", "", "#00FF00"}},
        {"title needs its closing tag on the same line", "<TITLE>Broken\n</TITLE>\n", {}},
        {"BGCOLOR followed by tags with text after them is read",
         "<BODY BGCOLOR=#123456><P>hello there</P>\n",
         {"", "", "", "#123456"}},
        {"BGCOLOR followed by a blank before the next tag is not read",
         "<BODY BGCOLOR=#123456 TEXT=red><P>x\n",
         {}},
        {"BGCOLOR before the BODY tag does not count", "<TABLE BGCOLOR=#111111><BODY>\n", {}},
        {"background picture without closing quote is ignored",
         "<BODY BACKGROUND=\"sky.jpg>\n",
         {}},
        {"later lines overwrite earlier ones",
         "<TITLE>One</TITLE>\n<TITLE>Two</TITLE>\n",
         {"Two", "", "", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.page), c.expected) << c.name;
}

TEST(MenuHeadValues, BuiltInPagesAndMissingFilesGiveEmptyValues) {
    test::TempDir dir;
    test::writeFile(dir / "res:page.html", "<TITLE>Not read</TITLE>\n");
    EXPECT_EQ(readMenuHeadValuesFrom((dir / "res:page.html").string()), MenuHeadValues{});
    EXPECT_EQ(readMenuHeadValuesFrom((dir / "none.html").string()), MenuHeadValues{});
}

TEST(MenuHeadValues, VeryLongLinesAreReadInPieces) {
    // A title beyond the line buffer is split from its closing tag and lost,
    // while a short title on a following line is found.
    std::string page = "<TITLE>" + std::string(6000, 'x') + "</TITLE>\n<TITLE>Short</TITLE>\n";
    EXPECT_EQ(read(page).title, "Short");
}

TEST(ColourText, RedIsTheLowestByte) {
    EXPECT_EQ(colourText(0x0000FF), "#ff0000");
    EXPECT_EQ(colourText(0xFF0005), "#0500ff");
    EXPECT_EQ(colourText(0xFFC0C0C0), "#c0c0c0");
}

TEST(MenuPage, BuildsHeadAroundBody) {
    EXPECT_EQ(buildMenuPage("<P>Hi</P>", {"", "", "", "#ff0000"}),
              "<HTML>\n<TITLE></TITLE>\n<BODY SCROLL=AUTO "
              "BGCOLOR=#ff0000>\n<P>Hi</P>\n</BODY>\n</HTML>\n");
    EXPECT_EQ(buildMenuPage("b", {"T", "m.wav", "sky.jpg", ""}),
              "<HTML>\n<TITLE>T</TITLE>\n<BGSOUND SRC=\"m.wav\">\n<BODY SCROLL=AUTO "
              "BACKGROUND=\"sky.jpg\">\nb"
              "\n</BODY>\n</HTML>\n");
}

TEST(MenuPage, BodyHoldingWholePageIsCutAfterClosingTag) {
    EXPECT_EQ(buildMenuPage("<P>a</P></HTML>rest</HTML>", {"T", "m", "b", "#000000"}),
              "<P>a</P></HTML>");
    // Only the exact upper-case closing tag counts.
    EXPECT_NE(buildMenuPage("x</html>", {}).find("<TITLE>"), std::string::npos);
}

TEST(MenuPage, BlankTargetsOnlyForOrdinaryLinks) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"x<a href=\"http://ACTION_RUN=a.exe\">r</a>",
         "x<a href=\"http://ACTION_RUN=a.exe\">r</a>"},
        {"x<A HREF=\"file:///C:/a.html\">f</A>", "x<A HREF=\"file:///C:/a.html\">f</A>"},
        {"x<A href=\"page2.html\">p</A>", "x<A target=_blank href=\"page2.html\">p</A>"},
        {"x<a href=\"a.html\">1</a><a href=\"b.html\">2</a>",
         "x<a target=_blank href=\"a.html\">1</a><a target=_blank href=\"b.html\">2</a>"},
        // "action_" beyond the tag's ">" does not protect the link.
        {"x<a href=\"a.html\">action_run</a>", "x<a target=_blank href=\"a.html\">action_run</a>"},
        // The first character is never a link start.
        {"<a href=\"a.html\">", "<a href=\"a.html\">"},
        {"x<abbr>no</abbr>", "x<abbr>no</abbr>"},
    };
    for (const Case& c : cases) EXPECT_EQ(addBlankTargets(c.in), c.out) << c.in;
}

TEST(MenuPage, SavedBytesUseCrLfAndOneMoreLineEnd) {
    test::TempDir dir;
    auto file = dir / "My Menu.html";
    ASSERT_TRUE(saveMenuPage(file, "<P>Hi</P>", {"", "", "", "#ff0000"}));
    EXPECT_EQ(test::readFile(file),
              "<HTML>\r\n<META http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=utf-8\">\r\n<TITLE></TITLE>\r\n<BODY SCROLL=AUTO "
              "BGCOLOR=#ff0000>\r\n<P>Hi</P>\r\n</BODY>\r\n"
              "</HTML>\r\n\r\n");
}

TEST(MenuPage, SavedPagesDeclareUtf8UnlessTheyDeclareACharacterSet) {
    const std::string meta =
        "<META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">";
    struct Case {
        const char* in;
        std::string out;
    };
    const Case cases[] = {
        {"<html><head><title>T</title></head><body>\xC2\xBB</body></html>",
         "<html><head>\n" + meta + "<title>T</title></head><body>\xC2\xBB</body></html>"},
        {"<HTML>\n<TITLE></TITLE>\n<BODY>x</BODY></HTML>",
         "<HTML>\n" + meta + "\n<TITLE></TITLE>\n<BODY>x</BODY></HTML>"},
        // Declared already, in either form: left as it is.
        {"<html><head><meta charset=\"windows-1252\"></head><body></body></html>",
         "<html><head><meta charset=\"windows-1252\"></head><body></body></html>"},
        // "charset" in the body is text, not a declaration.
        {"<html><body>charset</body></html>", "<html>\n" + meta + "<body>charset</body></html>"},
        {"<p>bare</p>", meta + "\n<p>bare</p>"},
        // The author's title holds "<head" as text.
        {"<HTML>\n<TITLE>a <headline> b</TITLE>\n<BODY>x</BODY></HTML>",
         "<HTML>\n" + meta + "\n<TITLE>a <headline> b</TITLE>\n<BODY>x</BODY></HTML>"},
    };
    for (const Case& c : cases) EXPECT_EQ(declareUtf8(c.in), c.out) << c.in;
}

TEST(MenuPage, SavedPageReadsBackItsHeadValues) {
    test::TempDir dir;
    auto file = dir / "menu.html";
    MenuHeadValues head{"My Title", (dir / "music.mp3").string(), (dir / "back.jpg").string(),
                        "#0500ff"};
    ASSERT_TRUE(saveMenuPage(file, "<p><a href=\"http://ACTION_QUIT\">Quit</a></p>", head));
    EXPECT_EQ(readMenuHeadValuesFrom(file.string()), head);
}

// Given "<a " in the title or a path, saving marks only the body's links:
// the head values read back as they were written.
TEST(MenuPage, TextThatLooksLikeALinkInTheHeadIsLeftAlone) {
    test::TempDir dir;
    auto file = dir / "menu.html";
    const MenuHeadValues heads[] = {
        {"Click <a here", "", "", ""},
        {"T", "C:\\music\\<a b.mp3", "", ""},
        {"T", "", "/pics/<a x/back.jpg", "#00ff00"},
        {"<a <a <a ", "<a .wav", "<a .jpg", ""},
    };
    for (const MenuHeadValues& head : heads) {
        ASSERT_TRUE(saveMenuPage(file, "<a href=\"http://x.example/\">x</a> <a name=n>", head));
        EXPECT_EQ(readMenuHeadValuesFrom(file.string()), head) << head.title;
        const std::string saved = test::readFile(file);
        EXPECT_NE(saved.find("<a target=_blank href=\"http://x.example/\">"), std::string::npos);
        EXPECT_NE(saved.find("<a target=_blank name=n>"), std::string::npos);
    }
    // A whole page from the editor: its head is the author's too.
    const std::string whole =
        "<HTML><HEAD><TITLE>see <a b</TITLE></HEAD>\n<BODY>\n<a href=y>y</a></BODY></HTML>";
    ASSERT_TRUE(saveMenuPage(file, whole, {}));
    EXPECT_EQ(readMenuHeadValuesFrom(file.string()).title, "see <a b");
    EXPECT_NE(test::readFile(file).find("<a target=_blank href=y>"), std::string::npos);
}

TEST(MenuPage, UnwritableFileIsReported) {
    test::TempDir dir;
    EXPECT_FALSE(saveMenuPage(dir / "no such folder" / "m.html", "b", {}));
}

}  // namespace
}  // namespace rondivo::menucreator

namespace rondivo::menucreator {
namespace {

// Saving once searched to the end of the page and lower-cased it for every link.
TEST(MenuPage, SavingFiftyThousandLinksTakesAMomentAndMarksEach) {
    std::string body;
    for (int i = 0; i < 50000; ++i)
        body += i % 2 ? "<A HREF=\"http://example.com/" + std::to_string(i) + "\">x</A>\n"
                      : "<a href=\"http://ACTION_RUN=p" + std::to_string(i) + ".exe\">r</a>\n";
    auto start = std::chrono::steady_clock::now();
    std::string page = addBlankTargets("x" + body);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(5));
    std::size_t marked = 0;
    for (std::size_t p = 0; (p = page.find("<A target=_blank HREF=", p)) != std::string::npos; ++p)
        ++marked;
    EXPECT_EQ(marked, 25000u);
    EXPECT_EQ(page.find("<a target"), std::string::npos);
}

}  // namespace
}  // namespace rondivo::menucreator
