#include "app/startup.h"

#include <gtest/gtest.h>

#include <map>

#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;

// Records what the routine asks of the windows and the shell. Shell results
// are scripted per file name (default: success).
class RecordingHost : public StartupHost {
  public:
    fs::path cwd = "/disc";
    fs::path disc = "/disc";  // where the executable lies
    std::vector<std::string> log;
    std::map<std::string, int> shellResults;
    bool otherDesigner = false;
    bool chdirWorks = true;
    int soundPolls = 0;  // polls before the sound finishes
    std::string decrypted = "/home/u/.local/share/RondivoTemp\\data";

    fs::path currentDirectory() override { return cwd; }
    fs::path executableFolder() override { return disc; }
    fs::path programFolder() override { return "/usr/share/rondivo"; }
    void showInformation(const std::string&) override { log.push_back("information"); }
    bool acquireDesignerInstance() override { return !otherDesigner; }
    void raiseRunningDesigner() override { log.push_back("raise"); }
    void showDesignerSplash(const fs::path& image) override {
        log.push_back("designer splash " + image.string());
    }
    void runDesigner() override { log.push_back("designer"); }
    void startSound(const std::string& p) override { log.push_back("sound " + p); }
    bool soundFinished() override { return soundPolls-- <= 0; }
    void showSplash(const std::string& image, int ms) override {
        log.push_back("splash " + image + " " + std::to_string(ms));
    }
    void runBrowser(const BrowserLaunch& b) override {
        log.push_back("browser " + b.page + (b.mediaMode ? " media" : "") + " size " +
                      std::to_string(b.windowSizeIndex) + (b.dataFolderLayout ? "" : " flat"));
    }
    void restoreDesigner() override { log.push_back("restore designer"); }
    std::string extractSecureFiles(bool) override {
        log.push_back("extract");
        return decrypted;
    }
    bool enterFolder(const fs::path& folder) override {
        log.push_back("enter " + folder.string());
        cwd = folder;
        return true;
    }
    bool changeDirectory(const std::string& f) override {
        log.push_back("cd " + f);
        return chdirWorks;
    }
    int shellExecute(const std::string& file, const std::string& params) override {
        log.push_back("shell " + file + (params.empty() ? "" : " [" + params + "]"));
        auto it = shellResults.find(file);
        return it == shellResults.end() ? 42 : it->second;
    }
    void openWith(const std::string& file) override { log.push_back("open with " + file); }
    void showError(const std::string& text) override { log.push_back("error " + text); }
    void pumpMessages() override {}
    void sleepMs(int) override {}
};

std::vector<std::string> run(std::vector<std::string> args, RecordingHost& host) {
    std::vector<const char*> argv{"autorun.exe"};
    for (auto& a : args) argv.push_back(a.c_str());
    runStartup(static_cast<int>(argv.size()), argv.data(), host);
    return host.log;
}

using Log = std::vector<std::string>;

