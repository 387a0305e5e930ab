// Independent readers (genisoimage's isoinfo, xorriso/osirrox, libarchive's
// bsdtar) must see in our images exactly the files of the source folder.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "burn/iso_save_command.h"
#include "iso/iso_image.h"
#include "test_support.h"

namespace rondivo::burn {
namespace {

namespace fs = std::filesystem;
using rondivo::test::runProgram;
using rondivo::test::RunResult;
using rondivo::test::TempDir;
using rondivo::test::writeFile;

bool haveTool(const std::string& name) {
    return runProgram({"sh", "-c", "command -v " + name}).status == 0;
}

// Extracts the whole image into `out` with bsdtar or osirrox.
RunResult extractWith(const std::string& tool, const fs::path& iso, const fs::path& out) {
    fs::create_directories(out);
    return tool == "bsdtar"
               ? runProgram({"bsdtar", "-xf", iso.string(), "-C", out.string()}, {}, {}, 120000)
               : runProgram({"osirrox", "-indev", iso.string(), "-extract", "/", out.string()}, {},
                            {}, 120000);
}

// Content that differs in every 4 KiB, so a misplaced sector shows.
void writePatternFile(const fs::path& p, std::uint64_t bytes, std::uint32_t seed) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    std::vector<std::uint32_t> chunk(1 << 18);  // 1 MiB
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::uint64_t done = 0; done < bytes;) {
        for (auto& w : chunk) w = (x = x * 1664525u + 1013904223u);
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes - done, chunk.size() * 4));
        out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(n));
        done += n;
    }
}

std::set<std::string> sourcePaths(const fs::path& root, bool filesOnly) {
    std::set<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root)) {
        if (filesOnly && e.is_directory()) continue;
        out.insert(fs::relative(e.path(), root).string());
    }
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string stripVersion(std::string s) {
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ";1") == 0) s.resize(s.size() - 2);
    return s;
}

bool sameContents(const fs::path& a, const fs::path& b) {
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    if (!fa || !fb) return false;
    std::vector<char> ba(1 << 20), bb(1 << 20);
    while (true) {
        fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        if (fa.gcount() != fb.gcount()) return false;
        if (!std::equal(ba.begin(), ba.begin() + fa.gcount(), bb.begin())) return false;
        if (fa.gcount() == 0) return true;
    }
}

class IsoReaders : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        fs::path src = source();
        fs::path deep = src / "nested";
        for (int level = 2; level <= 8; ++level) deep /= "level " + std::to_string(level);
        writeFile(deep / "deepest file.txt", "eight folders down\n");
        writeFile(src / "names with spaces" / "A file with spaces.html", "<p>spaces</p>");
        writeFile(src / "MixedCase Folder" / "MiXeD.HtMl", "mixed");
        writeFile(src / "MixedCase Folder" / "lower.htm", "lower");
        writeFile(src / "no_extension", "none");
        writeFile(src / "README", "readme");
        writeFile(src / "8dot3" / "INDEX.HTM", "index");
        writeFile(src / "8dot3" / "readme.txt", "text");
        writeFile(src / ".hidden file", "hidden");
        writeFile(src / ".hidden folder" / "inside.txt", "inside");
        writeFile(src / "empty.txt", "");
        fs::create_directories(src / "empty folder");
        // Enough long names to spill both hierarchies' records over sectors.
        for (int i = 0; i < 120; ++i)
            writeFile(
                src / "many" / ("A rather long file name number " + std::to_string(i) + ".html"),
                std::string(static_cast<std::size_t>(i), 'm'));
        writePatternFile(src / "three.bin", 3 * 1024 * 1024 + 123, 3);

        std::ostringstream out, err;
        status_ = saveIsoCommand(src, image(), "Fixture disc", out, err, false);
        log_ = out.str() + err.str();
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_EQ(status_, 0) << log_; }

    static fs::path source() { return dir_->path() / "source"; }
    static fs::path image() { return dir_->path() / "fixture.iso"; }
    static fs::path scratch(const std::string& name) { return dir_->path() / name; }

    static std::set<std::string> jolietExpected() {
        std::set<std::string> out;
        for (auto& p : sourcePaths(source(), false)) out.insert("/" + p);
        return out;
    }

    static TempDir* dir_;
    static int status_;
    static std::string log_;
};

