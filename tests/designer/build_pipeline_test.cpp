#include "designer/build_pipeline.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "designer/build_record.h"
#include "disc/autorun_dat.h"
#include "platform/process.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;
using ::testing::Not;

// A program folder with the pages, media and player the default settings name.
struct Fixture {
    TempDir t;
    fs::path program = t / "program";
    fs::path desktop = t / "home/Desktop";
    fs::path out = desktop / "CD-ROM Distributable Files";
    Fixture() {
        for (const char* page :
             {"1_Demo_General_Menu.html", "Error_Page.html", "3_Demo_Microsoft_PowerPoint.html",
              "4_Demo_Fancy_Menu.html", "9_Sunset_CD_Menu.html", "91_HighTech_CD_Menu.html",
              "92_XPBlue_CD_Menu.html"})
            writeFile(program / "html" / page, std::string("<html>") + page + "</html>");
        writeFile(program / "splashscreens/default.jpg", "JPEG");
        writeFile(program / "sounds/default.wav", "RIFF");
        writeFile(program / "drivers/shfolder.dll", "DLL");
        writeFile(program / "rondivo", "PLAYER");
        fs::create_directories(desktop);
    }
    BuildRequest request() const {
        BuildRequest r;
        r.programFolder = program;
        r.ownExecutable = program / "rondivo";
        r.desktopFolder = desktop;
        return r;
    }
    std::string inf() const { return readFile(out / "autorun.inf"); }
};

BuildHooks quietHooks() {
    BuildHooks h;
    h.sleep = [](std::chrono::milliseconds) {};
    return h;
}

TEST(Build, SpacesInNamesAreRefusedBeforeAnythingIsTouched) {
    Fixture f;
    writeFile(f.out / "old.txt", "earlier build");
    struct Row {
        const char* open;
        const char* failSafe;
        BuildMessage::Focus focus;
        const char* text;
    } rows[] = {
        {"my page.html", "Error_Page.html", BuildMessage::Focus::FileToOpen,
         "The filename can not contain"},
        {"index.html", "my fail.html", BuildMessage::Focus::FailSafe,
         "The failed-to-open filename can not"},
    };
    for (const auto& r : rows) {
        auto req = f.request();
        req.settings.openName = r.open;
        req.settings.failSafeName = r.failSafe;
        auto res = runBuild(req, quietHooks());
        EXPECT_EQ(res.outcome, BuildResult::Outcome::Refused);
        ASSERT_EQ(res.messages.size(), 1u);
        EXPECT_THAT(res.messages[0].text, HasSubstr(r.text));
        EXPECT_EQ(res.messages[0].focus, r.focus);
        EXPECT_EQ(readFile(f.out / "old.txt"), "earlier build");
    }
}

TEST(Build, SplashSoundAndIconNamesWithSpacesAreUnderscored) {
    Fixture f;
    writeFile(f.t / "media/my splash.jpg", "S");
    writeFile(f.t / "media/my sound.wav", "W");
    writeFile(f.t / "media/my icon.ico", "I");
    auto req = f.request();
    chooseSplash(req.settings, (f.t / "media/my splash.jpg").string());
    chooseSound(req.settings, (f.t / "media/my sound.wav").string());
    chooseIcon(req.settings, (f.t / "media/my icon.ico").string());
    auto res = runBuild(req, quietHooks());
    ASSERT_TRUE(res.completed());
    EXPECT_EQ(readFile(f.out / "data/my_splash.jpg"), "S");
    EXPECT_EQ(readFile(f.out / "data/my_sound.wav"), "W");
    EXPECT_EQ(readFile(f.out / "my_icon.ico"), "I") << "the icon stays in the root";
    EXPECT_THAT(res.commandLine, HasSubstr(" data\\my_splash.jpg data\\my_sound.wav"));
    EXPECT_THAT(f.inf(), HasSubstr("ICON=my_icon.ico\r\n"));
}