TEST(Startup, PlayerPaths) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::map<std::string, int> shell;
        Log want;
    } cases[] = {
        {"document to the shell", {"index.pdf", "none", "0", "0"}, {}, {"shell index.pdf"}},
        // "Open With" only when no program opens the type; every other failure is said.
        {"no program, fail-safe none: Open With",
         {"a.pdf", "none", "0", "0"},
         {{"a.pdf", 31}},
         {"shell a.pdf", "open with a.pdf"}},
        {"association incomplete: Open With",
         {"a.pdf", "none", "0", "0"},
         {{"a.pdf", 27}},
         {"shell a.pdf", "open with a.pdf"}},
        {"missing, fail-safe none: said",
         {"missing.pdf", "none", "0", "0"},
         {{"missing.pdf", 2}},
         {"shell missing.pdf",
          "error Error opening: missing.pdf \nThe file was not found. Please verify it is located "
          "on your CD-ROM and in the expected folder."}},
        {"sharing violation: said with the reason",
         {"a.pdf", "none", "0", "0"},
         {{"a.pdf", 26}},
         {"shell a.pdf", "error Error opening: a.pdf \nAnother program is using the file."}},
        {"access denied to the fail-safe: said",
         {"a.pdf", "b.exe", "0", "0"},
         {{"a.pdf", 2}, {"b.exe", 5}},
         {"shell a.pdf", "shell b.exe",
          "error Error opening: b.exe \nAccess to the file was denied."}},
        {"failed, fail-safe to the shell",
         {"missing.pdf", "fallback.html", "0", "0"},
         {{"missing.pdf", 2}},
         {"shell missing.pdf", "shell fallback.html"}},
        {"fail-safe fails too",
         {"a.pdf", "b.doc", "0", "0"},
         {{"a.pdf", 2}, {"b.doc", 31}},
         {"shell a.pdf", "shell b.doc", "open with b.doc"}},
        {"fail-safe page in the browser",
         {"a.pdf", "err.html", "1", "3"},
         {{"a.pdf", 3}},
         {"shell a.pdf", "browser err.html size 3"}},
        {"page in the browser",
         {"index.htm", "none", "1", "3"},
         {},
         {"browser index.htm size 3", "restore designer"}},
        {"capitals in the browser",
         {"INDEX.HTM", "none", "1", "3"},
         {},
         {"browser INDEX.HTM size 3", "restore designer"}},
        {"capital movie in media mode",
         {"MOVIE.AVI", "none", "1", "3"},
         {},
         {"browser MOVIE.AVI media size 3", "restore designer"}},
        {"capital fail-safe page in the browser",
         {"a.pdf", "ERR.HTML", "1", "3"},
         {{"a.pdf", 3}},
         {"shell a.pdf", "browser ERR.HTML size 3"}},
        {"capital secure file",
         {"DOC.PDF.ENC", "none", "0", "0"},
         {},
         {"extract", "shell /home/u/.local/share/RondivoTemp\\data\\DOC.PDF"}},
        {"browser off", {"index.html", "none", "0", "0"}, {}, {"shell index.html"}},
        {"only exact 1 enables", {"index.html", "none", "01", "0"}, {}, {"shell index.html"}},
        {"movie in media mode",
         {"data/movie.wmv", "none", "1", "3"},
         {},
         {"cd data/", "browser data/movie.wmv media size 3", "restore designer"}},
        {"movie to the shell",
         {"data/movie.wmv", "none", "0", "3"},
         {},
         {"cd data/", "shell movie.wmv"}},
        {"slide show",
         {"data/show.ppt", "none", "0", "0"},
         {},
         {"cd data/", "shell Powerpnt.exe [/s show.ppt]"}},
        {"slide show in capitals",
         {"SHOW.PPT", "none", "0", "0"},
         {},
         {"shell Powerpnt.exe [/s SHOW.PPT]"}},
        {"splash and sound, nothing to open",
         {"none", "none", "0", "0", "splash.jpg", "sound.wav"},
         {},
         {"sound sound.wav", "splash splash.jpg 3000"}},
        {"sound in fifth place", {"none", "none", "0", "0", "chime.WAV"}, {}, {"sound chime.WAV"}},
        {"splash only",
         {"a.pdf", "none", "0", "0", "logo.BMP"},
         {},
         {"splash logo.BMP 3000", "shell a.pdf"}},
        {"png splash", {"none", "none", "0", "0", "Logo.PNG"}, {}, {"splash Logo.PNG 3000"}},
        {"sixth word not a sound",
         {"none", "none", "0", "0", "a.gif", "b.mp3"},
         {},
         {"splash a.gif 3000"}},
        {"window size not a number",
         {"index.html", "none", "1", "x"},
         {},
         {"browser index.html size 0", "restore designer"}},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        host.shellResults = c.shell;
        EXPECT_EQ(run(c.args, host), c.want) << c.name;
    }
}

