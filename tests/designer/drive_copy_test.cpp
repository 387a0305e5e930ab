#include "designer/drive_copy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

TEST(DriveLabel, FitsEachFileSystemsLimit) {
    struct Case {
        const char* wanted;
        const char* fileSystem;
        const char* label;
        bool shortened, altered;
    } cases[] = {
        {"Summer Fair 2026", "vfat", "SUMMER FAIR", true, true},
        {"SALES", "FAT32", "SALES", false, false},
        {"a.b:c", "vfat", "A_B_C", false, true},
        {"Grüße", "vfat", "GR__E", false, true},
        {"CD-ROM Distributable Files", "vfat", "CD-ROM DIST", true, true},
        {"Presentation for the board", "exfat", "Presentation fo", true, false},
        {"Presentation for the board of directors", "ntfs", "Presentation for the board of di",
         true, false},
        {"ÄÄÄÄÄÄÄÄÄ", "ext4", "ÄÄÄÄÄÄÄÄ", true, false},
        {"ÄÄÄÄÄÄÄÄÄ", "exfat", "ÄÄÄÄÄÄÄÄÄ", false, false},
        {"Anything at all, as long as it is", "tmpfs", "Anything at all, as long as it is", false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.wanted) + " on " + c.fileSystem);
        DriveLabel l = fitDriveLabel(c.wanted, c.fileSystem);
        EXPECT_EQ(l.text, c.label);
        EXPECT_EQ(l.shortened, c.shortened);
        EXPECT_EQ(l.altered, c.altered);
        EXPECT_EQ(driveLabelNote(c.wanted, l, c.fileSystem).empty(), !c.shortened && !c.altered);
    }
}

TEST(DriveCopySpace, WholeBlocksAndTheOldFileWhileTheNewOneIsWritten) {
    auto file = [](std::uint64_t size, std::uint64_t old = 0, bool replaces = false) {
        return PlannedFile{"f", size, replaces, old};
    };
    struct Case {
        std::vector<PlannedFile> files;
        std::size_t newFolders;
        std::uint64_t needed;
    } cases[] = {
        {{}, 0, 0},
        {{file(1), file(4096), file(4097)}, 0, 4096 + 4096 + 8192},
        {{file(0)}, 2, 8192},
        // 10 blocks replace 10 blocks: at the fullest both copies are there.
        {{file(40960, 40960, true)}, 0, 40960},
        {{file(40960, 40960, true), file(4096)}, 0, 40960},
        // A replaced file frees its blocks for the files after it.
        {{file(8192, 40960, true), file(20000)}, 0, 8192},
        {{file(8192, 4096, true), file(20000)}, 0, 8192 - 4096 + 20480},
    };
    for (const auto& c : cases) EXPECT_EQ(spaceNeeded(c.files, c.newFolders, 4096), c.needed);
}

struct Folders {
    TempDir t;
    fs::path source = t / "CD-ROM Distributable Files";
    fs::path drive = t / "drive";
    Folders() {
        writeFile(source / "autorun.inf", "[autorun]\r\n");
        writeFile(source / "data/index.html", "<html>menu</html>");
        fs::create_directories(source / "data/empty");
        fs::create_directories(drive);
    }
    DriveCopyPlan plan(std::uint64_t free, const std::string& fileSystem = "vfat") {
        return planDriveCopy(source, drive, {free * 4, free, 512}, fileSystem);
    }
};