TEST(Build, OwnFileBringsItsWholeFolderIncludingEmptyAndHiddenEntries) {
    Fixture f;
    writeFile(f.t / "site/index.html", "<a href=x>");
    writeFile(f.t / "site/img/logo.gif", "GIF");
    writeFile(f.t / "site/.config", "hidden");
    fs::create_directories(f.t / "site/empty");
    auto req = f.request();
    ASSERT_TRUE(chooseOwnFile(req.settings, (f.t / "site/index.html").string()));
    req.settings.options.dataFolder = false;
    auto res = runBuild(req, quietHooks());
    ASSERT_TRUE(res.completed());
    EXPECT_EQ(readFile(f.out / "img/logo.gif"), "GIF");
    EXPECT_EQ(readFile(f.out / ".config"), "hidden");
    EXPECT_TRUE(fs::is_directory(f.out / "empty"));
    EXPECT_EQ(res.commandLine,
              "autorun.exe index.html Error_Page.html 1 0 default.jpg default.wav");
}

// Given a link in the author's folder to a file elsewhere (anyone's, such as
// one under /etc), the build copies it and says so, as the image does.
TEST(Build, FolderCopyNamesLinksLeadingOutOfTheFolder) {
    RONDIVO_LINUX_ONLY("symbolic links");
    Fixture f;
    writeFile(f.t / "site/index.html", "I");
    writeFile(f.t / "private/key.txt", "K");
    fs::create_symlink(f.t / "private/key.txt", f.t / "site/key.txt");
    auto req = f.request();
    chooseOwnFile(req.settings, (f.t / "site/index.html").string());
    auto res = runBuild(req, quietHooks());
    ASSERT_TRUE(res.completed());
    std::string said;
    for (const auto& m : res.messages) said += m.text;
    EXPECT_THAT(said, HasSubstr("lead outside it"));
    EXPECT_THAT(said, HasSubstr((f.t / "site/key.txt").string() + " (taken from " +
                                fs::canonical(f.t / "private/key.txt").string() + ")"));
}

TEST(Build, FileOnTheDesktopOrADriveRootIsCopiedAlone) {
    RONDIVO_LINUX_ONLY(
        "a folder named E: stands for a drive root here; Windows cannot name a folder so");
    // "E:" stands for a drive root as a Windows path names it.
    for (const char* dir : {"home/Desktop", "other/MyDesktop", "mnt/E:"}) {
        SCOPED_TRACE(dir);
        Fixture f;
        writeFile(f.t / dir / "page.html", "P");
        writeFile(f.t / dir / "unrelated.doc", "U");
        auto req = f.request();
        chooseOwnFile(req.settings, (f.t / dir / "page.html").string());
        ASSERT_TRUE(runBuild(req, quietHooks()).completed());
        EXPECT_EQ(readFile(f.out / "data/page.html"), "P");
        EXPECT_FALSE(fs::exists(f.out / "data/unrelated.doc"));
    }
}

TEST(Build, DesktopNotNamedDesktopStillCopiesTheFileAlone) {
    Fixture f;
    auto req = f.request();
    req.desktopFolder = f.t / "Schreibtisch";
    writeFile(f.t / "Schreibtisch/page.html", "P");
    writeFile(f.t / "Schreibtisch/other.txt", "O");
    chooseOwnFile(req.settings, (f.t / "Schreibtisch/page.html").string());
    ASSERT_TRUE(runBuild(req, quietHooks()).completed());
    const fs::path out = f.t / "Schreibtisch/CD-ROM Distributable Files";
    EXPECT_EQ(readFile(out / "data/page.html"), "P");
    EXPECT_FALSE(fs::exists(out / "data/other.txt"));
}

