#include "designer/linked_file_scanner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include "platform/file_io.h"
#include "test_support.h"

namespace rondivo {
namespace {

// A search that never ends fails its death test instead of hanging the run.
void exitAfterSeconds(int seconds) {
    std::thread([seconds] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        std::_Exit(9);
    }).detach();
}

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

fs::path fixtures() {
    return test::sourceDir() / "tests" / "designer" / "fixtures" / "scanner";
}

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size())
        s.replace(p, from.size(), to);
}

// A fixture site laid out in a temporary folder, with absolute paths in its
// pages pointing at files of a second folder (the author's "C:\pics").
struct Workspace {
    TempDir dir;
    fs::path site = dir / "site";
    fs::path outside = dir / "Outside";
    fs::path dest = dir / "out" / "CD-ROM Distributable Files";

    std::string expand(std::string s) const {
        // A Windows path has its drive already; a Linux one takes "C:" as the root.
        const std::string abs = outside.string();
        const std::string withDrive = abs.size() > 1 && abs[1] == ':' ? abs : "C:" + abs;
        std::string win = withDrive;
        std::replace(win.begin(), win.end(), '/', '\\');
        replaceAll(s, "@WINABS@", win);
        replaceAll(s, "@WINFWD@", withDrive);
        replaceAll(s, "@ABS@", outside.string());
        replaceAll(s, "@SITE@", site.string());
        return s;
    }

    explicit Workspace(const std::string& fixture) {
        fs::path from = fixtures() / fixture;
        for (fs::recursive_directory_iterator it(from), end; it != end; ++it) {
            if (!it->is_regular_file()) continue;
            writeFile(site / it->path().lexically_relative(from), expand(readFile(it->path())));
        }
        for (const char* f :
             {"pics/a.jpg", "pics/f.gif", "pics/schön.jpg", "media/intro.wmv", "media/a.jpg"})
            writeFile(outside / platform::u8path(f), f);
        fs::create_directories(dest);
    }

    std::set<std::string> destFiles() const {
        std::set<std::string> files;
        for (fs::recursive_directory_iterator it(dest), end; it != end; ++it)
            if (it->is_regular_file())
                files.insert(it->path().lexically_relative(dest).generic_string());
        return files;
    }
};

struct ScanCase {
    const char* what = "";
    const char* fixture = "";
    const char* top = "";                   // the page the build hands over
    std::vector<std::string> present = {};  // below the distributable folder afterwards
    std::vector<std::string> absent = {};
    std::vector<std::string> exactly = {};  // when not empty: the folder holds exactly these files
    std::vector<std::string> unresolved = {};
    std::vector<std::pair<std::string, std::string>> pageHas =
        {};                                      // file in the folder, text it has
    std::vector<std::string> alreadyThere = {};  // copied into the folder before the scan
    int counterBefore = 0;
    int counterAfter = -1;  // -1: not checked
    int pagesScanned = -1;
};

