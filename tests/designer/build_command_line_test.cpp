#include "designer/build_command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "disc/autorun_dat.h"
#include "disc/autorun_sh.h"
#include "disc/ini_text.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/player_files.h"
#include "platform/process.h"
#include "test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runProgram;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

std::string rondivoBuild() {
    return test::program(test::binaryDir() / "rondivo-build").string();
}

BuildCommandLine parse(std::vector<std::string> args) {
    return parseBuildCommandLine(args, "/prog", "/prog/windows/autorun.exe");
}

TEST(BuildCommandLine, EveryChoiceReachesTheSettings) {
    auto cl = parse({"--open",
                     "/w/My Page.html",
                     "--fail-safe=/w/f.pdf",
                     "--no-splash",
                     "--sound",
                     "/s/a b.wav",
                     "--icon",
                     "/i/x.ico",
                     "--no-browser",
                     "--window-size",
                     "800x600",
                     "--splash-time",
                     "extra-long",
                     "--right-click",
                     "--no-title-bar",
                     "--no-resize",
                     "--top-most",
                     "--start",
                     "50%,100",
                     "--no-centre",
                     "--no-folder-copy",
                     "--no-data-folder",
                     "--secure",
                     "--desktop",
                     "/d"});
    ASSERT_EQ(cl.error, "");
    // Paths are made whole: on Windows "/w" is a folder of the current drive.
    const auto whole = [](const char* p) {
        return test::native(fs::absolute(p).lexically_normal());
    };
    const DesignerSettings& s = cl.request.settings;
    EXPECT_EQ(s.openName, "My_Page.html");
    EXPECT_EQ(s.openSource, whole("/w/My Page.html"));
    EXPECT_EQ(s.failSafeName, "f.pdf");
    EXPECT_FALSE(s.splashEnabled);
    EXPECT_EQ(s.soundName, "a b.wav");
    EXPECT_TRUE(s.iconEnabled);
    EXPECT_EQ(s.iconSource, whole("/i/x.ico"));
    EXPECT_FALSE(s.builtInBrowser);
    EXPECT_EQ(s.windowSize, 4);
    EXPECT_EQ(s.options.splashTimeIndex, 3);
    EXPECT_FALSE(s.options.disableRightClick);
    EXPECT_TRUE(s.options.disableTitleBar);
    EXPECT_TRUE(s.options.disableResizing);
    EXPECT_TRUE(s.options.topMost);
    EXPECT_EQ(s.options.startX, "50%");
    EXPECT_EQ(s.options.startY, "100");
    EXPECT_FALSE(s.options.centreOnStart);
    EXPECT_TRUE(s.options.noWholeFolderCopy);
    EXPECT_FALSE(s.options.dataFolder);
    EXPECT_TRUE(s.options.secure);
    EXPECT_EQ(cl.request.desktopFolder, whole("/d"));
    EXPECT_EQ(parse({"--fail-safe", "/a/../b/f.html"}).request.settings.failSafeSource,
              whole("/b/f.html"));
}

TEST(BuildCommandLine, CustomSizeStartFillAndRefusals) {
    auto custom = parse({"--window-size", "1024x700", "--start", "100"});
    ASSERT_EQ(custom.error, "");
    EXPECT_EQ(custom.request.settings.windowSize, 6);
    EXPECT_EQ(custom.request.settings.customWidth, 1024);
    EXPECT_EQ(custom.request.settings.options.startY, "0");

    for (std::vector<std::string> bad :
         {std::vector<std::string>{"--window-size", "0x480"},
          {"--window-size", "10001x5"},
          {"--window-size", "huge"},
          {"--start", "-5,3"},
          {"--splash-time", "forever"},
          {"--open"},
          {"--frobnicate"},
          {"stray"},
          {"--open", "/u/Desktop/CD-ROM Distributable Files/x.html"}}) {
        SCOPED_TRACE(bad[0]);
        EXPECT_NE(parse(bad).error, "");
    }
    EXPECT_EQ(parse({"--start", "x,1"}).error, kStartPositionMessage);
}

