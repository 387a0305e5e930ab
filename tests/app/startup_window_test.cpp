// The start-up routine through the real executable, under Xvfb, with a
// recording xdg-open first on PATH.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "platform/process.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::FakeXdgOpen;
using test::TempDir;

class StartupExe : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeFile(disc / "index.pdf", "%PDF-1.4");
        test::writeFile(disc / "fallback.html", "<html></html>");
    }
    std::vector<std::pair<std::string, std::string>> env() const {
        return {{"PATH", xdg.pathWithFakeFirst()},
                {"HOME", home.path().string()},
                {"XDG_RUNTIME_DIR", home.path().string()},
                {"XDG_DATA_HOME", (home / "data").string()},
                {"XDG_DATA_DIRS", (home / "none").string()}};
    }
    test::RunResult run(std::vector<std::string> args, int timeoutMs = 20000) {
        args.insert(args.begin(), exe);
        return test::runProgram(args, disc.path(), env(), timeoutMs);
    }
    // Starts the executable and leaves it running.
    pid_t start(std::vector<std::string> args) {
        pid_t pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            if (chdir(disc.path().c_str()) != 0) _exit(126);
            for (auto& [k, v] : env()) setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> argv{exe.data()};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(exe.c_str(), argv.data());
            _exit(127);
        }
        return pid;
    }
    static bool windowAppears(const std::string& title, int timeoutMs = 15000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            auto r = test::runProgram({"xdotool", "search", "--name", "^" + title + "$"});
            if (r.status == 0 && !r.output.empty()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    static void stop(pid_t pid) {
        kill(-pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    TempDir disc, home;
    FakeXdgOpen xdg;
    std::string exe = test::program(RONDIVO_EXE).string();
};

TEST_F(StartupExe, OpensTheAutoplayFileWithTheDefaultProgram) {
    auto r = run({"index.pdf", "none", "0", "0"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(xdg.calls(), std::vector<std::string>{(disc / "index.pdf").string()});
}

TEST_F(StartupExe, FallsBackToTheFailSafeFile) {
    auto r = run({"missing.pdf", "fallback.html", "0", "0"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(xdg.calls(), std::vector<std::string>{(disc / "fallback.html").string()});
}

TEST_F(StartupExe, AutorunInfSuppliesTheArguments) {
    test::writeFile(disc / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe index.pdf none 0 0\r\n");
    auto r = run({});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(xdg.calls(), std::vector<std::string>{(disc / "index.pdf").string()});
}

TEST_F(StartupExe, OpenWithAppearsWhenNoProgramTakesTheFileAndThereIsNoFailSafe) {
    test::ScopedEnv noProgram("FAKE_XDG_EXIT", "3");
    pid_t pid = start({"index.pdf", "none", "0", "0"});
    EXPECT_TRUE(windowAppears("Open With"));
    stop(pid);
}

TEST_F(StartupExe, AMissingFileIsSaidNotOfferedToOpenWith) {
    pid_t pid = start({"missing.pdf", "none", "0", "0"});
    EXPECT_TRUE(windowAppears("Rondivo!"));
    EXPECT_FALSE(windowAppears("Open With", 1000));
    EXPECT_TRUE(xdg.calls().empty());
    stop(pid);
}

// Given FIFOs as the disc's settings, splash picture and icon, and a start
// page in capitals, the player treats the FIFOs as missing and shows the page
// in its own window.
TEST_F(StartupExe, FifosOnTheDiscAreMissingAndACapitalPageOpensInThePlayer) {
    for (const char* name : {"autorun.dat", "splash.jpg", "icon.ico"})
        ASSERT_EQ(mkfifo((disc / name).c_str(), 0600), 0) << name;
    test::writeFile(disc / "INDEX.HTM",
                    "<html><title>Capital disc</title><body>menu</body></html>");
    test::writeFile(disc / "autorun.inf",
                    "[autorun]\r\nOPEN=autorun.exe INDEX.HTM none 1 0 splash.jpg\r\n"
                    "ICON=icon.ico\r\nLABEL=Capital disc\r\n");
    pid_t pid = start({});
    EXPECT_TRUE(windowAppears("Capital disc", 30000));
    EXPECT_TRUE(xdg.calls().empty());
    stop(pid);
}

TEST_F(StartupExe, InformationWithoutArgumentsOrAutorunInf) {
    pid_t pid = start({});
    EXPECT_TRUE(windowAppears("Rondivo!"));
    stop(pid);
}

TEST_F(StartupExe, SecondDesignerEndsAndRaisesTheFirst) {
    pid_t first = start({"design"});
    ASSERT_TRUE(windowAppears("Rondivo!"));
    auto second = run({"design"}, 10000);
    EXPECT_EQ(second.status, 0) << second.output;
    // Still exactly one designer window.
    auto r = test::runProgram({"xdotool", "search", "--name", "^Rondivo!$"});
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    stop(first);
}

}  // namespace
}  // namespace rondivo
