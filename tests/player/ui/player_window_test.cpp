// The player as the disc starts it: the real executable in a disc folder,
// windows read from outside with xdotool.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "disc/autorun_dat.h"
#include "platform/process.h"
#include "player/window_geometry.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

// A visible window of process `pid` (tests may run side by side on one display).
std::optional<std::string> findWindow(pid_t pid, const std::string& title,
                                      std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    do {
        auto r = test::runProgram({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                                   std::to_string(pid), "--name", "^" + title + "$"},
                                  {}, {}, 5000);
        std::istringstream ids(r.output);
        std::string id;
        if (r.status == 0 && (ids >> id)) return id;
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < deadline);
    return std::nullopt;
}

Geometry geometryOf(const std::string& id) {
    auto r = test::runProgram({"xdotool", "getwindowgeometry", "--shell", id});
    Geometry g;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq);
        int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") g.x = value;
        if (key == "Y") g.y = value;
        if (key == "WIDTH") g.width = value;
        if (key == "HEIGHT") g.height = value;
    }
    return g;
}

ScreenMetrics screen() {
    auto r = test::runProgram({"xdotool", "getdisplaygeometry"});
    ScreenMetrics s;
    std::istringstream(r.output) >> s.width >> s.height;
    return s;
}

// autorun.dat as the designer writes it by default: no right-click menu, centred.
PresentationSettings designed() {
    PresentationSettings v;
    v.disableRightClick = 1;
    v.centreOnStart = 1;
    return v;
}

// A disc folder holding the player, its data folder and the user's home.
class PlayerDisc : public ::testing::Test {
  protected:
    test::TempDir disc;
    test::TempDir home;
    test::FakeXdgOpen xdg;
    test::TempDir bin;  // fake sound players
    pid_t pid = -1;

    void SetUp() override {
        const fs::path player = test::program(RONDIVO_EXE);
        std::error_code ec;
        fs::create_hard_link(player, disc / "autorun.exe", ec);
        if (ec) fs::copy_file(player, disc / "autorun.exe");
        fs::create_directories(disc / "data");
        fs::create_directories(home / "Desktop");
    }
    void TearDown() override { stop(); }

    void start(const std::vector<std::string>& args, const std::string& path = {}) {
        std::vector<std::string> argv{(disc / "autorun.exe").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        test::ScopedEnv h("HOME", home.path().string());
        test::ScopedEnv c("XDG_CONFIG_HOME", (home / ".config").string());
        test::ScopedEnv d("XDG_DATA_HOME", (home / ".local/share").string());
        test::ScopedEnv p("PATH", path.empty() ? xdg.pathWithFakeFirst() : path);
        auto spawned = platform::spawnProcess(argv, disc.path());
        ASSERT_TRUE(spawned.started());
        pid = spawned.pid;
    }
    // The exit status, or nothing when still running after `timeout`.
    std::optional<int> waitEnd(std::chrono::milliseconds timeout) {
        auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }
    void stop() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        platform::waitForExit(pid);
        pid = -1;
    }
    void page(const std::string& name, const std::string& title, const std::string& body) {
        test::writeFile(disc / "data" / name,
                        "<html><head>" + (title.empty() ? "" : "<title>" + title + "</title>") +
                            "</head><body>" + body + "</body></html>");
    }
    void settings(const PresentationSettings& v) {
        ASSERT_TRUE(writePresentationFile(disc.path(), v));
    }
    Geometry shownWindow(const std::string& title) {
        auto id = findWindow(pid, title, 15s);
        if (!id) {
            ADD_FAILURE() << "no window " << title;
            return {};
        }
        return geometryOf(*id);
    }
};

TEST_F(PlayerDisc, WindowSizeForEveryIndex) {
    page("index.html", "Geometry Page", "<p>size</p>");
    PresentationSettings v = designed();
    v.customWidth = 600;
    v.customHeight = 450;
    settings(v);
    const ScreenMetrics s = screen();
    const WindowRect centredTemplate{(s.width - kBrowserTemplateWidth) / 2,
                                     (s.height - kBrowserTemplateHeight) / 2, kBrowserTemplateWidth,
                                     kBrowserTemplateHeight};
    for (int index = 0; index <= 6; ++index) {
        BrowserPlacement p;
        p.sizeIndex = index;
        p.customWidth = 600;
        p.customHeight = 450;
        WindowRect expected = applySize(p, centredTemplate, s, true);
        start({"data\\index.html", "none", "1", std::to_string(index)});
        Geometry g = shownWindow("Geometry Page");
        EXPECT_EQ(g.width, expected.width) << "index " << index;
        EXPECT_EQ(g.height, expected.height) << "index " << index;
        EXPECT_EQ(g.x, expected.x) << "index " << index;
        EXPECT_EQ(g.y, expected.y) << "index " << index;
        stop();
    }
}