TEST(BuildCommandLine, RelativePathsAreTakenFromTheCurrentDirectory) {
    TempDir t;
    test::ScopedCwd cwd(t.path());
    auto cl = parse({"--open", "site/index.html", "--splash", "pics/s.jpg", "--desktop", "out"});
    ASSERT_EQ(cl.error, "");
    const fs::path here = fs::current_path();
    EXPECT_EQ(cl.request.settings.openSource, test::native(here / "site/index.html"));
    EXPECT_EQ(cl.request.settings.splashSource, test::native(here / "pics/s.jpg"));
    EXPECT_EQ(cl.request.desktopFolder, here / "out");
    EXPECT_EQ(parse({"--open", "4_Demo_Fancy_Menu.html"}).request.settings.openSource,
              "html/4_Demo_Fancy_Menu.html")
        << "example names come from the program folder";
}

TEST(BuildCommandLine, ProgramFolderMovesTheDefaultPlayerUnlessOneIsNamed) {
    const fs::path p = fs::absolute("/p").lexically_normal();
    EXPECT_EQ(parse({"--program-folder", "/p"}).request.ownExecutable, platform::windowsPlayer(p));
#ifndef _WIN32
    EXPECT_EQ(platform::windowsPlayer(p), "/p/windows/autorun.exe");
#endif
    EXPECT_EQ(parse({"--executable", "/e/player", "--program-folder", "/p"}).request.ownExecutable,
              fs::absolute("/e/player").lexically_normal());
}

std::set<std::string> longOptions(std::string text) {
    // troff writes a minus as "\-".
    for (auto at = text.find("\\-"); at != std::string::npos; at = text.find("\\-", at))
        text.erase(at, 1);
    std::set<std::string> names;
    static const std::regex option("--[a-z][a-z-]*");
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        names.insert(it->str());
    return names;
}

TEST(BuildCommandLine, ManualPageDescribesExactlyTheOptionsOfTheHelp) {
    const auto manual = longOptions(readFile(test::sourceDir() / "res/linux/rondivo-build.1"));
    const auto help = longOptions(buildUsageText());
    EXPECT_GT(help.size(), 30u);
    EXPECT_EQ(manual, help);
    for (const std::string& name : help) {
        auto cl = parse({name, "1"});
        EXPECT_THAT(cl.error, ::testing::Not(HasSubstr("unknown option"))) << name;
    }
}

// A fake program folder, and rondivo-build run on it with a desktop in the same temporary folder.
struct Cli {
    TempDir t;
    fs::path program = t / "program";
    fs::path desktop = t / "Desktop";
    fs::path out = desktop / "CD-ROM Distributable Files";
    Cli() {
        for (std::size_t i = 1; i < kExampleEntries.size(); ++i)
            writeFile(program / "html" / kExampleEntries[i],
                      std::string("<html>") + kExampleEntries[i] + "</html>");
        writeFile(program / "html/Error_Page.html", "<html>error</html>");
        writeFile(program / "splashscreens/default.jpg", std::string("\xff\xd8 jpeg", 7));
        writeFile(program / "sounds/default.wav", "RIFF wave");
        writeFile(program / "drivers/shfolder.dll", "MZ dll");
        writeFile(platform::windowsPlayer(program), test::windowsPlayerBytes());
        fs::create_directories(desktop);
    }
    test::RunResult run(std::vector<std::string> args) {
        std::vector<std::string> argv = {rondivoBuild(), "--program-folder", program.string(),
                                         "--desktop", desktop.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, t.path(), {{"HOME", t.path().string()}});
    }
};

std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(e.path(), root).generic_string();
        if (e.is_regular_file())
            files[rel] = readFile(e.path());
        else if (e.is_directory() && fs::is_empty(e.path()))
            files[rel + "/"] = "";
    }
    return files;
}

