#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "platform/user_folders.h"
#include "platform/user_program_folder.h"
#include "test_support.h"

namespace rondivo::platform {
namespace {

namespace fs = std::filesystem;

TEST(Paths, DiscPathsBecomeNative) {
    RONDIVO_LINUX_ONLY("Windows takes disc paths as they are");
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"data\\index.html", "data/index.html"},
        {"a/b\\c", "a/b/c"},
        {"C:\\pics\\a.jpg", "/pics/a.jpg"},
        {"d:/x", "/x"},
        {"C:", "/"},
        {"plain", "plain"},
        {"", ""},
    };
    for (auto c : cases) EXPECT_EQ(toNativePath(c.in), fs::path(c.out)) << c.in;
}

TEST(Paths, CaseInsensitiveLookup) {
    RONDIVO_LINUX_ONLY("finding the spelling on disc matters on a case-sensitive file system only");
    test::TempDir dir;
    test::writeFile(dir / "Data/Setup.EXE", "x");
    test::writeFile(dir / "exact.txt", "x");
    EXPECT_EQ(findCaseInsensitive(dir.path(), "data/setup.exe"), dir / "Data/Setup.EXE");
    EXPECT_EQ(findCaseInsensitive(dir.path(), "DATA/SETUP.exe"), dir / "Data/Setup.EXE");
    EXPECT_EQ(findCaseInsensitive(dir.path(), "exact.txt"), dir / "exact.txt");
    EXPECT_FALSE(findCaseInsensitive(dir.path(), "data/other.exe"));
    EXPECT_FALSE(findCaseInsensitive(dir.path(), "nodir/setup.exe"));
    EXPECT_EQ(resolvePath(dir.path(), "DATA\\setup.exe"), dir / "Data/Setup.EXE");
    EXPECT_EQ(resolvePath(dir.path(), "missing\\x"), dir / "missing/x");
}

TEST(Paths, FileExistsOnlyDeniesMissingFiles) {
    test::TempDir dir;
    test::writeFile(dir / "f", "x");
    EXPECT_TRUE(fileExists(dir / "f"));
    EXPECT_FALSE(fileExists(dir / "g"));
    if (test::permissionsBind()) {
        fs::permissions(dir / "f", fs::perms::none);
        EXPECT_TRUE(fileExists(dir / "f"));  // unreadable is not missing
    }
}

TEST(Paths, ProgramAndDiscFolderFromWhereTheExecutableLies) {
    test::TempDir dir;
    test::writeFile(dir / "build/html/index.html", "x");  // a build tree
    fs::create_directories(dir / "usr/bin");              // an installation
    test::writeFile(dir / "usr/share/rondivo/html/index.html", "x");
    fs::create_directories(dir / "both/bin/html");  // beside wins over share
    fs::create_directories(dir / "both/share/rondivo/html");
    test::writeFile(dir / "disc/AUTORUN.INF", "[autorun]");  // a disc that has an html/ too
    fs::create_directories(dir / "disc/html");
    fs::create_directories(dir / "bare/bin");  // a disc folder without autorun.inf
    struct Case {
        const char* exeFolder;
        const char* program;
        const char* disc;
    } cases[] = {
        {"build", "build", "cwd"},
        {"usr/bin", "usr/share/rondivo", "cwd"},
        {"both/bin", "both/bin", "cwd"},
        {"disc", "disc", "disc"},
        {"bare/bin", "bare/bin", "bare/bin"},
    };
    for (auto c : cases) {
        EXPECT_EQ(programFolderFor(dir / c.exeFolder), dir / c.program) << c.exeFolder;
        EXPECT_EQ(discFolderFor(dir / c.exeFolder, dir / "cwd"), dir / c.disc) << c.exeFolder;
    }
}

TEST(UserProgramFolder, ReadsTheInstalledFilesAndKeepsItsOwn) {
    test::TempDir dir;
    const fs::path program = dir / "share/rondivo", user = dir / "home/rondivo";
    test::writeFile(program / "html/Template_Simple.html", "template");
    test::writeFile(program / "html/images/band.jpg", "jpeg");
    test::writeFile(program / "pages/179.html", "chooser");
    ASSERT_EQ(linkProgramFolder(program, user), user);
    test::writeFile(user / "html/My_Menu.html", "mine");
    EXPECT_EQ(test::readFile(user / "html/Template_Simple.html"), "template");
    EXPECT_EQ(test::readFile(user / "html/images/band.jpg"), "jpeg");
    EXPECT_EQ(test::readFile(user / "pages/179.html"), "chooser");
    EXPECT_FALSE(fs::exists(program / "html/My_Menu.html"));

    // A writable program folder (a build tree) is used as it is.
    EXPECT_EQ(menuWorkFolder(program, dir / "data"), program);
    EXPECT_FALSE(fs::exists(dir / "data"));
    // Where no folder can be made, the program folder is the answer.
    test::writeFile(dir / "file", "x");
    EXPECT_EQ(linkProgramFolder(program, dir / "file"), program);
}

