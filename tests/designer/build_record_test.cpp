// Rebuilds into the same folder: what the last build made is told from what
// the author added by a record beside the folder, and two builds at once
// never write the same folder.
#include "designer/build_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <set>

#include "designer/build_pipeline.h"
#include "platform/file_lock.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

struct Site {
    TempDir t;
    fs::path program = t / "program";
    fs::path desktop = t / "Desktop";
    fs::path out = desktop / "CD-ROM Distributable Files";
    Site() {
        writeFile(program / "html/Error_Page.html", "<html>error</html>");
        writeFile(program / "rondivo", std::string(300000, 'P'));
        writeFile(program / "splashscreens/default.jpg", "JPEG");
        writeFile(program / "sounds/default.wav", "RIFF");
        writeFile(t / "site/index.html", "<html>index</html>");
        writeFile(t / "other/start.html", "<html>start</html>");
        fs::create_directories(desktop);
    }
    BuildRequest request(const char* page = "site/index.html") const {
        BuildRequest r;
        r.programFolder = program;
        r.ownExecutable = program / "rondivo";
        r.desktopFolder = desktop;
        chooseOwnFile(r.settings, (t / page).string());
        return r;
    }
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (auto& e : fs::recursive_directory_iterator(out))
            if (e.is_regular_file())
                names.insert(e.path().lexically_relative(out).generic_string());
        return names;
    }
};

BuildHooks quiet() {
    BuildHooks h;
    h.sleep = [](std::chrono::milliseconds) {};
    return h;
}

bool hasEarlierCopies(const std::set<std::string>& names) {
    for (const auto& n : names)
        if (n.find(".earlier") != std::string::npos) return true;
    return false;
}

TEST(BuildRecord, NamesOfAnyKindComeBackAsWritten) {
    TempDir t;
    const std::vector<std::string> names = {"a.txt",    "two\nlines.txt", "cr\r.txt",
                                            "100%.txt", "%0A.txt",        "data/x y.html"};
    for (const auto& n : names) EXPECT_EQ(unescapeRecordName(escapeRecordName(n)), n) << n;
    EXPECT_EQ(escapeRecordName("a\nb%"), "a%0Ab%25");
    std::string why;
    ASSERT_TRUE(writeBuildRecord(t / "folder", names, why)) << why;
    EXPECT_TRUE(fs::exists(t / ".folder.built"));
    EXPECT_EQ(readBuildRecord(t / "folder"), names);
    EXPECT_FALSE(readBuildRecord(t / "other"));
}

// Given rebuilds from different home folders (the record used to live
// there), files the author added stay, and nothing piles up.
TEST(BuildRecord, RebuildsKeepAddedFilesAndPileUpNothing) {
    Site s;
    ASSERT_TRUE(runBuild(s.request(), quiet()).completed());
    const std::set<std::string> first = s.files();
#ifdef _WIN32
    const std::string odd = "data/100%0A.txt";  // Windows names hold no line break
#else
    const std::string odd = "data/two\nlines.txt";
#endif
    writeFile(s.out / "added.txt", "by the author");
    writeFile(s.out / odd, "odd name");
    for (int round = 0; round < 3; ++round) {
        TempDir home;
        test::ScopedEnv h("HOME", home.path().string());
        test::ScopedEnv x("XDG_DATA_HOME", (home / "data").string());
        BuildResult r = runBuild(s.request(), quiet());
        ASSERT_TRUE(r.completed()) << round;
        std::set<std::string> want = first;
        want.insert({"added.txt", odd});
        EXPECT_EQ(s.files(), want) << "round " << round;
        EXPECT_EQ(readFile(s.out / "added.txt"), "by the author");
    }
}

// Given no record at all, a file the new build makes again with the same
// bytes is the earlier build's; only a changed one is kept beside it.
TEST(BuildRecord, WithoutARecordOnlyChangedFilesAreKeptBeside) {
    Site s;
    ASSERT_TRUE(runBuild(s.request(), quiet()).completed());
    fs::remove(buildRecordFile(s.out));
    writeFile(s.out / "data/index.html", "<html>edited by the author</html>");
    ASSERT_TRUE(runBuild(s.request(), quiet()).completed());
    EXPECT_FALSE(fs::exists(s.out / "autorun.exe.earlier"));
    EXPECT_EQ(readFile(s.out / "data/index.html.earlier"), "<html>edited by the author</html>");
    EXPECT_EQ(readFile(s.out / "data/index.html"), "<html>index</html>");
}

TEST(BuildRecord, ARecordThatCannotBeKeptIsSaidOnce) {
    Site s;
    fs::create_directories(buildRecordFile(s.out) / "in the way");
    BuildResult r = runBuild(s.request(), quiet());
    ASSERT_TRUE(r.completed());
    int said = 0;
    for (const auto& m : r.messages)
        if (m.text.find("could not be kept") != std::string::npos) ++said;
    EXPECT_EQ(said, 1);
}

TEST(BuildLock, ABuildWhileAnotherWritesTheFolderIsRefused) {
    Site s;
    ASSERT_TRUE(runBuild(s.request(), quiet()).completed());
    const std::set<std::string> before = s.files();
    {
        platform::FileLock other;
        ASSERT_EQ(other.tryAcquire(s.desktop / ".CD-ROM Distributable Files.lock"),
                  platform::FileLock::Result::Acquired);
        BuildResult r = runBuild(s.request("other/start.html"), quiet());
        EXPECT_FALSE(r.completed());
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_THAT(r.messages[0].text,
                    HasSubstr("Another build is writing the folder " + s.out.string()));
        EXPECT_EQ(s.files(), before);
    }
    EXPECT_TRUE(runBuild(s.request("other/start.html"), quiet()).completed());
    EXPECT_FALSE(fs::exists(s.desktop / ".CD-ROM Distributable Files.lock"));
}

// Given two builds started together, the folder holds one of them whole.
TEST(BuildLock, TwoBuildsAtOnceNeverMix) {
    Site s;
    for (int round = 0; round < 4; ++round) {
        auto a = std::async(std::launch::async, [&] { return runBuild(s.request(), quiet()); });
        auto b = std::async(std::launch::async,
                            [&] { return runBuild(s.request("other/start.html"), quiet()); });
        BuildResult ra = a.get(), rb = b.get();
        ASSERT_TRUE(ra.completed() || rb.completed()) << round;
        const std::set<std::string> names = s.files();
        const bool hasA = names.count("data/index.html") > 0;
        const bool hasB = names.count("data/start.html") > 0;
        EXPECT_NE(hasA, hasB) << "round " << round;
        const std::string inf = readFile(s.out / "autorun.inf");
        EXPECT_THAT(inf, HasSubstr(hasA ? "data\\index.html" : "data\\start.html")) << round;
        EXPECT_FALSE(hasEarlierCopies(names)) << round;
        for (const auto& e : fs::directory_iterator(s.desktop))
            EXPECT_EQ(e.path().filename().string().find(".building"), std::string::npos);
    }
}

}  // namespace
}  // namespace rondivo
