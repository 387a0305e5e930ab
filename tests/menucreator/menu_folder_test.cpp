#include "menucreator/menu_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_support.h"

namespace rondivo::menucreator {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

TEST(MenuFolder, RelativeLinksAreTheFilesBesideThePage) {
    struct Case {
        const char* page;
        std::vector<std::string> links;
    };
    const Case cases[] = {
        {"<IMG SRC=\"images/a.gif\"><img src='b.png'><img src=c.jpg border=0>",
         {"images/a.gif", "b.png", "c.jpg"}},
        {"<BODY BACKGROUND=\"bg%20one.jpg\"><BGSOUND SRC=\"intro.wav\">",
         {"bg one.jpg", "intro.wav"}},
        {"<a href=\"page2.htm#top\">x</a><a href=\"p.html?x=1\">", {"page2.htm", "p.html"}},
        {"<div style=\"background: url('tile.png')\">", {"tile.png"}},
        {"<a href=\"images\\logo.gif\">", {"images/logo.gif"}},
        // Action links: what runs and what is copied, never where copies go.
        {"<a href=\"http://ACTION_RUN=readme.txt\">", {"readme.txt"}},
        {"<a href=\"http://ACTION_RUN=viewer.exe docs/a.txt,b.txt\">",
         {"viewer.exe docs/a.txt", "viewer.exe", "docs/a.txt", "b.txt"}},
        {"<a href=\"http://ACTION_USER_SELECT_COPY=a.pdf,docs/b.pdf\">", {"a.pdf", "docs/b.pdf"}},
        {"<a href=\"http://ACTION_COPY=a.txt,{desktop},b.txt,{desktop}\\b\">", {"a.txt", "b.txt"}},
        {"<a href=\"http://ACTION_MESSAGEBOX=see readme.txt\">", {}},
        // Nothing outside the page's folder, nothing that is no file.
        {"<img src=\"../secret.gif\"><img src=\"images/../../x.gif\"><img src=\"/etc/passwd\">",
         {}},
        {"<img src=\"file:///home/me/a.gif\"><img src=\"C:\\pics\\a.jpg\">", {}},
        {"<a href=\"http://www.example.com/\"><a href=\"mailto:me@example.com\">"
         "<a href=\"javascript:go()\"><a href=\"#top\">",
         {}},
        {"<img data-src=\"x.gif\">", {}},
        {"<img src=\"a.gif\"><IMG SRC=\"a.gif\">", {"a.gif"}},
    };
    for (const Case& c : cases) EXPECT_EQ(relativeLinks(c.page), c.links) << c.page;
}

TEST(MenuFolder, NewMenusAndMenusOpenedFromTheSharedFoldersGetAFolderOfTheirOwn) {
    test::TempDir t;
    const fs::path program = t / "program";
    fs::create_directories(program / "html");
    fs::create_directories(program / "menus/Old");
    fs::create_directories(t / "mine");
    EXPECT_EQ(menuSavePath(program, {}, "My Menu.html"), program / "menus/My Menu/My_Menu.html");
    EXPECT_EQ(menuSavePath(program, program / "html", "Demo.html"),
              program / "menus/Demo/Demo.html");
    EXPECT_EQ(menuSavePath(program, program / "menus/Old", "New.html"),
              program / "menus/New/New.html");
    EXPECT_EQ(menuSavePath(program, t / "mine", "My Page.html"), t / "mine/My Page.html");
}

TEST(MenuFolder, SavingCopiesWhatThePageAndItsPagesLinkAndNothingElse) {
    test::TempDir t;
    const fs::path html = t / "html";
    test::writeFile(html / "images/banner.jpg", "banner");
    test::writeFile(html / "images/unused.jpg", "unused");
    test::writeFile(html / "readme.txt", "read me");
    test::writeFile(html / "more.html", "<img src=\"images/more.gif\"><a href=\"menu.html\">");
    test::writeFile(html / "images/more.gif", "more");
    test::writeFile(html / "Demo.html", "demo");
    test::writeFile(t / "outside.txt", "outside");
    const fs::path page = t / "menus/Menu/menu.html";
    test::writeFile(page,
                    "<IMG SRC=\"images/banner.jpg\"><a href=\"http://ACTION_RUN=readme.txt\">"
                    "<a href=\"more.html\"><img src=\"missing.gif\"><img src=\"../outside.txt\">");

    LinkedCopyReport r = copyLinkedFiles(page, html);
    EXPECT_THAT(r.copied, UnorderedElementsAre("images/banner.jpg", "readme.txt", "more.html",
                                               "images/more.gif"));
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(test::readFile(t / "menus/Menu/images/more.gif"), "more");
    for (const char* absent : {"images/unused.jpg", "Demo.html", "missing.gif"})
        EXPECT_FALSE(fs::exists(t / "menus/Menu" / absent)) << absent;
    EXPECT_FALSE(fs::exists(t / "menus/outside.txt"));

    // Saved again where it already is: nothing to copy.
    EXPECT_THAT(copyLinkedFiles(page, page.parent_path()).copied, ElementsAre());
}

}  // namespace
}  // namespace rondivo::menucreator