TempDir* IsoReaders::dir_ = nullptr;
int IsoReaders::status_ = -1;
std::string IsoReaders::log_;

TEST_F(IsoReaders, ImageIsWholeSectorsInWholeBlocks) {
    auto size = fs::file_size(image());
    EXPECT_EQ(size % 65536, 0u);
    EXPECT_GT(size, 3ull * 1024 * 1024);
}

TEST_F(IsoReaders, IsoinfoDescribesTheVolume) {
    if (!haveTool("isoinfo")) GTEST_SKIP() << "isoinfo is not installed";
    RunResult r = runProgram({"isoinfo", "-d", "-i", image().string()});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Volume id: FIXTURE_DISC"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Logical block size is: 2048"), std::string::npos);
    EXPECT_NE(r.output.find("Volume size is: " + std::to_string(fs::file_size(image()) / 2048)),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Joliet with UCS level 1 found"), std::string::npos) << r.output;
}

TEST_F(IsoReaders, IsoinfoListsEveryFileInBothHierarchies) {
    if (!haveTool("isoinfo")) GTEST_SKIP() << "isoinfo is not installed";
    RunResult joliet = runProgram({"isoinfo", "-J", "-f", "-i", image().string()});
    ASSERT_EQ(joliet.status, 0) << joliet.output;
    std::set<std::string> seen;
    for (auto& l : lines(joliet.output))
        if (!l.empty()) seen.insert(stripVersion(l));
    // Names without an extension have no "." before the version.
    EXPECT_EQ(seen, jolietExpected());

    RunResult iso = runProgram({"isoinfo", "-f", "-i", image().string()});
    ASSERT_EQ(iso.status, 0) << iso.output;
    std::size_t files = 0, dirs = 0;
    std::set<std::string> isoPaths;
    for (auto& l : lines(iso.output)) {
        if (l.empty()) continue;
        EXPECT_TRUE(isoPaths.insert(l).second) << "twice: " << l;
        std::string name = l.substr(l.rfind('/') + 1);
        if (name.size() > 2 && name.compare(name.size() - 2, 2, ";1") == 0) {
            ++files;
            std::string base = name.substr(0, name.size() - 2);
            auto dot = base.find('.');
            ASSERT_NE(dot, std::string::npos) << l;
            EXPECT_LE(dot, 8u) << l;
            EXPECT_LE(base.size() - dot - 1, 3u) << l;
        } else {
            ++dirs;
            EXPECT_LE(name.size(), 8u) << l;
        }
        for (char c : name)
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '~' ||
                        c == '.' || c == ';')
                << l;
    }
    EXPECT_EQ(files, sourcePaths(source(), true).size());
    EXPECT_EQ(files + dirs, jolietExpected().size());
    EXPECT_TRUE(isoPaths.count("/8DOT3/INDEX.HTM;1"));
    EXPECT_TRUE(isoPaths.count("/8DOT3/README.TXT;1"));
    EXPECT_TRUE(isoPaths.count("/README.;1"));
}

TEST_F(IsoReaders, IsoinfoLongListingsShowEveryFileWithItsSize) {
    if (!haveTool("isoinfo")) GTEST_SKIP() << "isoinfo is not installed";
    for (bool joliet : {false, true}) {
        std::vector<std::string> argv = {"isoinfo", "-l", "-i", image().string()};
        if (joliet) argv.insert(argv.begin() + 1, "-J");
        RunResult r = runProgram(argv);
        ASSERT_EQ(r.status, 0) << r.output;
        std::size_t files = 0;
        bool sawThree = false;
        for (auto& l : lines(r.output)) {
            if (l.empty() || l[0] != '-') continue;
            ++files;
            if (l.find(" 3145851 ") != std::string::npos) sawThree = true;
        }
        EXPECT_EQ(files, sourcePaths(source(), true).size()) << (joliet ? "Joliet" : "ISO");
        EXPECT_TRUE(sawThree);
    }
}

