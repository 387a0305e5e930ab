// autorun.sh as a desktop runs it: by dash, from another folder, with
// recording stand-ins for the player and xdg-open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "disc/autorun_sh.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

constexpr const char* kLine =
    "autorun.exe data\\index.html data\\Error_Page.html 1 0 data\\default.jpg data\\default.wav";

// A disc folder whose path has a blank and a quote, and a bin folder that
// is the whole PATH: only what a test puts there is found.
struct Disc {
    TempDir t;
    fs::path folder = t / "My Disc's Folder";
    fs::path bin = t / "bin";
    fs::path log = t / "calls.log";
    Disc() {
        writeFile(folder / "data/index.html", "<html>menu</html>");
        EXPECT_TRUE(writeAutorunShellScript(folder, kLine));
        fs::create_directories(bin);
        fs::create_symlink("/usr/bin/dirname", bin / "dirname");
    }
    // A program that writes its folder and its arguments, one a line.
    void recorder(const std::string& name) {
        writeFile(bin / name,
                  "#!/bin/sh\npwd > \"$LOG\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> "
                  "\"$LOG\"; done\n");
        fs::permissions(bin / name, fs::perms::owner_all);
    }
    test::RunResult run() {
        return test::runProgram(
            {"/bin/dash", (folder / "autorun.sh").string()}, t.path(),
            {{"PATH", bin.string()}, {"HOME", (t / "home").string()}, {"LOG", log.string()}});
    }
};

TEST(AutorunSh, IsPosixShellAndExecutable) {
    Disc d;
    auto perms = fs::status(d.folder / "autorun.sh").permissions();
    EXPECT_NE(perms & fs::perms::others_exec, fs::perms::none);
    const std::string text = readFile(d.folder / "autorun.sh");
    EXPECT_EQ(text.rfind("#!/bin/sh\n", 0), 0u);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    auto r = test::runProgram({"/bin/dash", "-n", (d.folder / "autorun.sh").string()});
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST(AutorunSh, StartsTheInstalledPlayerElseTheBrowserElseSaysWhatToOpen) {
    if (fs::exists("/usr/local/bin/rondivo")) GTEST_SKIP() << "a player is installed here";
    Disc d;
    d.recorder("rondivo");
    d.recorder("xdg-open");
    auto r = d.run();
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readFile(d.log), d.folder.string() +
                                   "\ndata\\index.html\ndata\\Error_Page.html\n1\n0\n"
                                   "data\\default.jpg\ndata\\default.wav\n");

    fs::remove(d.bin / "rondivo");
    fs::remove(d.log);
    r = d.run();
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readFile(d.log),
              d.folder.string() + "\n" + (d.folder / "data/index.html").string() + "\n");

    fs::remove(d.bin / "xdg-open");
    fs::remove(d.log);
    r = d.run();
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("open data/index.html on this disc in a web browser"));
    EXPECT_FALSE(fs::exists(d.log));
}

}  // namespace
}  // namespace rondivo