// clang-format off
const ScanCase kCases[] = {
    {.what = "a picture in a folder: the folder is made and the picture copied",
     .fixture = "img_folder", .top = "index.html",
     .exactly = {"index.html", "images/logo.gif"}},
    {.what = "ACTION_COPY copies the sources only; USER_SELECT_COPY all; ACTION_RUN its program",
     .fixture = "action_links", .top = "index.html",
     .exactly = {"index.html", "setup.exe", "readme.txt", "manual.pdf", "guide.pdf", "tool.exe"}},
    {.what = "mail, web, script and path-macro links copy nothing",
     .fixture = "skip_links", .top = "index.html",
     .exactly = {"index.html"}},
    {.what = "a sub-page already present is neither copied nor scanned",
     .fixture = "present_subpage", .top = "index.html",
     .absent = {"fresh.gif"}, .exactly = {"index.html", "page2.htm"},
     .pageHas = {{"page2.htm", "already here"}}, .alreadyThere = {"page2.htm"}, .pagesScanned = 1},
    {.what = "a cycle of pages ends; each page scanned once",
     .fixture = "cycle", .top = "a.html",
     .exactly = {"a.html", "b.html", "c.html", "pic.gif"}, .pagesScanned = 3},
    {.what = "C:\\ path: copied into the folder and the link rewritten",
     .fixture = "abs_windows", .top = "index.html",
     .exactly = {"index.html", "a.jpg"}, .pageHas = {{"index.html", "<img src=\"a.jpg\" width=\"10\">"}}},
    {.what = "/abs/path: copied into the folder and the link rewritten",
     .fixture = "abs_plain", .top = "index.html",
     .exactly = {"index.html", "a.jpg"}, .pageHas = {{"index.html", "<img src=\"a.jpg\" width=\"10\">"}}},
    {.what = "file:/// link: copied and rewritten",
     .fixture = "file_url", .top = "index.html",
     .exactly = {"index.html", "f.gif"}, .pageHas = {{"index.html", "<img src=\"f.gif\">"}}},
    {.what = "an absolute path only in script text is listed while the list is not empty, never rewritten",
     .fixture = "script_only", .top = "index.html",
     .absent = {"intro.wmv"},
     .pageHas = {{"index.html", "var movie = \"@WINABS@\\media\\intro.wmv\";"}, {"index.html", "<p>Enjoy, \"really\"</p>"}},
     .counterAfter = 1},
    {.what = "... but not when an earlier page already yielded such paths",
     .fixture = "script_only", .top = "index.html",
     .absent = {"intro.wmv"}, .counterBefore = 1, .counterAfter = 1},
    {.what = "... nor when nothing was unresolved",
     .fixture = "script_only", .top = "clean.html",
     .exactly = {"clean.html"}, .counterAfter = 0},
    {.what = "a batch file: the programs started with /wait",
     .fixture = "batch", .top = "setup.bat",
     .exactly = {"setup.bat", "setup.exe", "extras.exe"}},
    {.what = "a batch file linked from a page is read as a batch file",
     .fixture = "batch", .top = "index.html",
     .exactly = {"index.html", "install.bat", "setup.exe"}},
    {.what = "BACKGROUND counts on the body tag's line only",
     .fixture = "body_background", .top = "index.html",
     .present = {"bg.png"}, .absent = {"tile.png", "notbody.png"}},
    {.what = "links that climb out land inside the folder, never beside it",
     .fixture = "climbing", .top = "sub/index.html",
     .exactly = {"index.html", "up.gif", "other.html"},
     .unresolved = {"../../../../../../../../../../escape.gif", "@SITE@/sub/../other.html"},
     .pageHas = {{"index.html", "<img src=\"up.gif\">"}}},
    {.what = "a page linking to itself whose copy fails is read once",
     .fixture = "self_link", .top = "index.html",
     .exactly = {"index.html", "loop", "p.html"}, .unresolved = {"p.html"},
     .pageHas = {{"index.html", "<a href=\"p.html\">"}}, .alreadyThere = {"loop"}, .pagesScanned = 2},
    {.what = "a line longer than the read buffer is read whole",
     .fixture = "long_line", .top = "index.html",
     .present = {"far.gif"}},
    {.what = "a sub-page in a folder brings its own pictures into that folder",
     .fixture = "subfolder", .top = "index.html",
     .absent = {"pic.gif"}, .exactly = {"index.html", "docs/b.html", "docs/pic.gif"}},
    {.what = "names beyond ASCII: linked, copied, and an absolute link rewritten in the copy",
     .fixture = "names_beyond_ascii", .top = "Übersicht.html",
     .exactly = {"Übersicht.html", "Grüße.html", "Bilder/Straße 1.jpg", "schön.jpg"},
     .pageHas = {{"Übersicht.html", "<img src=\"schön.jpg\">"}}},
    {.what = "full paths in action links: the files copied to the root, destinations kept",
     .fixture = "abs_action", .top = "index.html",
     .exactly = {"index.html", "a.jpg", "f.gif"},
     .pageHas = {{"index.html", "<a href=\"http://ACTION_RUN=a.jpg\">"},
                 {"index.html", "<a href=\"http://ACTION_COPY=f.gif,C:\\Temp\">"}}},
    {.what = "two files of one name from different folders are both kept; one file linked twice is copied once",
     .fixture = "abs_same_name", .top = "index.html",
     .exactly = {"index.html", "a.jpg", "a_1.jpg"},
     .pageHas = {{"index.html", "<img src=\"a.jpg\"><img src=\"a_1.jpg\"><img src=\"A.JPG\">"}}},
    {.what = "a page folder whose name holds \"http\" is still scanned",
     .fixture = "http_folder", .top = "http/index.html",
     .present = {"logo.gif"}},
};
// clang-format on