TEST(DriveCopyPlan, RefusesBeforeWritingAndSaysWhy) {
    Folders f;
    DriveCopyPlan small = f.plan(1024);
    EXPECT_THAT(small.problem, HasSubstr("needs 2.0 KB, and the drive has 1.0 KB free"));

    // Sparse: takes no room in the test's own folder.
    writeFile(f.source / "data/film.mp4", "");
    fs::resize_file(f.source / "data/film.mp4", kFatMaxFileSize + 1);
    EXPECT_THAT(f.plan(std::uint64_t(1) << 40).problem,
                HasSubstr(test::native("data/film.mp4") + " (4.3 GB) is larger than 4 GB"));
    EXPECT_EQ(f.plan(std::uint64_t(1) << 40, "exfat").problem, "");
    fs::remove(f.source / "data/film.mp4");

    writeFile(f.drive / "data", "a file where the folder goes");
    EXPECT_THAT(f.plan(1 << 20).problem, HasSubstr("holds a file named data"));
    fs::remove(f.drive / "data");
    fs::create_directories(f.drive / "autorun.inf");
    EXPECT_THAT(f.plan(1 << 20).problem, HasSubstr("holds a folder named autorun.inf"));
    fs::remove(f.drive / "autorun.inf");

    EXPECT_THAT(planDriveCopy(f.source, f.source / "data", {1 << 30, 1 << 30, 512}, "").problem,
                HasSubstr("cannot be copied into itself"));

    DriveCopyResult r = copyToDrive(small, {});
    EXPECT_EQ(r.outcome, DriveCopyResult::Outcome::Refused);
    EXPECT_TRUE(fs::is_empty(f.drive));
}

TEST(DriveCopy, ReplacesOnlyWithConsentAndReadsEveryFileBack) {
    Folders f;
    writeFile(f.drive / "autorun.inf", "[autorun]\r\nlabel=OLD\r\n");
    writeFile(f.drive / "holiday.jpg", "not ours");
    DriveCopyPlan plan = f.plan(1 << 20);
    ASSERT_EQ(plan.problem, "");
    EXPECT_EQ(plan.replaced(), std::vector<fs::path>{"autorun.inf"});
    EXPECT_EQ(replacedFilesText(plan), "1 file on the drive would be replaced:\nautorun.inf\n");

    DriveCopyResult refused = copyToDrive(plan, {});
    EXPECT_EQ(refused.outcome, DriveCopyResult::Outcome::Refused);
    EXPECT_EQ(test::readFile(f.drive / "autorun.inf"), "[autorun]\r\nlabel=OLD\r\n");
    EXPECT_FALSE(fs::exists(f.drive / "data"));

    std::vector<DriveCopyProgress::Phase> phases;
    DriveCopyOptions options;
    options.replace = true;
    options.onProgress = [&](const DriveCopyProgress& p) {
        if (phases.empty() || phases.back() != p.phase) phases.push_back(p.phase);
    };
    DriveCopyResult r = copyToDrive(plan, options);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.copied.size(), 2u);
    EXPECT_EQ(test::readFile(f.drive / "autorun.inf"), "[autorun]\r\n");
    EXPECT_EQ(test::readFile(f.drive / "data/index.html"), "<html>menu</html>");
    EXPECT_TRUE(fs::is_directory(f.drive / "data/empty"));
    EXPECT_EQ(test::readFile(f.drive / "holiday.jpg"), "not ours");
    EXPECT_EQ(phases,
              (std::vector{DriveCopyProgress::Phase::Copying, DriveCopyProgress::Phase::Flushing,
                           DriveCopyProgress::Phase::Verifying}));
}

TEST(DriveCopy, ProgressTextAndTimeLeft) {
    EXPECT_EQ(estimateSecondsLeft(0, 100, 10), -1);
    EXPECT_EQ(estimateSecondsLeft(50, 100, 0.1), -1);
    EXPECT_EQ(estimateSecondsLeft(25, 100, 10), 30);
    EXPECT_EQ(estimateSecondsLeft(100, 100, 10), 0);
    DriveCopyProgress p;
    p.filesDone = 2;
    p.filesTotal = 12;
    p.bytesDone = 4200000;
    p.bytesTotal = 10000000;
    p.secondsLeft = 12;
    EXPECT_EQ(progressText(p), "Copying 3 of 12 files, 4.2 MB of 10 MB, about 12 seconds left");
    p.phase = DriveCopyProgress::Phase::Verifying;
    p.secondsLeft = 600;
    EXPECT_EQ(progressText(p), "Verifying 3 of 12 files, 4.2 MB of 10 MB, about 10 minutes left");
}

}  // namespace
}  // namespace rondivo
