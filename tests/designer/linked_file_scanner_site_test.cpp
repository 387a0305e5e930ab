// "Create CD" with "copy the file alone" on whole sites: the files the pages
// reach must all be on the disc, and the pages must reach it as written
// apart from the links the build says it rewrote. What a site reaches is
// found here by a crawler of its own (regular expressions over attributes and
// url()s), not by the scanner.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "designer/build_pipeline.h"
#include "platform/file_io.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t p = 0; (p = s.find(from, p)) != std::string::npos; p += to.size())
        s.replace(p, from.size(), to);
}

std::string percentDecoded(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The quoted (or, after "url(", bare) text following each occurrence of
// `marker` in `lower`, taken from `text`.
void valuesAfter(const std::string& text, const std::string& lower, const std::string& marker,
                 std::vector<std::string>& out) {
    for (std::size_t p = lower.find(marker); p != std::string::npos;
         p = lower.find(marker, p + 1)) {
        std::size_t i = lower.find_first_not_of(" \t\r\n", p + marker.size());
        if (i == std::string::npos) break;
        char quote = text[i];
        if (quote == '"' || quote == '\'') {
            std::size_t end = text.find(quote, i + 1);
            if (end != std::string::npos) out.push_back(text.substr(i + 1, end - i - 1));
        } else if (marker == "url(") {
            std::size_t end = text.find(')', i);
            if (end != std::string::npos) out.push_back(text.substr(i, end - i));
        }
    }
}

// A file's place below a folder, "/" between names. Windows finds a link's
// file under the link's spelling, so a copy there may be named so.
std::string onDiscName(const fs::path& rel) {
    std::string name = platform::u8string(rel);
    std::replace(name.begin(), name.end(), '\\', '/');
#ifdef _WIN32
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
    return name;
}

// Every file below `site` that `start` reaches through relative href/src
// attributes, url()s and @imports, following pages and style sheets.
std::set<std::string> crawl(const fs::path& site, const std::string& start) {
    static const std::regex scheme(R"(^[a-zA-Z][a-zA-Z0-9+.-]*:|^//|^/|^#)");
    std::set<std::string> reached;
    std::vector<fs::path> todo{site / start};
    while (!todo.empty()) {
        fs::path file = todo.back();
        todo.pop_back();
        std::string rel = onDiscName(file.lexically_relative(site));
        if (!fs::is_regular_file(file) || !reached.insert(rel).second) continue;
        std::string ext = file.extension().string();
        if (ext != ".html" && ext != ".htm" && ext != ".css") continue;
        const std::string text = readFile(file);
        std::string lower = text;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::vector<std::string> found;
        for (const char* marker : {" href=", " src=", "\nhref=", "\nsrc=", "url(", "@import"})
            valuesAfter(text, lower, marker, found);
        for (std::string link : found) {
            link = link.substr(0, link.find_first_of("?#"));
            while (!link.empty() && std::isspace(static_cast<unsigned char>(link.back())))
                link.pop_back();
            if (link.empty() || std::regex_search(link, scheme)) continue;
            todo.push_back(
                (file.parent_path() / platform::u8path(percentDecoded(link))).lexically_normal());
        }
    }
    return reached;
}

std::set<std::string> filesBelow(const fs::path& folder) {
    std::set<std::string> files;
    for (fs::recursive_directory_iterator it(folder), end; it != end; ++it)
        if (it->is_regular_file()) files.insert(onDiscName(it->path().lexically_relative(folder)));
    return files;
}

// A program folder and a desktop for one build of `page`, its file copied alone.
struct SiteBuild {
    test::TempDir t;
    fs::path program = t / "program";
    fs::path disc = t / "Desktop" / "CD-ROM Distributable Files";
    BuildResult result;

    explicit SiteBuild(const fs::path& page) {
        writeFile(program / "rondivo", "PLAYER");
        fs::create_directories(t / "Desktop");
        BuildRequest r;
        r.programFolder = program;
        r.ownExecutable = program / "rondivo";
        r.desktopFolder = t / "Desktop";
        EXPECT_TRUE(chooseOwnFile(r.settings, platform::u8string(page)));
        r.settings.failSafeName.clear();
        r.settings.splashEnabled = false;
        r.settings.soundEnabled = false;
        r.settings.options.noWholeFolderCopy = true;
        r.settings.options.dataFolder = false;
        BuildHooks hooks;
        hooks.sleep = [](std::chrono::milliseconds) {};
        result = runBuild(r, hooks);
    }
    // The site's files on the disc: without the player and its two files.
    std::set<std::string> siteFiles() const {
        std::set<std::string> files = filesBelow(disc);
        for (const char* own : {"autorun.exe", "autorun.inf", "autorun.dat", "autorun.sh"})
            files.erase(own);
        return files;
    }
};

TEST(LinkedFileSite, FixtureSiteReachesTheDiscAsWrittenApartFromRepairedLinks) {
    test::TempDir t;
    const fs::path site = t / "site", outside = t / "Outside";
    std::string abs = platform::u8string(outside);
    std::replace(abs.begin(), abs.end(), '\\', '/');
    // In an address the path starts with "/": "file:///C:/...", "file://localhost/C:/...".
    const std::string urlPath = abs[0] == '/' ? abs : "/" + abs;
    const fs::path fixture = test::sourceDir() / "tests" / "designer" / "fixtures" / "site";
    for (fs::recursive_directory_iterator it(fixture), end; it != end; ++it) {
        if (!it->is_regular_file()) continue;
        std::string text = readFile(it->path());
        replaceAll(text, "@URLPATH@", urlPath);
        replaceAll(text, "@ABS@", abs);
        writeFile(site / it->path().lexically_relative(fixture), text);
    }
    for (const char* f : {"banner.png", "f.gif", "schön Bild.jpg", "a.jpg", "sheet-abs.png"})
        writeFile(outside / "pics" / platform::u8path(f), f);

    SiteBuild build(site / "index.html");
    ASSERT_TRUE(build.result.completed()) << build.result.messages.back().text;

    std::set<std::string> expected = crawl(site, "index.html");
    // Reached under three spellings: the crawler keeps each.
    for (const char* f : {"guide.html", "Guide.html", "GUIDE.HTML"}) expected.erase(onDiscName(f));
    for (const char* f :
         {"guide.html", "banner.png", "f.gif", "schön Bild.jpg", "a.jpg", "assets/sheet-abs.png"})
        expected.insert(onDiscName(platform::u8path(f)));
    EXPECT_EQ(build.siteFiles(), expected);
    EXPECT_EQ(expected.size(), 24u);

    // Each page and sheet as written, but for the links the notes list.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> repaired = {
        {"index.html",
         {{"file://" + urlPath + "/pics/banner.png", "banner.png"},
          {"file://localhost" + urlPath + "/pics/f.gif", "f.gif"},
          {"file://" + urlPath + "/pics/sch%C3%B6n%20Bild.jpg", "sch%C3%B6n%20Bild.jpg"},
          {"src=\"" + abs + "/pics/a.jpg\"", "src=\"a.jpg\""}}},
        {"assets/style.css", {{"file://" + urlPath + "/pics/sheet-abs.png", "sheet-abs.png"}}},
    };
    std::size_t notes = 0;
    for (const std::string& f : build.siteFiles()) {
        if (!fs::exists(site / platform::u8path(f))) continue;
        std::string expectedText = readFile(site / platform::u8path(f));
        for (const auto& [from, to] : repaired[f]) {
            ASSERT_NE(expectedText.find(from), std::string::npos) << from;
            replaceAll(expectedText, from, to);
            ++notes;
        }
        EXPECT_EQ(readFile(build.disc / platform::u8path(f)), expectedText) << f;
    }
    EXPECT_EQ(build.result.notes.size(), notes);
    for (const auto& note : build.result.notes) SCOPED_TRACE(note);
    ASSERT_EQ(build.result.notes.size(), 5u);
    EXPECT_EQ(build.result.notes[0],
              "index.html: \"file://" + urlPath + "/pics/banner.png\" is now \"banner.png\"");
}