TEST(LinkedFileScanner, Cases) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        Workspace w(c.fixture);
        fs::path top = w.site / platform::u8path(c.top);
        // The build copies the page itself before it scans it.
        fs::copy_file(top, w.dest / top.filename());
        for (const auto& f : c.alreadyThere)
            writeFile(w.dest / platform::u8path(f), "already here");

        int counter = c.counterBefore;
        LinkedFileScanner scanner(counter);
        scanner.scanLinkedFiles(top, w.dest, true);

        for (const auto& f : c.present) EXPECT_TRUE(fs::exists(w.dest / platform::u8path(f))) << f;
        for (const auto& f : c.absent) EXPECT_FALSE(fs::exists(w.dest / platform::u8path(f))) << f;
        if (!c.exactly.empty()) {
            EXPECT_EQ(w.destFiles(), std::set<std::string>(c.exactly.begin(), c.exactly.end()));
        }
        std::vector<std::string> expected;
        // A page path the build made is shown with the system's own separators.
        for (const auto& u : c.unresolved)
            expected.push_back(u.rfind("@SITE@", 0) == 0
                                   ? fs::path(w.expand(u)).make_preferred().string()
                                   : w.expand(u));
        if (!c.unresolved.empty() || !c.exactly.empty()) {
            EXPECT_EQ(scanner.unresolved(), expected);
        }
        for (const auto& [file, text] : c.pageHas) {
            const std::string copy = readFile(w.dest / platform::u8path(file));
            EXPECT_NE(copy.find(w.expand(text)), std::string::npos)
                << file << " lacks " << text << ":\n"
                << copy;
        }
        if (c.counterAfter >= 0) {
            EXPECT_EQ(counter, c.counterAfter);
        }
        if (c.pagesScanned >= 0) {
            EXPECT_EQ(static_cast<int>(scanner.scannedPages().size()), c.pagesScanned);
        }
        // Nothing is ever written beside the distributable folder, nor into the author's site.
        EXPECT_EQ(
            std::distance(fs::directory_iterator(w.dest.parent_path()), fs::directory_iterator()),
            1);
        for (fs::recursive_directory_iterator it(w.site), end; it != end; ++it) {
            if (!it->is_regular_file()) continue;
            EXPECT_EQ(
                readFile(it->path()),
                w.expand(readFile(fixtures() / c.fixture / it->path().lexically_relative(w.site))));
        }
    }
}

TEST(LinkedFileScanner, BrokenLinksLeaveNoEmptyFoldersAndAreListedOnce) {
    Workspace w("img_folder");
    writeFile(
        w.site / "index.html",
        "<img src=\"gone/away/x.gif\"><img src=\"gone/away/x.gif\"><img src=\"editdata.mso\">\n"
        "<img src=\"nothing.gif\">");
    fs::copy_file(w.site / "index.html", w.dest / "index.html");
    int counter = 0;
    LinkedFileScanner scanner(counter);
    scanner.scanLinkedFiles(w.site / "index.html", w.dest, true);
    EXPECT_FALSE(fs::exists(w.dest / "gone"));
    // The repair pass copies nothing for "gone/away/x.gif" and leaves the link's name.
    EXPECT_EQ(scanner.unresolved(), (std::vector<std::string>{"gone/away/x.gif", "nothing.gif"}));
}

TEST(LinkedFileScanner, TopLevelScanEmptiesTheListAndMissingPagesAddNothing) {
    Workspace w("img_folder");
    int counter = 0;
    LinkedFileScanner scanner(counter);
    writeFile(w.site / "broken.html", "<img src=\"nothing.gif\">");
    scanner.scanLinkedFiles(w.site / "broken.html", w.dest, true);
    EXPECT_EQ(scanner.unresolved().size(), 1u);
    scanner.scanLinkedFiles(w.site / "no-such-page.html", w.dest, true);
    EXPECT_EQ(scanner.unresolved().size(), 1u) << "a page that cannot be read changes nothing";
    scanner.scanLinkedFiles(w.site / "index.html", w.dest, true);
    EXPECT_TRUE(scanner.unresolved().empty());
    scanner.scanLinkedFiles(w.site / ".." / "site" / "../site/index.html", w.dest, false);
    EXPECT_EQ(scanner.unresolved().size(), 1u) << "a page path with ../ is listed, not read";
}