TEST_F(IsoReaders, XorrisoFindsEveryPath) {
    if (!haveTool("xorriso")) GTEST_SKIP() << "xorriso is not installed";
    RunResult r = runProgram({"xorriso", "-indev", image().string(), "-find", "/"});
    ASSERT_EQ(r.status, 0) << r.output;
    std::set<std::string> seen;
    for (auto& l : lines(r.output))
        if (l.size() > 2 && l[0] == '\'' && l.back() == '\'' && l != "'/'")
            seen.insert(l.substr(1, l.size() - 2));
    EXPECT_EQ(seen, jolietExpected());
}

TEST_F(IsoReaders, BsdtarListsAndExtractsIdenticalFiles) {
    if (!haveTool("bsdtar")) GTEST_SKIP() << "bsdtar is not installed";
    RunResult list = runProgram({"bsdtar", "-tf", image().string()});
    ASSERT_EQ(list.status, 0) << list.output;
    // bsdtar keeps the "." that precedes ";1" in names without an extension
    // (the kernel, Windows and xorriso drop it).
    auto plain = [](std::string s) {
        if (s.size() > 1 && s.back() == '.') s.pop_back();
        return s;
    };
    std::set<std::string> seen;
    for (auto& l : lines(list.output))
        if (!l.empty() && l != ".") seen.insert("/" + plain(l));
    EXPECT_EQ(seen, jolietExpected());

    fs::path out = scratch("bsdtar-out");
    fs::create_directories(out);
    RunResult x =
        runProgram({"bsdtar", "-xf", image().string(), "-C", out.string()}, {}, {}, 120000);
    ASSERT_EQ(x.status, 0) << x.output;
    for (auto& rel : sourcePaths(source(), true)) {
        fs::path extracted = out / rel;
        if (!fs::exists(extracted)) extracted += ".";
        EXPECT_TRUE(sameContents(source() / rel, extracted)) << rel;
    }
    fs::remove_all(out);
}

TEST_F(IsoReaders, OsirroxExtractsIdenticalFiles) {
    if (!haveTool("osirrox")) GTEST_SKIP() << "osirrox is not installed";
    fs::path out = scratch("osirrox-out");
    RunResult x = runProgram({"osirrox", "-indev", image().string(), "-extract", "/", out.string()},
                             {}, {}, 120000);
    ASSERT_EQ(x.status, 0) << x.output;
    EXPECT_EQ(sourcePaths(out, false), sourcePaths(source(), false));
    for (auto& rel : sourcePaths(source(), true))
        EXPECT_TRUE(sameContents(source() / rel, out / rel)) << rel;
    // osirrox restores read-only permissions; give them back for the clean-up.
    runProgram({"chmod", "-R", "u+w", out.string()});
    fs::remove_all(out);
}