TEST(RondivoBuild, DefaultPresentationHasTheDiscLayoutByteForByte) {
    Cli c;
    auto r = c.run({});
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string line =
        "autorun.exe data\\1_Demo_General_Menu.html data\\Error_Page.html 1 0 data\\default.jpg "
        "data\\default.wav";
    EXPECT_EQ(r.output, (c.out / "").string() + "\nOPEN=" + line + "\n");
    const std::map<std::string, std::string> expected = {
        {"autorun.exe", test::windowsPlayerBytes()},
        {"autorun.inf", "[autorun]\r\nOPEN=" + line + "\r\nICON=autorun.exe\r\n"},
        {"autorun.dat", "3000\r\n1\r\n0\r\n0\r\n0\r\n\r\n0\r\n\r\n0\r\n\r\n0 0\r\n0\r\n \r\n1\r\n"},
        {"autorun.sh", autorunShellScript(line)},
        {"drivers/SHFOLDER.DLL", "MZ dll"},
        {"data/1_Demo_General_Menu.html", "<html>1_Demo_General_Menu.html</html>"},
        {"data/Error_Page.html", "<html>error</html>"},
        {"data/default.jpg", std::string("\xff\xd8 jpeg", 7)},
        {"data/default.wav", "RIFF wave"},
    };
    EXPECT_EQ(tree(c.out), expected);
}

TEST(RondivoBuild, EveryPresetRowReachesTheDisc) {
    struct Row {
        const char* entry;
        const char* sizeToken;
        const char* limits;  // autorun.dat lines 2, 3, 4
        const char* custom;  // line 11
        bool data;
    } rows[] = {
        {"1_Demo_General_Menu.html", " 1 0 ", "1\r\n0\r\n0\r\n", "0 0", true},
        {"3_Demo_Microsoft_PowerPoint.html", " 1 0 ", "1\r\n0\r\n0\r\n", "0 0", false},
        {"4_Demo_Fancy_Menu.html", " 1 2 ", "1\r\n1\r\n1\r\n", "0 0", true},
        {"9_Sunset_CD_Menu.html", " 1 2 ", "1\r\n1\r\n1\r\n", "0 0", true},
        {"91_HighTech_CD_Menu.html", " 1 6 ", "1\r\n1\r\n1\r\n", "500 450", true},
        {"92_XPBlue_CD_Menu.html", " 1 6 ", "1\r\n0\r\n1\r\n", "475 425", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        Cli c;
        auto r = c.run({"--open", row.entry});
        ASSERT_EQ(r.status, 0) << r.output;
        const std::string inf = readFile(c.out / "autorun.inf");
        EXPECT_THAT(inf, HasSubstr(row.sizeToken));
        EXPECT_EQ(fs::exists(c.out / "data"), row.data);
        EXPECT_EQ(readFile(c.out / (row.data ? "data/" : "") / row.entry),
                  std::string("<html>") + row.entry + "</html>");
        const std::string dat = readFile(c.out / "autorun.dat");
        EXPECT_EQ(dat.substr(std::string("3000\r\n").size(), 9), row.limits);
        EXPECT_THAT(dat, HasSubstr("\r\n" + std::string(row.custom) + "\r\n"));
        EXPECT_FALSE(
            fs::exists(c.out / (row.data ? "data/" : "") / "2_Demo_Software_Installation.html"));
    }
}

TEST(RondivoBuild, FailuresGoToStandardErrorWithStatusOne) {
    Cli c;
    fs::remove(c.program / "sounds/default.wav");
    auto aborted = c.run({"--no-data-folder"});
    EXPECT_EQ(aborted.status, 1);
    EXPECT_THAT(aborted.output, HasSubstr("There was a problem copying " +
                                          (c.program / "sounds/default.wav").string()));
    EXPECT_THAT(aborted.output, ::testing::Not(HasSubstr("OPEN=")));

    auto bad = c.run({"--window-size", "0x0"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_THAT(bad.output, HasSubstr("--window-size"));
}

TEST(RondivoBuild, HelpNamesTheOptions) {
    Cli c;
    auto r = c.run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* o : {"--open", "--fail-safe", "--splash", "--sound", "--icon", "--browser",
                          "--window-size", "--splash-time", "--top-most", "--start",
                          "--no-folder-copy", "--data-folder", "--secure", "--desktop"})
        EXPECT_THAT(r.output, HasSubstr(o));
    EXPECT_FALSE(fs::exists(c.out));
}

TEST(RondivoBuild, AuthorSourcesAreUnchangedEvenWhenTheBuildFails) {
    Cli c;
    writeFile(c.t / "site/index.html", "I");
    writeFile(c.t / "site/sub/ro.txt", "R");
    fs::permissions(c.t / "site/sub/ro.txt", fs::perms::owner_read);
    const fs::perms readOnly = fs::status(c.t / "site/sub/ro.txt").permissions();
    const auto before = tree(c.t / "site");
    ASSERT_EQ(c.run({"--open", (c.t / "site/index.html").string()}).status, 0);
    EXPECT_EQ(tree(c.t / "site"), before);
    fs::remove(platform::windowsPlayer(c.program));
    EXPECT_EQ(c.run({"--open", (c.t / "site/index.html").string()}).status, 1);
    EXPECT_EQ(tree(c.t / "site"), before);
    EXPECT_EQ(fs::status(c.t / "site/sub/ro.txt").permissions(), readOnly);
}

}  // namespace
}  // namespace rondivo

