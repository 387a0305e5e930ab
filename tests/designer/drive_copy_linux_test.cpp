// The copy to a drive on a real, small file system: a tmpfs mount stands in
// for a USB stick (this kernel mounts no FAT).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "designer/drive_copy.h"
#include "designer/drive_copy_command.h"
#include "test_support.h"
#include "tmpfs_drive.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

std::string noise(std::size_t bytes, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(bytes, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

// A finished disc folder of about 600 KB in six files.
struct DiscFolder {
    TempDir t;
    fs::path folder = t / "CD-ROM Distributable Files";
    DiscFolder() {
        writeFile(folder / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe data\\index.html\r\n");
        writeFile(folder / "autorun.exe", noise(200000, 1));
        writeFile(folder / "data/index.html", "<html>menu</html>");
        writeFile(folder / "data/film one.mpg", noise(300000, 2));
        writeFile(folder / "data/pics/logo.gif", noise(100000, 3));
        writeFile(folder / "autorun.sh", "#!/bin/sh\n");
        fs::permissions(folder / "autorun.sh", fs::perms::owner_all | fs::perms::group_read |
                                                   fs::perms::group_exec | fs::perms::others_read |
                                                   fs::perms::others_exec);
    }
};

std::vector<std::string> filesBelow(const fs::path& root) {
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.push_back(e.path().lexically_relative(root).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

#define NEEDS_MOUNT(drive) \
    if (!(drive).mounted()) GTEST_SKIP() << "mounting a tmpfs needs root"

TEST(DriveCopyOnTmpfs, CancelLeavesCompleteFilesOnlyAndVerifyCatchesADifference) {
    DiscFolder d;
    test::TmpfsDrive drive(2048);
    NEEDS_MOUNT(drive);
    std::atomic<bool> cancel{false};
    DriveCopyOptions options;
    options.cancel = &cancel;
    // Cancelled in the middle of the third file (the 300 KB film), which
    // until it is complete is on the drive under no name a reader would open.
    bool halfFileShown = false;
    options.onProgress = [&](const DriveCopyProgress& p) {
        if (p.filesDone != 3 || p.bytesDone <= 200000 + 17 + 100000) return;
        halfFileShown = halfFileShown || fs::exists(drive.root() / "data/film one.mpg");
        cancel = true;
    };
    DriveCopyPlan plan = planDriveCopy(d.folder, drive.root());
    ASSERT_EQ(plan.problem, "");
    DriveCopyResult r = copyToDrive(plan, options);
    EXPECT_EQ(r.outcome, DriveCopyResult::Outcome::Cancelled);
    EXPECT_FALSE(halfFileShown);
    EXPECT_EQ(r.copied, (std::vector<fs::path>{"autorun.exe", "autorun.inf", "autorun.sh"}));
    // No half-written file, under its own name or a temporary one.
    EXPECT_EQ(filesBelow(drive.root()),
              (std::vector<std::string>{"autorun.exe", "autorun.inf", "autorun.sh"}));

    // A file that changes under the read-back is named, and the copy is no success.
    DriveCopyOptions again;
    again.replace = true;
    again.onProgress = [&](const DriveCopyProgress& p) {
        if (p.phase == DriveCopyProgress::Phase::Flushing)
            writeFile(d.folder / "data/pics/logo.gif", noise(100000, 4));
    };
    r = copyToDrive(planDriveCopy(d.folder, drive.root()), again);
    EXPECT_EQ(r.outcome, DriveCopyResult::Outcome::Mismatch);
    EXPECT_EQ(r.mismatched, std::vector<fs::path>{"data/pics/logo.gif"});
    EXPECT_THAT(r.message, HasSubstr("data/pics/logo.gif"));
}

TEST(DriveCopyOnTmpfs, RondivoBuildRefusesListsReplacesAndVerifies) {
    DiscFolder d;
    test::TmpfsDrive tooSmall(400);
    NEEDS_MOUNT(tooSmall);
    const std::string build = test::program(test::binaryDir() / "rondivo-build").string();
    auto run = [&](const fs::path& drive, std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {build, "--from", d.folder.string(), "--to-drive",
                                         drive.string()};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return test::runProgram(argv, d.t.path(), {{"HOME", d.t.path().string()}});
    };

    auto r = run(tooSmall.root());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("does not fit on the drive: it needs 627 KB, and the drive "
                                    "has 410 KB free"));
    EXPECT_TRUE(fs::is_empty(tooSmall.root()));

    test::TmpfsDrive drive(1024);
    writeFile(drive.root() / "autorun.inf", "[autorun]\r\nlabel=OLD\r\n");
    writeFile(drive.root() / "data/index.html", "old menu");
    writeFile(drive.root() / "notes.txt", "the owner's");
    r = run(drive.root());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("2 files on the drive would be replaced:\nautorun.inf\n"
                                    "data/index.html\nNothing was written. Run again with "
                                    "--replace"));
    EXPECT_EQ(readFile(drive.root() / "data/index.html"), "old menu");
    EXPECT_FALSE(fs::exists(drive.root() / "autorun.exe"));

    r = run(drive.root(), {"--replace"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_THAT(r.output, HasSubstr("Copied 6 files (600 KB) to the drive and read every one "
                                    "back from it: they match."));
    EXPECT_THAT(r.output, HasSubstr("double-click autorun.exe"));
    for (const char* f : {"autorun.inf", "autorun.exe", "data/index.html", "data/film one.mpg",
                          "data/pics/logo.gif"})
        EXPECT_EQ(readFile(drive.root() / f), readFile(d.folder / f)) << f;
    EXPECT_EQ(readFile(drive.root() / "notes.txt"), "the owner's");
    EXPECT_NE(fs::status(drive.root() / "autorun.sh").permissions() & fs::perms::others_exec,
              fs::perms::none);
}

// The command line names the stick by its device: it is mounted, written and
// labelled through the system's service (here a fake), as the window does.
TEST(DriveCopyOnTmpfs, RondivoBuildMountsAndLabelsADriveNamedByItsDevice) {
    DiscFolder d;
    test::TmpfsDrive drive(1024);
    NEEDS_MOUNT(drive);
    test::FakeDrives fake;
    fake.drives = {test::stick({})};
    fake.mountAt = drive.root();
    DriveCommandOptions options;
    options.target = "/dev/sdz1";
    std::ostringstream out, err;
    EXPECT_EQ(driveCopyCommand(d.folder, options, fake, out, err, false), 0) << err.str();
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"mount /dev/sdz1", "label /dev/sdz1 CD-ROM DIST"}));
    EXPECT_THAT(err.str(), HasSubstr("The drive's label is \"CD-ROM DIST\" instead of"));
    EXPECT_EQ(readFile(drive.root() / "data/film one.mpg"),
              readFile(d.folder / "data/film one.mpg"));

    // A label the drive refuses is a note; the copy still counts.
    struct Refusing : test::FakeDrives {
        bool setLabel(const platform::RemovableDrive&, const std::string&,
                      std::string& why) override {
            why = "not authorized";
            return false;
        }
    } refusing;
    refusing.drives = {test::stick(drive.root())};
    options.target = drive.root();
    options.replace = true;
    options.label = "Spring Show";
    err.str("");
    EXPECT_EQ(driveCopyCommand(d.folder, options, refusing, out, err, false), 0) << err.str();
    EXPECT_THAT(err.str(), HasSubstr("label could not be set (not authorized)"));
}

}  // namespace
}  // namespace rondivo