// Names Windows cannot hold: each file still extracts to a name of its own.
TEST(IsoReadersForbiddenNames, EveryFileExtractsToItsOwnName) {
    RONDIVO_LINUX_ONLY("names Windows' own file systems refuse");
    TempDir dir;
    fs::path src = dir / "source";
    const std::vector<std::string> names = {
        "a.txt",      "x:a.txt",         "x_a.txt",    "q?.txt",          "star*.txt",
        "semi;colon", "back\\slash.txt", "bell\a.txt", "pipe:dir/in.txt", "x;1"};
    for (const auto& n : names) writeFile(src / n, "content of " + n);
    std::ostringstream out, err;
    ASSERT_EQ(saveIsoCommand(src, dir / "names.iso", "Names", out, err, false), 0) << err.str();

    std::multiset<std::string> want;
    for (const auto& n : names) want.insert("content of " + n);
    auto contentsBelow = [](const fs::path& root) {
        std::multiset<std::string> got;
        for (auto& e : fs::recursive_directory_iterator(root))
            if (e.is_regular_file()) got.insert(rondivo::test::readFile(e.path()));
        return got;
    };
    for (const std::string tool : {"bsdtar", "osirrox"}) {
        if (!haveTool(tool)) continue;
        fs::path x = dir / (tool + "-out");
        RunResult r = extractWith(tool, dir / "names.iso", x);
        ASSERT_EQ(r.status, 0) << tool << r.output;
        EXPECT_EQ(contentsBelow(x), want) << tool;
        runProgram({"chmod", "-R", "u+w", x.string()});
    }
    if (haveTool("isoinfo")) {
        RunResult j = runProgram({"isoinfo", "-J", "-f", "-i", (dir / "names.iso").string()});
        ASSERT_EQ(j.status, 0) << j.output;
        std::set<std::string> seen;
        for (auto& l : lines(j.output)) seen.insert(stripVersion(l));
        for (const char* expected :
             {"/x_a.txt", "/x_a_1.txt", "/q_.txt", "/star_.txt", "/semi_colon", "/back_slash.txt",
              "/bell_.txt", "/pipe_dir/in.txt"})
            EXPECT_TRUE(seen.count(expected)) << expected << "\n" << j.output;
    }
}