TEST(Startup, FailedDirectoryChangeUsesTheNameAsWritten) {
    RecordingHost host;
    host.chdirWorks = false;
    EXPECT_EQ(run({"data/a.pdf", "none", "0", "0"}, host), (Log{"cd data/", "shell data/a.pdf"}));
}

TEST(Startup, SecureFileIsDecryptedFirst) {
    RecordingHost host;
    EXPECT_EQ(run({"data\\index.pdf.enc", "none", "0", "0"}, host),
              (Log{"extract", "shell /home/u/.local/share/RondivoTemp\\data\\index.pdf"}));
    RecordingHost flat;
    flat.decrypted = "/t/RondivoTemp";
    EXPECT_EQ(run({"doc.pdf.enc", "none", "0", "0"}, flat),
              (Log{"extract", "shell /t/RondivoTemp\\doc.pdf"}));
}

TEST(Startup, SecureLaunchPathRepairs) {
    EXPECT_EQ(secureLaunchPath("T\\data", "data\\x.html.enc"), "T\\data\\x.html");
    EXPECT_EQ(secureLaunchPath("T\\data", "datadata\\x.enc"), "T\\data\\x");
    EXPECT_EQ(secureLaunchPath("T", "a.pdf.enc"), "T\\a.pdf");
    EXPECT_EQ(secureLaunchPath("T", "A.PDF.ENC"), "T\\A.PDF");
}

TEST(Startup, SplashTimeOfZeroOrLessIsTwoSeconds) {
    for (const char* dat : {"0\n", "-100\n"}) {
        test::TempDir dir;
        test::writeFile(dir / "autorun.dat", dat);
        RecordingHost host;
        host.cwd = host.disc = dir.path();
        EXPECT_EQ(run({"none", "none", "0", "0", "s.jpg"}, host), (Log{"splash s.jpg 2000"}))
            << dat;
    }
    test::TempDir dir;
    test::writeFile(dir / "autorun.dat", "7500\r\n");
    RecordingHost host;
    host.cwd = host.disc = dir.path();
    EXPECT_EQ(run({"none", "none", "0", "0", "s.jpg"}, host), (Log{"splash s.jpg 7500"}));
}

TEST(Startup, WaitsForTheSoundBeforeEnding) {
    RecordingHost host;
    host.soundPolls = 5;
    run({"none", "none", "0", "0", "a.wav"}, host);
    EXPECT_EQ(host.soundPolls, -1);  // polled until finished, then once more is not needed
}

TEST(Startup, DesignerModes) {
    RecordingHost first;
    EXPECT_EQ(run({"design"}, first),
              (Log{"designer splash " + (std::filesystem::path("/usr/share/rondivo") /
                                         "splashscreens" / "splashscreen.jpg")
                                            .string(),
                   "designer"}));
    RecordingHost second;
    second.otherDesigner = true;
    EXPECT_EQ(run({"design"}, second), (Log{"raise"}));
    RecordingHost caseMatters;
    EXPECT_EQ(run({"Design"}, caseMatters), (Log{"shell Design"}));
}