TEST_F(PlayerDisc, CustomSizeLargerThanTheScreenShrinksToIt) {
    page("index.html", "Huge Page", "<p>huge</p>");
    PresentationSettings v = designed();
    v.customWidth = 5000;
    v.customHeight = 4000;
    settings(v);
    const ScreenMetrics s = screen();  // no panels under Xvfb: the work area is the screen
    start({"data\\index.html", "none", "1", "6"});
    Geometry g = shownWindow("Huge Page");
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.width, s.width);
    EXPECT_EQ(g.height, s.height);
}

TEST_F(PlayerDisc, PercentStartPositionCentresOnThePoint) {
    page("index.html", "Start Page", "<p>start</p>");
    PresentationSettings v = designed();
    v.startX = "50%";
    v.startY = "25%";
    v.centreOnStart = true;
    settings(v);
    const ScreenMetrics s = screen();
    start({"data\\index.html", "none", "1", "4"});
    Geometry g = shownWindow("Start Page");
    EXPECT_EQ(g.x, static_cast<int>(50 * static_cast<double>(0.01f) * s.width) - 400);
    EXPECT_EQ(g.y, std::max(0, static_cast<int>(25 * static_cast<double>(0.01f) * s.height) - 300));
    EXPECT_EQ(g.width, 800);
}

TEST_F(PlayerDisc, RunAndQuitLinksDoTheirActionInsteadOfNavigating) {
    test::writeFile(disc / "data/Notes.TXT", "notes");
    page(
        "index.html", "Links",
        "<a id='run' href='http://ACTION_RUN=notes.txt'>run</a>"
        "<a id='quit' href='http://ACTION_QUIT'>quit</a>"
        "<script>window.onload = function () {"
        "  document.getElementById('run').click();"
        "  setTimeout(function () { document.getElementById('quit').click(); }, 500); };</script>");
    start({"data\\index.html", "none", "1", "1"});
    auto status = waitEnd(20s);
    ASSERT_TRUE(status) << "the quit link did not close the window";
    EXPECT_EQ(*status, 0);
    ASSERT_EQ(xdg.calls().size(), 1u);
    EXPECT_EQ(fs::path(xdg.calls()[0]), disc / "data/Notes.TXT");
}

TEST_F(PlayerDisc, CopyLinkCopiesAndReportsWhenDone) {
    test::TempDir target;
    test::writeFile(disc / "data/a.txt", "payload");
    page("index.html", "",
         "<a id='copy' href='http://ACTION_COPY=a.txt," + target.path().string() +
             "'>copy</a>"
             "<script>window.onload = function () { document.getElementById('copy').click(); "
             "};</script>");
    start({"data\\index.html", "none", "1", "1"});
    EXPECT_TRUE(findWindow(pid, "CD-ROM Application", 20s)) << "no summary message";
    EXPECT_EQ(test::readFile(target / "a.txt"), "payload");
}

TEST_F(PlayerDisc, LabelLineSetsTheCaption) {
    test::writeFile(disc / "autorun.inf",
                    "[autorun]\r\nOPEN=autorun.exe data\\index.html none 1 1\r\nLABEL=My Disc\r\n");
    page("index.html", "", "<p>no title of its own</p>");
    start({"data\\index.html", "none", "1", "1"});
    EXPECT_TRUE(findWindow(pid, "My Disc", 15s));
}

TEST_F(PlayerDisc, MovieOpensInMediaModeCaptionedWithItsName) {
    test::writeFile(disc / "movie.avi", std::string(2048, '\0'));
    start({"movie.avi", "none", "1", "1"});
    auto id = findWindow(pid, "movie.avi", 15s);
    ASSERT_TRUE(id);
    EXPECT_EQ(geometryOf(*id).width, 320);
}

TEST_F(PlayerDisc, SplashIsFiveLargerThanItsPictureForTheConfiguredTime) {
    ASSERT_EQ(
        test::runProgram({"convert", "-size", "400x300", "xc:navy", (disc / "splash.jpg").string()})
            .status,
        0);
    PresentationSettings v = designed();
    v.splashDisplayMs = 1500;
    settings(v);
    auto begin = Clock::now();
    start({"none", "none", "0", "0", "splash.jpg"});
    auto id = findWindow(pid, "Rondivo! splash", 10s);
    ASSERT_TRUE(id);
    Geometry g = geometryOf(*id);
    const ScreenMetrics s = screen();
    EXPECT_EQ(g.width, 405);
    EXPECT_EQ(g.height, 305);
    EXPECT_EQ(g.x, (s.width - 405) / 2);
    EXPECT_EQ(g.y, (s.height - 305) / 2);
    auto status = waitEnd(10s);
    ASSERT_TRUE(status);
    EXPECT_GE(Clock::now() - begin, 1500ms);
}