TEST(UserProgramFolder, LinksFollowUpdatesAndMoves) {
    RONDIVO_LINUX_ONLY("symbolic links, which Wine cannot make (Windows gets copies)");
    test::TempDir dir;
    const fs::path program = dir / "share/rondivo", user = dir / "home/rondivo";
    test::writeFile(program / "html/Old.html", "old");
    test::writeFile(program / "pages/179.html", "chooser");
    ASSERT_EQ(linkProgramFolder(program, user), user);
    test::writeFile(user / "html/My_Menu.html", "mine");

    // The program is updated: one page goes, one comes.
    fs::remove(program / "html/Old.html");
    test::writeFile(program / "html/New.html", "new");
    ASSERT_EQ(linkProgramFolder(program, user), user);
    EXPECT_FALSE(fs::exists(fs::symlink_status(user / "html/Old.html")));
    EXPECT_EQ(test::readFile(user / "html/New.html"), "new");
    EXPECT_EQ(test::readFile(user / "html/My_Menu.html"), "mine");

    // The program is installed elsewhere.
    const fs::path moved = dir / "usr/local/share/rondivo";
    fs::create_directories(moved.parent_path());
    fs::rename(program, moved);
    ASSERT_EQ(linkProgramFolder(moved, user), user);
    EXPECT_EQ(test::readFile(user / "html/New.html"), "new");
    EXPECT_EQ(test::readFile(user / "pages/179.html"), "chooser");
}