TEST(LinkedFileSite, LinkLongerThanTheSystemAllowsStopsTheBuildNamingThePage) {
    test::TempDir t;
    RONDIVO_LINUX_ONLY("the limit is the Linux one here");
    const std::string longName = std::string(300, 'a') + ".html";
    writeFile(t / "site/index.html", "<a href=\"" + longName + "\">far</a>\n");
    SiteBuild build(t / "site/index.html");
    EXPECT_EQ(build.result.outcome, BuildResult::Outcome::Aborted);
    ASSERT_FALSE(build.result.messages.empty());
    const std::string& text = build.result.messages.back().text;
    EXPECT_NE(text.find(platform::u8string(t / "site/index.html")), std::string::npos) << text;
    EXPECT_NE(text.find("longer than this system allows"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(build.disc)) << "no folder that looks complete";
}

// Real manuals nobody here wrote, installed by scripts/setup (nodejs comes
// with node-acorn): every file their pages reach is on the disc.
TEST(LinkedFileSite, InstalledManualsReachTheDiscWhole) {
    struct Site {
        const char* folder;
        const char* start;
    };
    int sites = 0;
    for (const Site& s : {Site{"/usr/share/doc/debian-reference-common/docs", "index.html"},
                          Site{"/usr/share/doc/nodejs/api", "index.html"}}) {
        const fs::path site = fs::canonical(fs::path(s.folder)).string();
        if (!fs::exists(site / s.start)) continue;
        ++sites;
        SCOPED_TRACE(s.folder);
        const std::set<std::string> reachable = crawl(site, s.start);
        SiteBuild build(site / s.start);
        ASSERT_TRUE(build.result.completed());
        const std::set<std::string> onDisc = build.siteFiles();
        std::size_t found = 0;
        for (const auto& f : reachable) {
            EXPECT_TRUE(onDisc.count(f)) << f << " is reachable but not on the disc";
            found += onDisc.count(f);
        }
        for (const auto& f : onDisc)
            if (!reachable.count(f)) ADD_FAILURE() << f << " is on the disc but not reachable";
        RecordProperty(fs::path(s.folder).filename().string() + "_reachable",
                       static_cast<int>(reachable.size()));
        RecordProperty(fs::path(s.folder).filename().string() + "_on_disc",
                       static_cast<int>(found));
        std::printf("%s: %zu of %zu reachable files on the disc\n", s.folder, found,
                    reachable.size());
        // Pages reach the disc as written: these sites need no repair.
        EXPECT_TRUE(build.result.notes.empty());
        for (const auto& f : onDisc) EXPECT_EQ(readFile(build.disc / f), readFile(site / f)) << f;
    }
    if (sites == 0) GTEST_SKIP() << "no installed manual found";
}

}  // namespace
}  // namespace rondivo