TEST_F(PlayerDisc, PngSplashShowsItsPicture) {
    ASSERT_EQ(
        test::runProgram({"convert", "-size", "300x200", "xc:teal", (disc / "splash.png").string()})
            .status,
        0);
    PresentationSettings v = designed();
    v.splashDisplayMs = 1500;
    settings(v);
    start({"none", "none", "0", "0", "splash.png"});
    auto id = findWindow(pid, "Rondivo! splash", 10s);
    ASSERT_TRUE(id);
    EXPECT_EQ(geometryOf(*id).width, 305);
    EXPECT_EQ(geometryOf(*id).height, 205);
    ASSERT_TRUE(waitEnd(10s));
}

TEST_F(PlayerDisc, MissingSplashPictureGivesATinyWindowAndTheShowGoesOn) {
    PresentationSettings v = designed();
    v.splashDisplayMs = 1500;
    settings(v);
    test::writeFile(disc / "data/Notes.TXT", "notes");
    start({"data\\notes.txt", "none", "0", "0", "missing.jpg"});
    auto id = findWindow(pid, "Rondivo! splash", 10s);
    ASSERT_TRUE(id);
    Geometry g = geometryOf(*id);
    EXPECT_EQ(g.width, 5);
    EXPECT_EQ(g.height, 5);
    ASSERT_TRUE(waitEnd(10s));
    ASSERT_EQ(xdg.calls().size(), 1u);  // the autoplay file was still opened
}

TEST_F(PlayerDisc, DesignerSplashIsHiddenAfterTwoSeconds) {
    ASSERT_EQ(test::runProgram(
                  {"convert", "-size", "200x100", "xc:teal", (disc / "splashscreen.jpg").string()})
                  .status,
              0);
    test::TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    test::ScopedEnv r("XDG_RUNTIME_DIR", runtime.path().string());
    start({"design"});
    auto splash = findWindow(pid, "Rondivo! splash", 10s);
    ASSERT_TRUE(splash);
    EXPECT_EQ(geometryOf(*splash).width, 205);
    EXPECT_EQ(geometryOf(*splash).height, 105);
    auto shownAt = Clock::now();
    EXPECT_TRUE(findWindow(pid, "Rondivo!", 10s));  // the designer runs meanwhile
    auto deadline = Clock::now() + 10s;
    while (findWindow(pid, "Rondivo! splash", 1ms) && Clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(findWindow(pid, "Rondivo! splash", 1ms));
    EXPECT_GE(Clock::now() - shownAt, 1500ms);
}

class PlayerSound : public PlayerDisc {
  protected:
    void SetUp() override {
        PlayerDisc::SetUp();
        ASSERT_EQ(test::runProgram(
                      {"convert", "-size", "40x30", "xc:red", (disc / "splash.jpg").string()})
                      .status,
                  0);
        ASSERT_EQ(test::runProgram({"sox", "-n", "-r", "8000", "-c", "1",
                                    (disc / "sound.wav").string(), "synth", "0.1", "sine", "440"})
                      .status,
                  0);
        PresentationSettings v = designed();
        v.splashDisplayMs = 1500;
        settings(v);
    }
};

TEST_F(PlayerSound, PlayerWaitsForTheSoundToEnd) {
    test::writeFile(bin / "pw-play", "#!/bin/sh\nsleep 4\n");
    fs::permissions(bin / "pw-play", fs::perms::owner_all);
    auto begin = Clock::now();
    start({"none", "none", "0", "0", "splash.jpg", "sound.wav"},
          bin.path().string() + ":/usr/bin:/bin");
    ASSERT_TRUE(waitEnd(20s));
    EXPECT_GE(Clock::now() - begin, 4s);
}

TEST_F(PlayerSound, SoundThatCannotBePlayedEndsAtOnce) {
    // A player that fails the way one does without an audio device.
    test::writeFile(bin / "pw-play", "#!/bin/sh\nexit 1\n");
    fs::permissions(bin / "pw-play", fs::perms::owner_all);
    auto begin = Clock::now();
    start({"none", "none", "0", "0", "splash.jpg", "sound.wav"},
          bin.path().string() + ":/usr/bin:/bin");
    ASSERT_TRUE(waitEnd(20s));
    EXPECT_LT(Clock::now() - begin, 4s);  // the 1500 ms splash and start-up, no more
}

}  // namespace
}  // namespace rondivo