// Everything a disc cannot hold as it is: each such entry is left out, or
// followed, and named once; the save still succeeds, and the readers find
// exactly the rest, with names as long as every reader keeps and the
// folder's name as the volume label.
TEST(IsoReadersOddTree, LeftOutAndOutsideEntriesAreListedAndTheRestReadsBack) {
    RONDIVO_LINUX_ONLY("FIFOs, devices and symbolic links");
#ifndef _WIN32
    TempDir dir;
    const fs::path src = dir / "My Disc 2";
    const fs::path elsewhere = dir / "elsewhere";
    const std::string longFile = std::string(97, 'f') + ".txt";  // 101 characters
    const std::string longFolder(103, 'd');
    std::map<std::string, std::string> want = {{"index.html", "<p>menu</p>"},
                                               {"same.html", "<p>menu</p>"},
                                               {"video.bin", "a big video"},
                                               {"clips/clip.bin", "a clip"},
                                               {"sub/s.txt", "in sub"},
                                               {longFile, "long file"},
                                               {longFolder + "/in.txt", "in the long folder"}};
    for (const char* name : {"index.html", "sub/s.txt"}) writeFile(src / name, want[name]);
    writeFile(src / longFile, want[longFile]);
    writeFile(src / longFolder / "in.txt", want[longFolder + "/in.txt"]);
    writeFile(elsewhere / "video.bin", want["video.bin"]);
    writeFile(elsewhere / "clips" / "clip.bin", want["clips/clip.bin"]);
    fs::create_symlink("index.html", src / "same.html");  // inside the folder: nothing to say
    fs::create_symlink(elsewhere / "video.bin", src / "video.bin");
    fs::create_directory_symlink(elsewhere / "clips", src / "clips");
    fs::create_symlink("nowhere", src / "dangling");
    fs::create_symlink("loop", src / "loop");
    fs::create_directory_symlink("..", src / "sub" / "up");
    fs::create_symlink("/dev/zero", src / "zero");
    ASSERT_EQ(mkfifo((src / "pipe").c_str(), 0600), 0);

    std::ostringstream out, err;
    ASSERT_EQ(saveIsoCommand(src, dir / "odd.iso", "", out, err, false), 0) << err.str();
    const std::string outside = "points outside the folder: taken from \"";
    const std::pair<std::string, std::string> listed[] = {
        {"video.bin", outside + fs::canonical(elsewhere / "video.bin").string() + "\"."},
        {"clips", outside + fs::canonical(elsewhere / "clips").string() + "\"."},
        {"dangling", "is a link to nothing: left out."},
        {"loop", "is a link that loops: left out."},
        {"sub/up", "leads back to a folder it is in: left out."},
        {"zero", "is a device: left out."},
        {"pipe", "is a FIFO: left out."},
    };
    for (const auto& [name, what] : listed) {
        const std::string line = "Note: \"" + (src / name).string() + "\" " + what + "\n";
        EXPECT_NE(err.str().find(line), std::string::npos) << line << err.str();
    }
    // Nothing else: no note for the link inside, none for each file below a link.
    std::size_t notes = 0;
    for (const auto& l : lines(err.str())) notes += l.rfind("Note: ", 0) == 0;
    EXPECT_EQ(notes, std::size(listed)) << err.str();

    const fs::path iso = dir / "odd.iso";
    for (const std::string tool : {"bsdtar", "osirrox"}) {
        if (!haveTool(tool)) continue;
        fs::path x = dir / (tool + "-out");
        RunResult r = extractWith(tool, iso, x);
        ASSERT_EQ(r.status, 0) << tool << r.output;
        std::map<std::string, std::string> got;
        for (auto& e : fs::recursive_directory_iterator(x))
            if (e.is_regular_file())
                got[fs::relative(e.path(), x).string()] = rondivo::test::readFile(e.path());
        EXPECT_EQ(got, want) << tool;
        runProgram({"chmod", "-R", "u+w", x.string()});
    }
    if (haveTool("isoinfo")) {
        RunResult d = runProgram({"isoinfo", "-d", "-i", iso.string()});
        EXPECT_NE(d.output.find("Volume id: MY_DISC_2\n"), std::string::npos) << d.output;
    }
    // blkid shows the Joliet label, and the creation date as the volume's UUID.
    if (haveTool("blkid")) {
        RunResult b = runProgram({"blkid", "-p", iso.string()});
        EXPECT_NE(b.output.find("LABEL=\"My Disc 2\""), std::string::npos) << b.output;
        const int year = iso::imageTimeFromUnix(std::time(nullptr)).year;
        EXPECT_NE(b.output.find("UUID=\"" + std::to_string(year) + "-"), std::string::npos)
            << b.output;
    }
#endif
}

// Kept apart from the fixture above: each test runs in its own process, and
// only this one pays for a 100 MiB file.
TEST(IsoReadersLarge, HundredMegabyteFileExtractsIdentically) {
    bool tar = haveTool("bsdtar"), xorr = haveTool("osirrox");
    if (!tar && !xorr) GTEST_SKIP() << "neither bsdtar nor osirrox is installed";
    TempDir dir;
    writePatternFile(dir / "src" / "hundred.bin", 100ull * 1024 * 1024 + 2048 + 7, 100);
    writeFile(dir / "src" / "after.txt", "after the big one");
    std::ostringstream out, err;
    ASSERT_EQ(saveIsoCommand(dir / "src", dir / "big.iso", "", out, err, false), 0) << err.str();
    if (tar) {
        RunResult x = extractWith("bsdtar", dir / "big.iso", dir / "t");
        ASSERT_EQ(x.status, 0) << x.output;
        EXPECT_TRUE(sameContents(dir / "src" / "hundred.bin", dir / "t" / "hundred.bin"));
        EXPECT_TRUE(sameContents(dir / "src" / "after.txt", dir / "t" / "after.txt"));
        fs::remove_all(dir / "t");
    }
    if (xorr) {
        RunResult x = extractWith("osirrox", dir / "big.iso", dir / "o");
        ASSERT_EQ(x.status, 0) << x.output;
        EXPECT_TRUE(sameContents(dir / "src" / "hundred.bin", dir / "o" / "hundred.bin"));
        EXPECT_TRUE(sameContents(dir / "src" / "after.txt", dir / "o" / "after.txt"));
        runProgram({"chmod", "-R", "u+w", (dir / "o").string()});
    }
}

