// A secure disc from end to end: rondivo-build encrypts the presentation, and
// the built player decrypts it into the temporary folder, shows the page and
// removes the decrypted files when its window closes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(SecureDisc, BuiltPlayerShowsTheDecryptedPageAndCleansUp) {
    test::TempDir t;
    const std::string page =
        "<html><head><title>Secret Menu</title></head><body><p>for your eyes</p>"
        "<script>setTimeout(function () { location.href = 'http://ACTION_QUIT'; }, 3000);</script>"
        "</body></html>";
    test::writeFile(t / "author/index.html", page);
    auto build = test::runProgram(
        {test::program(test::binaryDir() / "rondivo-build").string(), "--desktop",
         (t / "Desktop").string(), "--open", (t / "author/index.html").string(), "--secure",
         "--no-splash", "--no-sound", "--executable", test::program(RONDIVO_EXE).string()},
        t.path(), {{"HOME", t.path().string()}});
    ASSERT_EQ(build.status, 0) << build.output;
    const fs::path disc = t / "Desktop/CD-ROM Distributable Files";
    ASSERT_TRUE(fs::exists(disc / "data/index.html.enc")) << build.output;
    EXPECT_FALSE(fs::exists(disc / "data/index.html"));
    EXPECT_TRUE(fs::exists(disc / "data/Error_Page.html"));  // the fail-safe stays readable
    EXPECT_NE(test::readFile(disc / "data/index.html.enc"), page);

    const fs::path data = t / "share";
    const fs::path decrypted = data / "RondivoTemp/data/index.html";
    bool seen = false;
    std::thread watcher([&] {
        for (auto end = std::chrono::steady_clock::now() + 20s;
             std::chrono::steady_clock::now() < end && !seen; std::this_thread::sleep_for(20ms))
            seen = fs::exists(decrypted) && test::readFile(decrypted) == page;
    });
    auto play =
        test::runProgram({(disc / "autorun.exe").string()}, disc,
                         {{"HOME", t.path().string()}, {"XDG_DATA_HOME", data.string()}}, 30000);
    watcher.join();
    EXPECT_EQ(play.status, 0) << play.output;
    EXPECT_TRUE(seen) << "the decrypted page never appeared in the temporary folder";
    EXPECT_FALSE(fs::exists(data / "RondivoTemp/data")) << "decrypted files left behind";
}

}  // namespace
}  // namespace rondivo