TEST(Build, MissingDesktopFolderIsCreatedAndAnUnwritableOneIsReported) {
    Fixture f;
    auto req = f.request();
    req.desktopFolder = f.t / "new/Desktop";
    EXPECT_TRUE(runBuild(req, quietHooks()).completed());
    EXPECT_TRUE(fs::exists(f.t / "new/Desktop/CD-ROM Distributable Files/autorun.inf"));

    // Given a desktop that cannot be written, the author is told that, once,
    // and which folder: not about other programs or long sounds.
    writeFile(f.t / "file", "not a folder");
    fs::create_directories(f.t / "readonly/Desktop");
    struct Case {
        fs::path desktop;
        fs::path named;
        bool onlyWithPermissions;
    } cases[] = {{f.t / "file", f.t / "file", false},
                 {f.t / "file/Desktop", f.t / "file/Desktop", false},
                 {f.t / "readonly/Desktop", f.t / "readonly/Desktop", true}};
    fs::permissions(f.t / "readonly/Desktop", fs::perms::owner_read | fs::perms::owner_exec);
    for (const Case& c : cases) {
        if (c.onlyWithPermissions && !test::permissionsBind()) continue;
        req.desktopFolder = c.desktop;
        auto res = runBuild(req, quietHooks());
        EXPECT_EQ(res.outcome, BuildResult::Outcome::Aborted) << c.desktop;
        ASSERT_EQ(res.messages.size(), 1u) << c.desktop;
        EXPECT_THAT(res.messages[0].text,
                    HasSubstr("The folder " + c.named.string() + " cannot be written ("));
        EXPECT_THAT(res.messages[0].text, Not(HasSubstr("another program")));
    }
    fs::permissions(f.t / "readonly/Desktop", fs::perms::owner_all);
}

TEST(Build, PagesUnderHtmlNeverCopyTheirFolder) {
    Fixture f;
    writeFile(f.program / "html/My_Menu.html", "M");
    auto req = f.request();
    req.settings.openSource = "html\\My_Menu.html";
    req.settings.openName = "My_Menu.html";
    ASSERT_TRUE(runBuild(req, quietHooks()).completed());
    EXPECT_EQ(readFile(f.out / "data/My_Menu.html"), "M");
    EXPECT_FALSE(fs::exists(f.out / "data/4_Demo_Fancy_Menu.html"));
}

TEST(Build, CompanionFolderIsCopiedAndThePageIsNotScanned) {
    Fixture f;
    writeFile(f.t / "saved/page.htm", "P");
    writeFile(f.t / "saved/page_files/style.css", "CSS");
    writeFile(f.t / "saved/page_files/sub/pic.png", "PNG");
    writeFile(f.t / "plain/page.html", "Q");
    int scans = 0;
    fs::path scannedPage;
    auto hooks = quietHooks();
    hooks.scanningPage = [&](const fs::path& page) {
        ++scans;
        scannedPage = page;
    };
    auto req = f.request();
    req.settings.failSafeName.clear();
    req.settings.options.noWholeFolderCopy = true;
    chooseOwnFile(req.settings, (f.t / "saved/page.htm").string());
    req.settings.options.noWholeFolderCopy = true;
    ASSERT_TRUE(runBuild(req, hooks).completed());
    EXPECT_EQ(readFile(f.out / "data/page_files/sub/pic.png"), "PNG");
    EXPECT_EQ(scans, 0);

    chooseOwnFile(req.settings, (f.t / "plain/page.html").string());
    ASSERT_TRUE(runBuild(req, hooks).completed());
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(scannedPage, f.t / "plain/page.html");
}

TEST(Build, DataFolderOnAndOff) {
    Fixture f;
    writeFile(f.t / "COPY_ALL_TO_CDROM_ROOT.txt", "");
    auto req = f.request();
    auto on = runBuild(req, quietHooks());
    ASSERT_TRUE(on.completed());
    EXPECT_EQ(
        on.commandLine,
        "autorun.exe data\\1_Demo_General_Menu.html data\\Error_Page.html 1 0 data\\default.jpg "
        "data\\default.wav");
    EXPECT_FALSE(fs::exists(f.out / "data/autorun.inf"))
        << "autorun.inf is rewritten in the root, not left in data/ as well";
    EXPECT_TRUE(fs::exists(f.out / "autorun.dat"));
    EXPECT_TRUE(fs::exists(f.out / "drivers/SHFOLDER.DLL"));

    req.settings.options.dataFolder = false;
    auto off = runBuild(req, quietHooks());
    ASSERT_TRUE(off.completed());
    EXPECT_FALSE(fs::exists(f.out / "data"));
    EXPECT_EQ(off.commandLine,
              "autorun.exe 1_Demo_General_Menu.html Error_Page.html 1 0 default.jpg default.wav");
    EXPECT_EQ(readFile(f.out / "1_Demo_General_Menu.html"),
              "<html>1_Demo_General_Menu.html</html>");
}