TEST(IsoReadersEmpty, EmptyFolderGivesA160SectorImageReadersAccept) {
    TempDir dir;
    fs::create_directories(dir / "empty");
    std::ostringstream out, err;
    ASSERT_EQ(saveIsoCommand(dir / "empty", dir / "empty.iso", "", out, err, false), 0)
        << err.str();
    EXPECT_EQ(fs::file_size(dir / "empty.iso"), 160u * 2048u);
    if (!haveTool("isoinfo")) GTEST_SKIP() << "isoinfo is not installed";
    RunResult r = runProgram({"isoinfo", "-d", "-i", (dir / "empty.iso").string()});
    EXPECT_NE(r.output.find("Volume size is: 160"), std::string::npos) << r.output;
    RunResult j = runProgram({"isoinfo", "-J", "-f", "-i", (dir / "empty.iso").string()});
    EXPECT_EQ(j.status, 0);
    EXPECT_EQ(j.output, "");
}

// A Linux desktop runs autorun.sh from a medium only when it is executable
// there: every reader sees the Rock Ridge modes (7z prefers Joliet, which has
// none, so it is asked for the names only), the Joliet names are those of
// the folder, and the script, made for a folder that had none, starts the
// player or, without one, the browser.
TEST(IsoReadersRockRidge, ModesNamesAndTheStartScriptReadBack) {
    RONDIVO_LINUX_ONLY("POSIX modes and sh");
#ifndef _WIN32
    TempDir dir;
    const fs::path src = dir / "disc", iso = dir / "rr.iso";
    // 184 bytes: the name goes on in a continuation area; 253 bytes: in two
    // entries there.
    std::string longName, longerName;
    for (int i = 0; i < 90; ++i) longName += "\xC3\xA9";
    for (int i = 0; i < 83; ++i) longerName += "\xE2\x9C\x93";
    longName += ".txt";
    longerName += ".txt";
    writeFile(src / "autorun.inf", "[autorun]\r\nopen=autorun.exe data\\index.html\r\n");
    writeFile(src / "autorun.exe", "MZ");
    writeFile(src / "data" / "index.html", "<p>menu</p>");
    writeFile(src / "data" / longName, "long");
    writeFile(src / longerName, "longer");
    writeFile(src / "tool.run", "#!/bin/sh\n");
    fs::permissions(src / "tool.run", fs::perms::owner_exec, fs::perm_options::add);
    const RunResult built =
        runProgram({rondivo::test::program(rondivo::test::binaryDir() / "rondivo-build").string(),
                    "--iso", iso.string(), "--from", src.string()});
    ASSERT_EQ(built.status, 0) << built.output;
    EXPECT_FALSE(fs::exists(src / "autorun.sh")) << "the author's folder is not written to";

    const std::map<std::string, std::string> want = {{"autorun.sh", "-r-xr-xr-x"},
                                                     {"autorun.exe", "-r-xr-xr-x"},
                                                     {"tool.run", "-r-xr-xr-x"},
                                                     {"autorun.inf", "-r--r--r--"},
                                                     {"data", "dr-xr-xr-x"},
                                                     {"data/index.html", "-r--r--r--"},
                                                     {"data/" + longName, "-r--r--r--"},
                                                     {longerName, "-r--r--r--"}};
    std::map<std::string, std::map<std::string, std::string>> seen;  // reader -> path -> mode
    if (haveTool("isoinfo")) {
        std::string folder;
        for (const auto& l :
             lines(runProgram({"isoinfo", "-R", "-l", "-i", iso.string()}).output)) {
            if (l.rfind("Directory listing of /", 0) == 0) folder = l.substr(22);
            const auto name = l.find("]  ");
            if (name == std::string::npos || l.size() < name + 4) continue;
            const std::string n = l.substr(name + 3, l.size() - name - 4);  // a blank ends it
            if (n != "." && n != "..") seen["isoinfo"][folder + n] = l.substr(0, 10);
        }
    }
    if (haveTool("xorriso")) {
        for (const auto& l :
             lines(runProgram({"xorriso", "-indev", iso.string(), "-find", "/", "-exec", "lsdl"})
                       .output)) {
            const auto q = l.find("'/");
            if (q != std::string::npos && l.size() > q + 3 && (l[0] == '-' || l[0] == 'd'))
                seen["xorriso"][l.substr(q + 2, l.size() - q - 3)] = l.substr(0, 10);
        }
    }
    const fs::path x = dir / "bsdtar-out";
    if (haveTool("bsdtar")) {
        ASSERT_EQ(extractWith("bsdtar", iso, x).status, 0);
        for (auto& e : fs::recursive_directory_iterator(x)) {
            struct stat st {};
            ::stat(e.path().c_str(), &st);
            std::string mode = S_ISDIR(st.st_mode) ? "d" : "-";
            for (int bit = 8; bit >= 0; --bit)
                mode += (st.st_mode >> bit) & 1 ? "rwx"[(8 - bit) % 3] : '-';
            seen["bsdtar"][fs::relative(e.path(), x).string()] = mode;
        }
        runProgram({"chmod", "-R", "u+w", x.string()});  // for the clean-up
    }
    for (const auto& [reader, modes] : seen) EXPECT_EQ(modes, want) << reader;

    std::set<std::string> names;
    for (const auto& [path, mode] : want) names.insert(path);
    if (haveTool("isoinfo")) {
        // isoinfo writes the Joliet names in Latin-1 here (it knows no
        // UTF-8), with "_" for what Latin-1 lacks.
        std::set<std::string> joliet, latin1;
        for (const auto& l : lines(runProgram({"isoinfo", "-J", "-f", "-i", iso.string()}).output))
            joliet.insert(stripVersion(l).substr(1));
        for (const auto& name : names) {
            std::string out;
            for (char16_t c : iso::utf8ToUtf16(name)) out += c <= 0xFF ? static_cast<char>(c) : '_';
            latin1.insert(out);
        }
        EXPECT_EQ(joliet, latin1);
    }
    if (haveTool("7z")) {
        std::set<std::string> listed;
        for (const auto& l : lines(runProgram({"7z", "l", "-slt", iso.string()}).output))
            if (l.rfind("Path = ", 0) == 0 && l != "Path = " + iso.string())
                listed.insert(l.substr(7));
        EXPECT_EQ(listed, names);
    }

    if (!fs::exists(x / "autorun.sh") || !haveTool("dash")) return;
    const fs::path player = dir / "player", browser = dir / "browser", record = dir / "record";
    writeFile(player / "rondivo", "#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > \"$RECORD\"\n");
    writeFile(browser / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$RECORD\"\n");
    for (const fs::path& stub : {player / "rondivo", browser / "xdg-open"})
        fs::permissions(stub, fs::perms::owner_exec, fs::perm_options::add);
    const std::pair<fs::path, std::string> runs[] = {
        {player, x.string() + "\ndata\\index.html\n"},
        {browser, (x / "data" / "index.html").string() + "\n"}};
    for (const auto& [stubs, recorded] : runs) {
        fs::remove(record);
        RunResult r = runProgram({"dash", (x / "autorun.sh").string()}, dir.path(),
                                 {{"PATH", stubs.string() + ":/usr/bin:/bin"},
                                  {"HOME", dir.path().string()},
                                  {"RECORD", record.string()}});
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(rondivo::test::readFile(record), recorded);
    }
#endif
}

}  // namespace
}  // namespace rondivo::burn