namespace rondivo {
namespace {

bool haveIsoinfo() {
    return platform::findOnPath("isoinfo").has_value();
}

TEST(RondivoBuild, IsoOfTheBuiltFolderCarriesTheLabelAndEveryFile) {
    if (!haveIsoinfo()) GTEST_SKIP() << "isoinfo (genisoimage) is not installed";
    Cli c;
    auto r = c.run({"--iso", "show.iso", "--label", "My Show"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto pvd = runProgram({"isoinfo", "-d", "-i", (c.t / "show.iso").string()});
    EXPECT_NE(pvd.output.find("Volume id: MY_SHOW"), std::string::npos) << pvd.output;
    EXPECT_NE(
        r.output.find(
            "Note: Volume label \"My Show\" was written as \"MY_SHOW\" in the ISO 9660 names."),
        std::string::npos)
        << r.output;
    auto joliet = runProgram({"isoinfo", "-J", "-f", "-i", (c.t / "show.iso").string()});
    for (const char* name :
         {"/autorun.exe", "/autorun.inf", "/data/1_Demo_General_Menu.html", "/data/default.wav"})
        EXPECT_NE(joliet.output.find(name), std::string::npos) << name << "\n" << joliet.output;
}

// Whichever system made it, the disc starts on Windows: autorun.exe is a PE
// program, listed in both name trees of the image.
TEST(RondivoBuild, DiscCarriesTheWindowsPlayerInBothNameTrees) {
    Cli c;
    auto r = c.run({"--iso", "show.iso"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(test::isPortableExecutable(readFile(c.out / "autorun.exe")));
    if (!haveIsoinfo()) GTEST_SKIP() << "isoinfo (genisoimage) is not installed";
    const std::string iso = (c.t / "show.iso").string();
    EXPECT_THAT(runProgram({"isoinfo", "-l", "-i", iso}).output, HasSubstr("AUTORUN.EXE;1"));
    EXPECT_THAT(runProgram({"isoinfo", "-J", "-l", "-i", iso}).output, HasSubstr("autorun.exe"));
    auto extracted = runProgram({"isoinfo", "-x", "/AUTORUN.EXE;1", "-i", iso});
    EXPECT_TRUE(test::isPortableExecutable(extracted.output));
}

TEST(RondivoBuild, IsoFromAFolderAsItStands) {
    if (!haveIsoinfo()) GTEST_SKIP() << "isoinfo (genisoimage) is not installed";
    Cli c;
    writeFile(c.t / "master/Read Me First.txt", "hello");
    auto r = c.run({"--iso", "m.iso", "--from", "master"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(c.out)) << "--from must not build";
    auto joliet =
        runProgram({"isoinfo", "-J", "-x", "/Read Me First.txt;1", "-i", (c.t / "m.iso").string()});
    EXPECT_EQ(joliet.output, "hello");
}

// Names beyond ASCII wherever an author can put them (desktop, pages, linked
// files, splash, sound, icon, the image file) reach the disc folder, the
// image and the next build as they were named.
TEST(RondivoBuild, NamesBeyondAsciiArriveAsNamed) {
    Cli c;
    const auto at = [&](const fs::path& root, const std::string& rel) {
        return (root / platform::u8path(rel)).make_preferred();
    };
    c.desktop = at(c.t.path(), "Schreibtisch Jürgen");
    c.out = c.desktop / "CD-ROM Distributable Files";
    struct Row {
        const char* source;
        const char* onDisc;
        const char* bytes;
    } rows[] = {
        {"Seiten/Übersicht.html", "data/Übersicht.html", "<a href=\"Grüße.html\">"},
        {"Seiten/Grüße.html", "data/Grüße.html", "<img src=\"Bilder/Straße 1.jpg\">"},
        {"Seiten/Bilder/Straße 1.jpg", "data/Bilder/Straße 1.jpg", "jpeg"},
        {"Medien/Blümchen.jpg", "data/Blümchen.jpg", "splash"},
        {"Medien/Glöckchen.wav", "data/Glöckchen.wav", "RIFF"},
        {"Medien/Ärger.ico", "Ärger.ico", "icon"},
    };
    for (const Row& r : rows) writeFile(at(c.t.path(), r.source), r.bytes);
    const auto source = [&](const char* rel) { return at(c.t.path(), rel).string(); };
    auto run = c.run({"--open", source("Seiten/Übersicht.html"), "--splash",
                      source("Medien/Blümchen.jpg"), "--sound", source("Medien/Glöckchen.wav"),
                      "--icon", source("Medien/Ärger.ico"), "--iso", "Schöne Scheibe.iso"});
    ASSERT_EQ(run.status, 0) << run.output;
    for (const Row& r : rows) EXPECT_EQ(readFile(at(c.out, r.onDisc)), r.bytes) << r.onDisc;
    // Explorer reads such names only from a Unicode (UTF-16LE) autorun.inf.
    const std::string bytes = readFile(c.out / "autorun.inf");
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::string inf = iniFileText(bytes);
    EXPECT_THAT(inf, HasSubstr("OPEN=autorun.exe data\\Übersicht.html data\\Error_Page.html 1 0 "
                               "data\\Blümchen.jpg data\\Glöckchen.wav\r\n"));
    EXPECT_THAT(inf, HasSubstr("ICON=Ärger.ico\r\n"));

    // A file the author adds is carried into the next build under its own name.
    const auto first = tree(c.out);
    writeFile(at(c.out, "Notizen für später.txt"), "mine");
    ASSERT_EQ(
        c.run({"--open", source("Seiten/Übersicht.html"), "--splash", source("Medien/Blümchen.jpg"),
               "--sound", source("Medien/Glöckchen.wav"), "--icon", source("Medien/Ärger.ico")})
            .status,
        0);
    auto expected = first;
    expected["Notizen für später.txt"] = "mine";
    EXPECT_EQ(tree(c.out), expected);

    const fs::path iso = at(c.t.path(), "Schöne Scheibe.iso");
    ASSERT_TRUE(fs::is_regular_file(iso));
    if (!platform::findOnPath("bsdtar")) GTEST_SKIP() << "bsdtar is not installed";
    const std::string listing =
        runProgram({"bsdtar", "-tf", iso.string()}, {}, {{"LC_ALL", "C.UTF-8"}}).output;
    for (const Row& r : rows) EXPECT_THAT(listing, HasSubstr(r.onDisc)) << listing;
}

TEST(RondivoBuild, IsoRefusals) {
    Cli c;
    auto noIso = c.run({"--from", "somewhere"});
    EXPECT_NE(noIso.status, 0);
    EXPECT_NE(noIso.output.find("--from needs --iso"), std::string::npos) << noIso.output;
    auto missing = c.run({"--iso", "x.iso", "--from", "no-such-folder"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(fs::exists(c.t / "x.iso"));
}

}  // namespace
}  // namespace rondivo

namespace rondivo {
namespace {

TEST(BuildCommandLine, BurnOptions) {
    auto b =
        parse({"--burn", "--drive", "2", "--speed=8", "--finalize", "--blank", "--label", "Show"});
    ASSERT_EQ(b.error, "");
    EXPECT_TRUE(b.burn);
    EXPECT_EQ(b.driveRow, 2);
    EXPECT_EQ(b.speed, 8);
    EXPECT_TRUE(b.finalize);
    EXPECT_TRUE(b.blank);
    EXPECT_EQ(b.label, "Show");
    auto plain = parse({"--burn"});
    EXPECT_EQ(plain.driveRow, -1);
    EXPECT_EQ(plain.speed, 12);
    EXPECT_FALSE(plain.finalize);
    EXPECT_FALSE(plain.blank);
    EXPECT_EQ(parse({"--from", "x", "--burn"}).error, "");
    for (std::vector<std::string> bad : {std::vector<std::string>{"--speed", "0"},
                                         {"--speed", "fast"},
                                         {"--drive", "-1"},
                                         {"--drive", "26"}}) {
        SCOPED_TRACE(bad[0] + " " + bad[1]);
        EXPECT_NE(parse(bad).error, "");
    }
}

TEST(BuildCommandLine, DriveOptions) {
    auto d = parse({"--from", "disc", "--to-drive", "/media/me/STICK", "--replace"});
    ASSERT_EQ(d.error, "");
    EXPECT_TRUE(d.replace);
    EXPECT_TRUE(parse({"--list-drives"}).listDrives);
#ifndef _WIN32
    EXPECT_EQ(d.toDrive, "/media/me/STICK");
    EXPECT_EQ(parse({"--to-drive", "/dev/sdb1"}).toDrive, "/dev/sdb1");
#endif
    EXPECT_EQ(parse({"--replace"}).error, "--replace needs --to-drive PATH");
    EXPECT_EQ(parse({"--from", "disc"}).error,
              "--from needs --iso FILE, --burn or --to-drive PATH");
}

bool machineHasDrives() {
    std::error_code ec;
    for (auto& e : fs::directory_iterator("/sys/class/block", ec))
        if (e.path().filename().string().rfind("sr", 0) == 0) return true;
    return false;
}

// Every medium the virtual drive holds, through the command line, with the
// drive's trace on standard error.
TEST(RondivoBuild, BurnToTheVirtualDriveGivesTheIsoImage) {
    Cli c;
    writeFile(c.t / "master/index.htm", "<html>menu</html>");
    writeFile(c.t / "master/media/big.bin", std::string(200000, 'x'));
    for (const char* medium :
         {"cd-r", "cd-rw", "dvd-r", "dvd-rw", "dvd+r", "dvd+rw", "dvd-ram", "bd-r", "bd-re"}) {
        SCOPED_TRACE(medium);
        const std::string disc = (c.t / (std::string(medium) + ".img")).string();
        std::vector<std::string> argv = {rondivoBuild(), "--from",  "master", "--iso",   "m.iso",
                                         "--burn",       "--speed", "4",      "--label", "Show"};
        auto r = runProgram(argv, c.t.path(),
                            {{"HOME", c.t.path().string()},
                             {"RONDIVO_DEBUG", "1"},
                             {"RONDIVO_VIRTUAL_DRIVE", disc + "," + medium},
                             // The image is made twice; both carry this date.
                             {"SOURCE_DATE_EPOCH", "1700000000"}});
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_THAT(r.output, HasSubstr("successfully created"));
        EXPECT_THAT(r.output, HasSubstr("\n2A WRITE(10) lba=0 blocks=32\n"));
        EXPECT_THAT(r.output, HasSubstr("\n1E PREVENT ALLOW MEDIUM REMOVAL allow\n"));
        std::string iso = readFile(c.t / "m.iso");
        std::string written = readFile(disc);
        ASSERT_FALSE(iso.empty());
        ASSERT_GE(written.size(), iso.size());
        EXPECT_TRUE(written.compare(0, iso.size(), iso) == 0);
    }

    // A used CD-RW is refused, and erased when asked to.
    const std::string used = (c.t / "used.img").string() + ",cd-rw,used";
    std::vector<std::string> burn = {rondivoBuild(), "--from", "master", "--burn"};
    auto refused = runProgram(burn, c.t.path(),
                              {{"HOME", c.t.path().string()}, {"RONDIVO_VIRTUAL_DRIVE", used}});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.output, HasSubstr("Use --blank to erase it."));
    burn.push_back("--blank");
    auto erased = runProgram(burn, c.t.path(),
                             {{"HOME", c.t.path().string()}, {"RONDIVO_VIRTUAL_DRIVE", used}});
    EXPECT_EQ(erased.status, 0) << erased.output;

    if (machineHasDrives()) return;
    std::vector<std::string> none = {rondivoBuild(), "--from", "master", "--burn"};
    auto n = runProgram(none, c.t.path(), {{"HOME", c.t.path().string()}});
    EXPECT_EQ(n.status, 1);
    EXPECT_THAT(n.output, HasSubstr("No recordable CD-ROM device was found on your system."));
}

// The smallest image too big for a CD-R (images grow in blocks of 32
// sectors) is refused before anything is written, with both sizes. The big
// file is sparse: nothing reads it.
TEST(RondivoBuild, AnImageOneBlockTooBigForTheDiscWritesNothing) {
    Cli c;
    writeFile(c.t / "master/index.htm", "<html>menu</html>");
    const fs::path big = c.t / "master/big.bin";
    writeFile(big, std::string(2048, 'b'));
    std::vector<std::pair<std::string, std::string>> env = {{"HOME", c.t.path().string()},
                                                            {"SOURCE_DATE_EPOCH", "1700000000"}};
    auto iso =
        runProgram({rondivoBuild(), "--from", "master", "--iso", "small.iso", "--label", "Show"},
                   c.t.path(), env);
    ASSERT_EQ(iso.status, 0) << iso.output;
    const auto smallSectors = fs::file_size(c.t / "small.iso") / 2048;
    // 359840 sectors fit on an 80-minute CD-R (359847), the next block does not.
    constexpr std::uintmax_t kTooBig = 359872;
    fs::resize_file(big, (1 + kTooBig - smallSectors) * 2048);

    const std::string disc = (c.t / "disc.img").string();
    auto withDrive = env;
    withDrive.emplace_back("RONDIVO_VIRTUAL_DRIVE", disc + ",cd-r");
    withDrive.emplace_back("RONDIVO_DEBUG", "1");
    auto r = runProgram({rondivoBuild(), "--from", "master", "--burn", "--label", "Show"},
                        c.t.path(), withDrive);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("The image does not fit on the disc: the image needs 703 MB "
                                    "(359872 sectors), the disc holds 703 MB (359847 sectors)."));
    EXPECT_THAT(r.output, ::testing::Not(HasSubstr("WRITE(10)")));
    EXPECT_FALSE(fs::exists(disc));
}

#ifndef _WIN32
// SIGTERM (or Ctrl+C) mid-burn stops at the next command: what was written is
// closed, the tray unlocked, and the program says what the disc holds.
TEST(RondivoBuild, ASignalMidBurnClosesWhatWasWrittenAndSaysSo) {
    Cli c;
    writeFile(c.t / "master/index.htm", "<html>menu</html>");
    writeFile(c.t / "master/big.bin", "");
    fs::resize_file(c.t / "master/big.bin", 600u << 20);  // sparse
    const fs::path disc = c.t / "disc.img", out = c.t / "out.txt";
    const std::string drive = disc.string() + ",cd-r", program = rondivoBuild();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        if (chdir(c.t.path().c_str()) != 0) _exit(3);
        setenv("HOME", c.t.path().c_str(), 1);
        setenv("RONDIVO_VIRTUAL_DRIVE", drive.c_str(), 1);
        execl(program.c_str(), program.c_str(), "--from", "master", "--burn", nullptr);
        _exit(127);
    }
    // Once the first sectors are on the disc, the burn is under way.
    for (int i = 0; i < 3000 && !fs::exists(disc); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string said = readFile(out);
    ASSERT_TRUE(WIFEXITED(status)) << said;
    EXPECT_EQ(WEXITSTATUS(status), 1) << said;
    EXPECT_THAT(said, HasSubstr("The burn was cancelled. "));
    EXPECT_THAT(said, HasSubstr("sectors were written and closed as a session"));
    EXPECT_LT(fs::file_size(disc), std::uintmax_t{600} << 20);
}
#endif

}  // namespace
}  // namespace rondivo