TEST(Build, SecondBuildKeepsOnlyWhatTheAuthorAddedEvenAfterReadOnlyCopies) {
    Fixture f;
    writeFile(f.t / "site/index.html", "I");
    writeFile(f.t / "site/ro/locked.txt", "L");
    fs::permissions(f.t / "site/ro", fs::perms::owner_read | fs::perms::owner_exec);
    auto req = f.request();
    chooseOwnFile(req.settings, (f.t / "site/index.html").string());
    ASSERT_TRUE(runBuild(req, quietHooks()).completed());
    writeFile(f.out / "stale.txt", "from the author after the first build");

    ASSERT_TRUE(chooseOwnFile(req.settings, (f.program / "html/Error_Page.html").string()));
    req.settings.options.noWholeFolderCopy = true;
    auto second = runBuild(req, quietHooks());
    ASSERT_TRUE(second.completed());
    EXPECT_EQ(readFile(f.out / "stale.txt"), "from the author after the first build");
    ASSERT_FALSE(second.messages.empty());
    EXPECT_THAT(second.messages.back().text, HasSubstr((f.out / "stale.txt").string()));
    EXPECT_FALSE(fs::exists(f.out / "data/ro")) << "what the first build made is not carried";
    EXPECT_FALSE(fs::exists(f.out / "data/index.html"));
    EXPECT_EQ(readFile(f.t / "site/ro/locked.txt"), "L");
    fs::permissions(f.t / "site/ro", fs::perms::owner_all);
}

TEST(Build, MissingSourceIsSkippedButStillNamed) {
    Fixture f;
    fs::remove(f.program / "html/Error_Page.html");
    auto req = f.request();
    req.settings.options.dataFolder = false;
    auto res = runBuild(req, quietHooks());
    ASSERT_TRUE(res.completed());
    EXPECT_FALSE(fs::exists(f.out / "Error_Page.html"));
    EXPECT_THAT(f.inf(), HasSubstr(" Error_Page.html 1 0 "));
    EXPECT_TRUE(res.messages.empty());
}

TEST(Build, UnreadableFileToOpenAbortsAndTouchesNothingElse) {
    Fixture f;
    const fs::path page = f.t / "site/index.html";
    writeFile(f.t / "site/other.txt", "O");
    if (!test::permissionsBind()) {
        // root reads everything; a folder in the file's place cannot be copied as a file either.
        fs::create_directories(page);
    } else {
        writeFile(page, "secret");
        fs::permissions(page, fs::perms::none);
    }
    auto req = f.request();
    chooseOwnFile(req.settings, page.string());
    auto res = runBuild(req, quietHooks());
    EXPECT_EQ(res.outcome, BuildResult::Outcome::Aborted);
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(res.messages[0].text,
              "There was a problem copying " + test::native(page) + " to " +
                  (f.out / "index.html").string() +
                  "\n\nPlease verify the file exists and is not currently opened in "
                  "another program.");
    EXPECT_FALSE(fs::exists(f.out / "autorun.inf"));
    EXPECT_FALSE(fs::exists(f.out / "other.txt"));
    EXPECT_EQ(readFile(f.t / "site/other.txt"), "O");
}

TEST(Build, MissingSplashAbortsWithItsMessageAndTheEarlierFolderStays) {
    Fixture f;
    ASSERT_TRUE(runBuild(f.request(), quietHooks()).completed());
    writeFile(f.program / "rondivo", "PLAYER v2");
    fs::remove(f.program / "splashscreens/default.jpg");
    auto res = runBuild(f.request(), quietHooks());
    EXPECT_EQ(res.outcome, BuildResult::Outcome::Aborted);
    EXPECT_THAT(
        res.messages.back().text,
        HasSubstr("\n\nPlease verify the file actually exists and is not currently opened"));
    EXPECT_EQ(readFile(f.out / "autorun.exe"), "PLAYER") << "the earlier folder stays as it was";
    EXPECT_TRUE(fs::exists(f.out / "data/default.jpg"));
    std::vector<std::string> beside;
    for (const auto& e : fs::directory_iterator(f.desktop))
        if (e.path() != buildRecordFile(f.out)) beside.push_back(e.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"CD-ROM Distributable Files"})
        << "no half-made folder is left beside it";
}