TEST(LinkedFileScanner, CollectAbsolutePaths) {
    int counter = 0;
    LinkedFileScanner scanner(counter);
    EXPECT_TRUE(
        scanner.collectAbsolutePaths("a = 'C:\\Pics\\A.JPG', b = \"d:\\x y\\b.gif\"> and E:\\end"));
    EXPECT_EQ(scanner.unresolved(),
              (std::vector<std::string>{"c:\\pics\\a.jpg'", "d:\\x y\\b.gif", "e:\\end"}));
    EXPECT_FALSE(scanner.collectAbsolutePaths("C:\\Pics\\A.JPG'"));
    EXPECT_FALSE(scanner.collectAbsolutePaths(":\\ at the very start ends the search C:\\x"));
}

TEST(LinkedFileScanner, ShowsEachPageBeforeReadingIt) {
    Workspace w("cycle");
    fs::copy_file(w.site / "a.html", w.dest / "a.html");
    std::vector<std::string> shown;
    int counter = 0;
    LinkedFileScanner scanner(counter, {[&](const std::string& page) { shown.push_back(page); }});
    scanner.scanLinkedFiles(w.site / "a.html", w.dest, true);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(fs::path(shown[0]).filename(), "a.html");
    EXPECT_EQ(fs::path(shown[1]).filename(), "b.html");
    EXPECT_EQ(fs::path(shown[2]).filename(), "c.html");
}

}  // namespace
}  // namespace rondivo

namespace rondivo {
namespace {

// A search that stays in one place never returns: the child is killed by the alarm.
TEST(LinkedFileScannerDeathTest, EveryCharacterBeforeColonBackslashEndsTheSearch) {
    for (std::string before : {"\"", ">", "<", ",", "'", " ", "=", "a", "\\", ":"}) {
        SCOPED_TRACE(before);
        EXPECT_EXIT(
            {
                exitAfterSeconds(5);
                int counter = 0;
                LinkedFileScanner scanner(counter);
                scanner.collectAbsolutePaths("s.split(" + before + ":\\\\" + before + ") D:\\x\"");
                std::_Exit(scanner.unresolved().empty() ? 2 : 0);
            },
            testing::ExitedWithCode(0), "");
    }
}

// An ordinary page: a script splitting on ":\\" and one link that is not there.
TEST(LinkedFileScannerDeathTest, PageWithScriptAndBrokenLinkFinishes) {
    Workspace w("img_folder");
    writeFile(w.site / "index.html",
              "<script>var parts = p.split(\":\\\\\");</script>\n<img src=\"gone.gif\">\n");
    fs::copy_file(w.site / "index.html", w.dest / "index.html");
    EXPECT_EXIT(
        {
            exitAfterSeconds(5);
            int counter = 0;
            LinkedFileScanner scanner(counter);
            scanner.scanLinkedFiles(w.site / "index.html", w.dest, true);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(LinkedFileScanner, RepairsEveryAbsoluteLinkOfALargePageInOneWrite) {
    Workspace w("img_folder");
    std::string page;
    const std::string win = w.expand("@WINABS@");
    for (int i = 0; i < 300; ++i) {
        std::string name = "p" + std::to_string(i) + ".gif";
        writeFile(w.outside / name, name);
        page += "<img src=\"" + win + "\\" + name + "?v=1\" alt=\"" + std::to_string(i) + "\">\n";
    }
    writeFile(w.site / "index.html", page);
    fs::copy_file(w.site / "index.html", w.dest / "index.html");
    int counter = 0;
    LinkedFileScanner scanner(counter);
    scanner.scanLinkedFiles(w.site / "index.html", w.dest, true);
    const std::string copy = readFile(w.dest / "index.html");
    for (int i = 0; i < 300; ++i) {
        std::string name = "p" + std::to_string(i) + ".gif";
        ASSERT_NE(copy.find("<img src=\"" + name + "\" alt=\"" + std::to_string(i) + "\">"),
                  std::string::npos)
            << name;
        ASSERT_TRUE(fs::exists(w.dest / name)) << name;
    }
    EXPECT_TRUE(scanner.unresolved().empty());
}

}  // namespace
}  // namespace rondivo