TEST(Startup, ArgumentsFromAutorunInf) {
    struct Case {
        const char* name;
        std::string inf;
        Log want;
    } cases[] = {
        {"same as the command line",
         "[autorun]\r\nOPEN=autorun.exe index.htm none 1 3\r\n",
         {"browser index.htm size 3 flat", "restore designer"}},
        {"nothing after .exe: designer, no splash",
         "[autorun]\r\nOPEN=autorun.exe\r\n",
         {"designer"}},
        {"no .exe: information", "[autorun]\r\nOPEN=autorun.com a b\r\n", {"information"}},
        {".exe is case-sensitive",
         "[autorun]\r\nOPEN=AUTORUN.EXE a.pdf none 0 0\r\n",
         {"information"}},
        {"one line only", "[autorun]\r\n", {"information"}},
        {"runs of blanks", "[autorun]\nOPEN=autorun.exe   a.pdf    none  0 0\n", {"shell a.pdf"}},
        {"data folder kept",
         "[autorun]\nOPEN=autorun.exe data\\index.html data\\Error_Page.html 1 0\n",
         {"browser data\\index.html size 0", "restore designer"}},
        {"design from the file",
         "[autorun]\nOPEN=autorun.exe design\n",
         {"designer splash " +
              (std::filesystem::path("/usr/share/rondivo") / "splashscreens" / "splashscreen.jpg")
                  .string(),
          "designer"}},
        {"more than six words",
         "[autorun]\nOPEN=autorun.exe none none 0 0 a.jpg b.wav c d\n",
         {"sound b.wav", "splash a.jpg 3000"}},
        {"random bytes", std::string("\x01\xff\x00\x10.exe\xfe", 9) + "\n", {"information"}},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        test::writeFile(dir / "autorun.inf", c.inf);
        RecordingHost host;
        host.cwd = host.disc = dir.path();
        EXPECT_EQ(run({}, host), c.want) << c.name;
    }
    RecordingHost none;
    test::TempDir empty;
    none.cwd = none.disc = empty.path();
    EXPECT_EQ(run({}, none), (Log{"information"}));
}

TEST(Startup, ThePlayerReadsItsDiscBesideItsExecutableFromAnyFolder) {
    // Started from the Run box: the current folder is the user's, not the disc.
    test::TempDir disc, home;
    test::writeFile(disc / "autorun.inf",
                    "[autorun]\r\nOPEN=autorun.exe data\\a.pdf none 0 0 s.jpg\r\nICON=d.ico\r\n");
    PresentationSettings dat;
    dat.splashDisplayMs = 7500;
    ASSERT_TRUE(writePresentationFile(disc.path(), dat));
    test::writeFile(home / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe other.pdf none 0 0\r\n");
    RecordingHost host;
    host.disc = disc.path();
    host.cwd = home.path();
    EXPECT_EQ(run({}, host),
              (Log{"enter " + disc.path().string(), "splash s.jpg 7500", "shell data\\a.pdf"}));
}

TEST(Startup, DataFolderLayoutFromTheFailSafeWord) {
    EXPECT_TRUE(
        decideFromAutorunLine("OPEN=autorun.exe data\\a.html data\\b.html 1 0")->dataFolderLayout);
    EXPECT_FALSE(decideFromAutorunLine("OPEN=autorun.exe data\\a.html none 1 0")->dataFolderLayout);
    EXPECT_TRUE(
        decideFromAutorunLine("OPEN=autorun.exe a.html")->dataFolderLayout);  // no second word
    EXPECT_TRUE(
        decideFromArguments(LaunchArguments::fromWords({"a.html", "none"})).dataFolderLayout);
}

TEST(Startup, BrowserLaunchCarriesTheSettings) {
    PresentationSettings s;
    s.customWidth = 640;
    s.customHeight = 480;
    s.topMost = 1;
    auto plan = planPlayer(LaunchArguments::fromWords({"data/index.html", "none", "1", "6"}), s,
                           true, "/cd", "x.ico");
    ASSERT_TRUE(plan.browser);
    EXPECT_EQ(plan.browser->address, fs::path("/cd/data/index.html"));
    EXPECT_EQ(plan.browser->icon, "x.ico");
    EXPECT_EQ(plan.browser->windowSizeIndex, 6);
    EXPECT_EQ(plan.browser->settings.customWidth, 640);
    EXPECT_FALSE(plan.browser->mediaMode);
    for (const char* page : {"a.avi", "a.mpeg", "a.mpg", "a.wmv"})
        EXPECT_TRUE(
            planPlayer(LaunchArguments::fromWords({page, "none", "1", "0"}), s, true, "/", "")
                .browser->mediaMode)
            << page;
    for (const char* page : {"a.gif", "a.jpg", "a.html"})
        EXPECT_FALSE(
            planPlayer(LaunchArguments::fromWords({page, "none", "1", "0"}), s, true, "/", "")
                .browser->mediaMode)
            << page;
}

}  // namespace
}  // namespace rondivo