TEST(Build, MissingWindowsPlayerStopsBeforeAnythingIsTouched) {
    Fixture f;
    writeFile(f.out / "old.txt", "earlier build");
    fs::remove(f.program / "rondivo");
    auto res = runBuild(f.request(), quietHooks());
    EXPECT_EQ(res.outcome, BuildResult::Outcome::Refused);
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(res.messages[0].icon, BuildMessage::Icon::Stop);
    EXPECT_THAT(res.messages[0].text, HasSubstr("The Windows player is missing"));
    EXPECT_THAT(res.messages[0].text, HasSubstr((f.program / "rondivo").string()));
    EXPECT_EQ(readFile(f.out / "old.txt"), "earlier build");
    EXPECT_FALSE(fs::exists(f.out / "autorun.exe"));
}

TEST(Build, RunningPreviewIsNeitherEndedNorInTheWay) {
    RONDIVO_LINUX_ONLY("/bin/sleep as the player and signals");
#ifndef _WIN32
    Fixture f;
    fs::copy_file("/bin/sleep", f.program / "rondivo", fs::copy_options::overwrite_existing);
    ASSERT_TRUE(runBuild(f.request(), quietHooks()).completed());
    auto preview = platform::spawnProcess({(f.out / "autorun.exe").string(), "30"}, f.out);
    ASSERT_TRUE(preview.started());
    writeFile(f.program / "rondivo", "PLAYER v2");
    ASSERT_TRUE(runBuild(f.request(), quietHooks()).completed());
    EXPECT_EQ(readFile(f.out / "autorun.exe"), "PLAYER v2");
    EXPECT_FALSE(platform::waitForExit(preview.pid, std::chrono::milliseconds(100)).has_value())
        << "the preview of the earlier build still runs";
    ::kill(preview.pid, SIGTERM);
    platform::waitForExit(preview.pid);
#endif
}

TEST(Build, SourceInsideTheDistributableFolderIsRefusedNotDeleted) {
    Fixture f;
    writeFile(f.out / "mine.html", "only copy");
    auto req = f.request();
    req.settings.openSource = (f.out / "mine.html").string();
    req.settings.openName = "mine.html";
    auto res = runBuild(req, quietHooks());
    EXPECT_EQ(res.outcome, BuildResult::Outcome::Refused);
    EXPECT_EQ(res.messages.back().text, kSpecialFolderMessage);
    EXPECT_EQ(readFile(f.out / "mine.html"), "only copy");
}

TEST(Build, DistributableFolderThatIsALinkOnlyLosesTheLink) {
    RONDIVO_LINUX_ONLY("symbolic links, which Wine cannot make");
    Fixture f;
    writeFile(f.t / "precious/work.txt", "W");
    fs::create_directory_symlink(f.t / "precious", f.out);
    ASSERT_TRUE(runBuild(f.request(), quietHooks()).completed());
    EXPECT_EQ(readFile(f.t / "precious/work.txt"), "W");
    EXPECT_FALSE(fs::is_symlink(f.out));
}

TEST(Build, FolderHoldingTheDesktopDoesNotCopyItselfForever) {
    Fixture f;
    writeFile(f.t / "home/index.html", "H");
    auto req = f.request();
    chooseOwnFile(req.settings, (f.t / "home/index.html").string());
    auto res = runBuild(req, quietHooks());
    ASSERT_TRUE(res.completed());
    EXPECT_EQ(readFile(f.out / "data/index.html"), "H");
    EXPECT_TRUE(fs::is_directory(f.out / "data/Desktop"));
    EXPECT_FALSE(fs::exists(f.out / "data/Desktop/CD-ROM Distributable Files"));
}