TEST(SpecialFolders, FollowTheXdgVariables) {
    RONDIVO_LINUX_ONLY("XDG folders; Windows asks for known folders");
    test::TempDir home;
    test::ScopedEnv h("HOME", home.path().string());
    test::ScopedEnv c("XDG_CONFIG_HOME", (home / "cfg").string());
    test::ScopedEnv d("XDG_DATA_HOME", (home / "data").string());
    EXPECT_EQ(desktopFolder(), home / "Desktop");
    test::writeFile(home / "cfg/user-dirs.dirs",
                    "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(desktopFolder(), home / "Schreibtisch");
    EXPECT_EQ(localAppDataFolder(), home / "data");
    test::ScopedEnv relative("XDG_DATA_HOME", "relative/path");  // not absolute: ignored
    EXPECT_EQ(localAppDataFolder(), home / ".local/share");
}

TEST(Process, CommandLineSplitting) {
    struct Case {
        const char* in;
        std::vector<std::string> out;
    } cases[] = {
        {"", {}},
        {"a b  c", {"a", "b", "c"}},
        {"\"with blank\" x", {"with blank", "x"}},
        {"gimp-2.10 %U", {"gimp-2.10", "%U"}},
        {"sh -c \"echo \\\"hi\\\"\"", {"sh", "-c", "echo \"hi\""}},
        {"\"\"", {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitCommandLine(c.in), c.out) << c.in;
}

TEST(Process, SpawnAndWait) {
    RONDIVO_LINUX_ONLY("sh, sleep and signals");
#ifndef _WIN32
    auto ok = spawnProcess({"sh", "-c", "exit 7"});
    ASSERT_TRUE(ok.started());
    EXPECT_EQ(waitForExit(ok.pid), 7);
    auto missing = spawnProcess({"no-such-program-rondivo"});
    EXPECT_FALSE(missing.started());
    auto slow = spawnProcess({"sleep", "5"});
    ASSERT_TRUE(slow.started());
    EXPECT_FALSE(waitForExit(slow.pid, std::chrono::milliseconds(50)));
    kill(slow.pid, SIGKILL);
#endif
}

TEST(Shell, ResultCodes) {
    RONDIVO_LINUX_ONLY("xdg-open; the Windows shell is tested in platform_windows_test");
    test::FakeXdgOpen xdg;
    test::ScopedEnv path("PATH", xdg.pathWithFakeFirst());
    test::TempDir dir;
    test::writeFile(dir / "Docs/Index.PDF", "%PDF");
    struct Case {
        const char* name;
        const char* file;
        const char* exitCode;
        int want;
    } cases[] = {
        {"opens, any case", "docs\\index.pdf", "0", kShellOk},
        {"file not found", "Docs/missing.pdf", "0", kShellFileNotFound},
        {"path not found", "nodir/missing.pdf", "0", kShellPathNotFound},
        {"no program for it", "Docs/Index.PDF", "3", kShellNoAssociation},
        {"action failed", "Docs/Index.PDF", "4", kShellNoAssociation},
    };
    for (const auto& c : cases) {
        test::ScopedEnv code("FAKE_XDG_EXIT", c.exitCode);
        EXPECT_EQ(shellExecute(c.file, "", dir.path()), c.want) << c.name;
    }
    auto calls = xdg.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], (dir / "Docs/Index.PDF").string());
}

TEST(Shell, ProgramsRunDirectlyWithParameters) {
    RONDIVO_LINUX_ONLY("sh, sleep and signals");
#ifndef _WIN32
    test::TempDir dir;
    test::writeFile(dir / "setup.sh",
                    "#!/bin/sh\necho \"$@\" > '" + (dir / "ran").string() + "'\n");
    chmod((dir / "setup.sh").c_str(), 0755);
    EXPECT_TRUE(shellSucceeded(shellExecute("SETUP.sh", "/quiet now", dir.path())));
    for (int i = 0; i < 200 && !fs::exists(dir / "ran"); ++i) usleep(10000);
    EXPECT_EQ(test::readFile(dir / "ran"), "/quiet now\n");
#endif
}

TEST(Shell, SlideShowFallsBackToTheDefaultProgram) {
    RONDIVO_LINUX_ONLY("xdg-open; the Windows shell is tested in platform_windows_test");
    test::FakeXdgOpen xdg;
    // Only the fake: no office suite on this PATH.
    test::ScopedEnv path("PATH", xdg.bin().string() + ":/usr/bin:/bin");
    if (findOnPath("libreoffice") || findOnPath("soffice"))
        GTEST_SKIP() << "an office suite is installed";
    test::TempDir dir;
    test::writeFile(dir / "show.ppt", "x");
    EXPECT_EQ(shellExecute("Powerpnt.exe", "/s show.ppt", dir.path()), kShellOk);
    EXPECT_EQ(xdg.calls(), std::vector<std::string>{(dir / "show.ppt").string()});
    EXPECT_EQ(shellExecute("Powerpnt.exe", "/s gone.ppt", dir.path()), kShellFileNotFound);
}

TEST(Shell, NoXdgOpenIsNoAssociation) {
    RONDIVO_LINUX_ONLY("xdg-open; the Windows shell is tested in platform_windows_test");
    test::TempDir dir, emptyBin;
    test::writeFile(dir / "a.pdf", "x");
    test::ScopedEnv path("PATH", emptyBin.path().string());
    EXPECT_EQ(shellExecute("a.pdf", "", dir.path()), kShellNoAssociation);
}

TEST(Shell, DesktopEntries) {
    auto apps = parseDesktopEntry(
        "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer --new %U\n", "v.desktop");
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(commandForFile(apps[0], "/d/a b.pdf"),
              (std::vector<std::string>{"viewer", "--new", "/d/a b.pdf"}));
    EXPECT_TRUE(parseDesktopEntry("[Desktop Entry]\nName=X\nExec=x\nNoDisplay=true\n", "").empty());
    EXPECT_TRUE(parseDesktopEntry("[Desktop Entry]\nType=Link\nName=X\nExec=x\n", "").empty());
    auto noCode = parseDesktopEntry(
        "[Desktop Entry]\nName=Y\nExec=y -a %i\n[Desktop Action new]\nExec=z\n", "");
    ASSERT_EQ(noCode.size(), 1u);
    EXPECT_EQ(commandForFile(noCode[0], "/f"), (std::vector<std::string>{"y", "-a", "/f"}));
}

TEST(SingleInstance, SecondInstanceAsksTheFirstToRaise) {
    RONDIVO_LINUX_ONLY("the raise request socket; Windows raises the window itself");
    test::TempDir dir;
    SingleInstance first("designer-test", dir.path());
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(first.pollRaiseRequest());
    {
        SingleInstance second("designer-test", dir.path());
        EXPECT_FALSE(second.acquire());
        EXPECT_TRUE(second.sendRaiseRequest());
    }
    EXPECT_TRUE(first.pollRaiseRequest());
    EXPECT_FALSE(first.pollRaiseRequest());
}

TEST(SingleInstance, LockIsFreedWithItsOwner) {
    test::TempDir dir;
    {
        SingleInstance first("x", dir.path());
        ASSERT_TRUE(first.acquire());
    }
    SingleInstance again("x", dir.path());
    EXPECT_TRUE(again.acquire());
    SingleInstance other("y", dir.path());
    EXPECT_TRUE(other.acquire());
}

}  // namespace
}  // namespace rondivo::platform