// Given a secure disc whose fail-safe file is a batch file, the build should
// scan the page and the batch file, move everything into data and only then
// encrypt, so that the program the batch file starts reaches the disc encrypted.
TEST(Build, ScansThenEncryptsTheMovedFolder) {
    Fixture f;
    writeFile(f.program / "html/1_Demo_General_Menu.html", "<img src=\"logo.gif\">");
    writeFile(f.program / "html/logo.gif", "GIF");
    writeFile(f.program / "html/setup.bat", "start /wait setup.exe\r\n");
    writeFile(f.program / "html/setup.exe", "MZ");
    auto req = f.request();
    req.settings.options.secure = true;
    req.settings.failSafeSource = "html\\setup.bat";
    req.settings.failSafeName = "setup.bat";
    std::vector<std::string> scanned;
    auto hooks = quietHooks();
    hooks.scanningPage = [&](const fs::path& p) { scanned.push_back(p.filename().string()); };
    auto res = runBuild(req, hooks);
    ASSERT_TRUE(res.completed());
    EXPECT_THAT(scanned, ::testing::ElementsAre("1_Demo_General_Menu.html", "setup.bat"));
    EXPECT_THAT(res.commandLine, HasSubstr("data\\1_Demo_General_Menu.html.enc "));
    for (const char* n : {"data/logo.gif.enc", "data/setup.exe.enc"})
        EXPECT_TRUE(fs::exists(f.out / n)) << n;
    EXPECT_FALSE(fs::exists(f.out / "data/setup.exe"));
    EXPECT_FALSE(fs::exists(f.out / "data/autorun.inf"));
}

// Given a file the encryption cannot replace (a folder holds its ".enc"
// name), the build should stop and say which file rather than make a disc
// whose files the player cannot find.
TEST(Build, AFileLeftUnencryptedStopsTheBuild) {
    Fixture f;
    writeFile(f.t / "site/index.html", "H");
    writeFile(f.t / "site/notes.txt", "N");
    fs::create_directories(f.t / "site/notes.txt.enc");
    auto req = f.request();
    chooseOwnFile(req.settings, (f.t / "site/index.html").string());
    req.settings.options.secure = true;
    auto res = runBuild(req, quietHooks());
    EXPECT_EQ(res.outcome, BuildResult::Outcome::Aborted);
    ASSERT_FALSE(res.messages.empty());
    EXPECT_THAT(res.messages.back().text, HasSubstr("notes.txt"));
    EXPECT_FALSE(fs::exists(f.out));
}

TEST(Build, WaitTextShowsEachFile) {
    Fixture f;
    std::vector<std::string> shown;
    auto hooks = quietHooks();
    hooks.showProgress = [&](const std::string& t) { shown.push_back(t); };
    ASSERT_TRUE(runBuild(f.request(), hooks).completed());
    EXPECT_THAT(shown, ::testing::Contains(test::native(f.program / "sounds/default.wav")));
    EXPECT_THAT(shown, ::testing::Contains(test::native(f.program / "rondivo")));
}

TEST(DataFolderStep, IconAndRootFilesStayAndTheLineIsRewritten) {
    TempDir t;
    writeFile(t / "autorun.inf",
              "[autorun]\r\nOPEN=autorun.exe a.html none 1 0 s.jpg\r\nICON=disc.ico\r\n");
    for (const char* n : {"autorun.exe", "autorun.dat", "disc.ico", "COPY_ALL_TO_CDROM_ROOT.txt",
                          "a.html", "s.jpg"})
        writeFile(t / n, n);
    fs::create_directories(t / "drivers");
    fs::create_directories(t / "pics");
    std::vector<BuildMessage> messages;
    EXPECT_EQ(moveToDataFolder(t.path() / "", messages),
              "autorun.exe data\\a.html none 1 0 data\\s.jpg");
    EXPECT_TRUE(messages.empty());
    for (const char* n :
         {"autorun.exe", "autorun.dat", "disc.ico", "COPY_ALL_TO_CDROM_ROOT.txt", "drivers"})
        EXPECT_TRUE(fs::exists(t / n)) << n;
    for (const char* n : {"a.html", "s.jpg", "pics"}) EXPECT_TRUE(fs::exists(t / "data" / n)) << n;
    EXPECT_FALSE(fs::exists(t / "data/autorun.inf"));
    EXPECT_EQ(
        readFile(t / "autorun.inf"),
        "[autorun]\r\nOPEN=autorun.exe data\\a.html none 1 0 data\\s.jpg\r\nICON=disc.ico\r\n");
}

TEST(DataFolderStep, ExistingDataFolderIsReportedAndNothingMoves) {
    TempDir t;
    writeFile(t / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe a.html none 1 0\r\n");
    writeFile(t / "data/own.txt", "author's data folder");
    writeFile(t / "a.html", "A");
    std::vector<BuildMessage> messages;
    EXPECT_EQ(moveToDataFolder(t.path() / "", messages), "");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0].text,
                HasSubstr("There was a problem creating the following directory:\n"));
    EXPECT_TRUE(fs::exists(t / "a.html"));
}

TEST(Preview, ParametersAreTheCommandLineAfterItsFirstBlank) {
    EXPECT_EQ(previewParameters("autorun.exe data\\a.html none 1 0"), "data\\a.html none 1 0");
    EXPECT_EQ(previewParameters("autorun.exe"), "autorun.exe");
}

}  // namespace
}  // namespace rondivo

// FIFOs and mount namespaces: Linux only.
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>

namespace rondivo {
namespace {

TEST(Build, SpecialFileChosenByNameIsRefusedByName) {
    Fixture f;
    ASSERT_EQ(::mkfifo((f.t / "menu.html").c_str(), 0600), 0);
    for (int row = 0; row < 2; ++row) {
        auto req = f.request();
        if (row == 0) {
            req.settings.splashSource = "/dev/zero";
        } else {
            req.settings.openSource = (f.t / "menu.html").string();
            req.settings.openName = "menu.html";
        }
        auto res = runBuild(req, quietHooks());
        EXPECT_EQ(res.outcome, BuildResult::Outcome::Aborted) << row;
        ASSERT_FALSE(res.messages.empty());
        EXPECT_THAT(res.messages.back().text, HasSubstr("is not a regular file")) << row;
    }
    EXPECT_FALSE(fs::exists(f.out));
}

// A small file system of its own for the desktop (root only, in a private mount namespace).
TEST(BuildDeathTest, FullDiskSaysSoAndKeepsTheEarlierFolder) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace";
    Fixture f;
    ASSERT_TRUE(runBuild(f.request(), quietHooks()).completed());
    writeFile(f.t / "big/page.html", std::string(3 << 20, 'x'));
    EXPECT_EXIT(
        {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                std::_Exit(3);
            fs::path copy = f.t / "earlier";
            fs::copy(f.desktop, copy, fs::copy_options::recursive);
            if (::mount("tmpfs", f.desktop.c_str(), "tmpfs", 0, "size=1m") != 0) std::_Exit(3);
            fs::copy(copy / "CD-ROM Distributable Files", f.out, fs::copy_options::recursive);
            auto req = f.request();
            chooseOwnFile(req.settings, (f.t / "big/page.html").string());
            auto res = runBuild(req, quietHooks());
            bool ok =
                res.outcome == BuildResult::Outcome::Aborted &&
                res.messages.back().text.find("not enough space on the disk to copy " +
                                              (f.t / "big/page.html").string()) !=
                    std::string::npos &&
                readFile(f.out / "autorun.exe") == "PLAYER" &&
                std::distance(fs::directory_iterator(f.desktop), fs::directory_iterator()) == 1;
            if (!ok && !res.messages.empty())
                std::fprintf(stderr, "%s\n", res.messages.back().text.c_str());
            std::_Exit(ok ? 0 : 2);
        },
        testing::ExitedWithCode(0), "");
}

// Given a file rename refuses (a mount point is busy), the step should try
// again after its wait, then name the file and stop: autorun.inf would name a
// file that is not where it says.
TEST(DataFolderStep, AFileThatCannotMoveStopsTheStep) {
    TempDir t;
    writeFile(t / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe a.html none 1 0\r\n");
    writeFile(t / "a.html", "A");
    writeFile(t / "elsewhere.txt", "E");
    if (::mount((t / "elsewhere.txt").c_str(), (t / "a.html").c_str(), nullptr, MS_BIND, nullptr) !=
        0)
        GTEST_SKIP() << "bind mounts need root";
    int waits = 0;
    std::vector<BuildMessage> messages;
    std::string line =
        moveToDataFolder(t.path() / "", messages, [&](std::chrono::milliseconds) { ++waits; });
    ::umount2((t / "a.html").c_str(), MNT_DETACH);
    EXPECT_EQ(line, "");
    EXPECT_EQ(waits, 1);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().icon, BuildMessage::Icon::Stop);
    EXPECT_THAT(messages.back().text, HasSubstr("\"a.html\""));
}

}  // namespace
}  // namespace rondivo
#endif  // __linux__
