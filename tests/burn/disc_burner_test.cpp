#include "burn/disc_burner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "burn/drive_discovery.h"
#include "burn/drive_operations.h"
#include "burn/drive_sequences.h"
#include "burn/engine_test_util.h"
#include "scsi/virtual_drive.h"
#include "test_support.h"

namespace rondivo::burn {
namespace {

namespace fs = std::filesystem;
using rondivo::test::readFile;
using rondivo::test::TempDir;
using rondivo::test::writeFile;
using namespace rondivo::burn::test;

// A folder of a few files, one larger than the engine's 64 KiB blocks.
void makePresentation(const fs::path& dir) {
    writeFile(dir / "autorun.inf", "[autorun]\nOPEN=autorun.exe\n");
    writeFile(dir / "index.htm", "<html><body>Menu</body></html>");
    writeFile(dir / "media" / "movie.bin", pattern(300 * 1024 + 17, 'm'));
    writeFile(dir / "media" / "pic.bin", pattern(5000, 'p'));
}

// An engine whose only drive is a virtual writer holding `medium`.
struct Rig {
    TempDir dir;
    std::shared_ptr<VirtualDrive> drive;
    std::unique_ptr<CDiscBurner> burner;
    int sleeps = 0;

    explicit Rig(std::uint16_t medium) {
        drive = std::make_shared<VirtualDrive>(dir / "disc.img", medium);
        auto t = std::make_unique<VirtualDriveTransport>();
        t->add(drive);
        std::vector<std::unique_ptr<ScsiTransport>> list;
        list.push_back(std::move(t));
        burner = std::make_unique<CDiscBurner>(std::move(list));
        burner->SetSleeper([this](std::chrono::milliseconds) { ++sleeps; });
        burner->SetClock([] { return UtcTime{2026, 12, 8, 22, 40, 5}; });
        makePresentation(dir / "folder");
    }

    std::uint32_t layout(const char* label = "MY CD") {
        burner->ClearImage();
        burner->SetVolumeLabel(label);
        burner->AddFolder("\\", dir / "folder", "*.*", true);
        return burner->ComputeLayout();
    }
};

// What the drive must have been sent, built from the sequences themselves on a
// second drive, without the engine's threads and queue.
std::vector<std::string> expectedTrace(std::uint16_t medium, const std::string& image,
                                       bool finalize, std::uint8_t speed) {
    TempDir dir;
    auto drive = std::make_shared<VirtualDrive>(dir / "ref.img", medium);
    DriveState state;
    attachVirtualDrive(state, drive);
    state.finalize = finalize;
    state.writeSpeed = speed;
    const Sleeper none = [](std::chrono::milliseconds) {};
    DetermineMediaType(state);
    sendWriteParameters(state, 0);
    readDiscInformation(state, 66);
    lastTrackStart(state);
    const auto sectors = static_cast<std::uint32_t>(image.size() / 2048);
    const auto setup = prepareForWriting(state, sectors, {2026, 12, 8, 22, 40, 5}, none);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    int countdown = 2;
    for (std::uint32_t s = 0; s < sectors; s += 32) {
        writeWithRetry(state, setup.writeStart + s, 32, std::span(bytes + s * 2048u, 65536u), none);
        if (--countdown < 0 && state.mediaType != kMediaDvdRam) {
            readBufferCapacity(state);
            countdown = 5;
        }
    }
    closeMedium(state, setup.completeSessions, none);
    finishTray(state);
    return drive->traceText();
}

TEST(DiscBurner, EachMediumGetsTheSavedImageAndItsOwnSequence) {
    struct Case {
        std::uint16_t medium;
        bool finalize;
        const char* closing;  // a command only this medium's closing sends
    };
    const Case cases[] = {
        {profile::kCdR, true, "CLOSE TRACK/SESSION immed=1 function=2 track=0"},
        {profile::kCdRw, false, "CLOSE TRACK/SESSION immed=1 function=2 track=0"},
        {profile::kDvdR, false, "CLOSE TRACK/SESSION immed=0 function=2 track=3"},
        {profile::kDvdRwSequential, false, "CLOSE TRACK/SESSION immed=1 function=2 track=0"},
        {profile::kDvdPlusR, false, "CLOSE TRACK/SESSION immed=0 function=2 track=255"},
        {profile::kDvdPlusRw, true, "CLOSE TRACK/SESSION immed=0 function=3 track=255"},
        {profile::kDvdRam, true, "CLOSE TRACK/SESSION immed=1 function=2 track=0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(profileName(c.medium));
        Rig r(c.medium);
        const auto sectors = r.layout();
        ASSERT_GT(sectors, 0u);
        Completion saved;
        ASSERT_EQ(r.burner->StartSaveImage(r.dir / "same.iso", saved.callback(), 0), 1);
        r.burner->WaitUntilDone();
        ASSERT_EQ(saved.error, 0);
        const std::string iso = readFile(r.dir / "same.iso");
        ASSERT_EQ(iso.size(), sectors * 2048u);

        ASSERT_TRUE(r.burner->SelectDrive(0));
        ASSERT_TRUE(r.burner->IsDriveRecordable());
        r.burner->SetFinalize(c.finalize);
        r.burner->SetWriteSpeed(8);
        r.drive->clearTrace();
        Completion burnt;
        ASSERT_EQ(r.burner->StartBurn(burnt.callback(), 77), 1);
        r.burner->WaitUntilDone();
        EXPECT_EQ(burnt.calls, 1);
        EXPECT_EQ(burnt.error, 0);
        EXPECT_EQ(burnt.user, 77);
        EXPECT_EQ(r.burner->SectorsWritten(), sectors);

        const std::string disc = readFile(r.dir / "disc.img");
        ASSERT_GE(disc.size(), iso.size());
        EXPECT_TRUE(disc.compare(0, iso.size(), iso) == 0);

        const auto trace = r.drive->traceText();
        EXPECT_EQ(trace, expectedTrace(c.medium, iso, c.finalize, 8));
        EXPECT_NE(std::find(trace.begin(), trace.end(), c.closing), trace.end());
        EXPECT_EQ(trace.front(), "GET CONFIGURATION feature=0 alloc=114");
        EXPECT_EQ(trace.back(), "TEST UNIT READY");
        EXPECT_FALSE(r.drive->removalPrevented());
        EXPECT_EQ(r.drive->writeSpeedKbps(), 8 * 176);
    }
}

TEST(DiscBurner, DvdRwFormatIsWaitedOutBeforeWriting) {
    Rig r(profile::kDvdRwSequential);
    r.drive->setLongOperationPolls(20);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    Completion done;
    ASSERT_EQ(r.burner->StartBurn(done.callback(), 0), 1);
    r.burner->WaitUntilDone();
    EXPECT_EQ(done.error, 0);
    EXPECT_GE(r.sleeps, 20);
    const auto trace = r.drive->traceText();
    const auto format = std::find_if(trace.begin(), trace.end(),
                                     [](auto& s) { return s.rfind("FORMAT UNIT", 0) == 0; });
    const auto write = std::find_if(trace.begin(), trace.end(),
                                    [](auto& s) { return s.rfind("WRITE(10)", 0) == 0; });
    ASSERT_NE(format, trace.end());
    EXPECT_LT(format, write);
}

TEST(DiscBurner, WriteErrorMidDiscClosesUnlocksAndReports) {
    Rig r(profile::kCdR);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    r.drive->failWriteAtSector(40);
    Completion done;
    ASSERT_EQ(r.burner->StartBurn(done.callback(), 5), 1);
    r.burner->WaitUntilDone();
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.error, 1);
    EXPECT_EQ(done.user, 5);
    const auto trace = r.drive->traceText();
    const auto failed =
        std::find(trace.begin(), trace.end(), "WRITE(10) lba=32 blocks=32 -> 3/0C/00");
    ASSERT_NE(failed, trace.end()) << ::testing::PrintToString(trace);
    // Nothing is written after the failure; the session is still closed and
    // the tray unlocked.
    const std::vector<std::string> after(failed + 1, trace.end());
    for (const auto& s : after) EXPECT_NE(s.rfind("WRITE(10)", 0), 0u) << s;
    EXPECT_NE(
        std::find(after.begin(), after.end(), "CLOSE TRACK/SESSION immed=1 function=2 track=0"),
        after.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "PREVENT ALLOW MEDIUM REMOVAL allow"),
              after.end());
    EXPECT_FALSE(r.drive->removalPrevented());
    EXPECT_FALSE(r.burner->IsBusy());
    EXPECT_NE(r.burner->LastMessage().find("32"), std::string::npos) << r.burner->LastMessage();
    EXPECT_NE(r.burner->TakeLastError(), 0);
}

TEST(DiscBurner, BusyWritesAreRetried) {
    Rig r(profile::kDvdPlusRw);
    const auto sectors = r.layout();
    ASSERT_GT(sectors, 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    r.drive->failBusy(3, 0x2A);
    Completion done;
    ASSERT_EQ(r.burner->StartBurn(done.callback(), 0), 1);
    r.burner->WaitUntilDone();
    EXPECT_EQ(done.error, 0);
    EXPECT_EQ(r.drive->sectorsWritten(), sectors);
    const auto trace = r.drive->traceText();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "WRITE(10) lba=0 blocks=32 -> BUSY"), 3)
        << ::testing::PrintToString(trace);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "WRITE(10) lba=0 blocks=32"), 1)
        << ::testing::PrintToString(trace);
    EXPECT_GE(r.sleeps, 3);
}

TEST(DiscBurner, SourceFileRemovedAfterLayoutIsErrorCode2) {
    Rig r(profile::kCdR);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    fs::remove(r.dir / "folder" / "media" / "pic.bin");
    Completion done;
    const int started = r.burner->StartBurn(done.callback(), 0);
    r.burner->WaitUntilDone();
    // Small images are queued whole before the writer starts, so the start
    // itself is refused; either way the code is 2 and nothing is reported
    // as success.
    if (started) {
        EXPECT_EQ(done.error, 1);
    } else {
        EXPECT_EQ(done.calls, 0);
    }
    EXPECT_EQ(r.burner->ErrorCode(), kErrorSourceFile);
    EXPECT_EQ(r.burner->TakeLastError(), kErrorSourceFile);
    EXPECT_EQ(r.burner->ErrorCode(), kErrorNone);
}

TEST(DiscBurner, SecondStartWhileBurningIsRefused) {
    Rig r(profile::kCdR);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    // The drive stays busy until the test lets it go.
    std::mutex m;
    std::condition_variable cv;
    bool released = false, waiting = false;
    r.burner->SetSleeper([&](std::chrono::milliseconds) {
        std::unique_lock lock(m);
        waiting = true;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
    });
    r.drive->failBusy(1, 0x2A);
    Completion first, second;
    ASSERT_EQ(r.burner->StartBurn(first.callback(), 0), 1);
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return waiting; });
    }
    EXPECT_TRUE(r.burner->IsBusy());
    EXPECT_EQ(r.burner->StartBurn(second.callback(), 0), 0);
    EXPECT_EQ(r.burner->StartSaveImage(r.dir / "x.iso", second.callback(), 0), 0);
    EXPECT_FALSE(r.burner->EjectDisc());
    EXPECT_FALSE(r.burner->SelectDrive(0));
    {
        std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
    r.burner->WaitUntilDone();
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.error, 0);
    EXPECT_EQ(second.calls, 0);
    EXPECT_FALSE(fs::exists(r.dir / "x.iso"));
}

TEST(DiscBurner, StartWithoutDriveOrLayoutIsRefused) {
    Rig r(profile::kCdR);
    Completion done;
    ASSERT_GT(r.layout(), 0u);
    EXPECT_EQ(r.burner->StartBurn(done.callback(), 0), 0);  // no drive selected
    ASSERT_TRUE(r.burner->SelectDrive(0));
    r.burner->ClearImage();
    EXPECT_EQ(r.burner->StartBurn(done.callback(), 0), 0);
    EXPECT_EQ(r.burner->ErrorCode(), kErrorNoLayout);
    EXPECT_EQ(done.calls, 0);
    EXPECT_TRUE(r.drive->sectorsWritten() == 0);
}

TEST(DiscBurner, EjectFlushesUnlocksAndOpensTheTray) {
    Rig r(profile::kCdR);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    EXPECT_EQ(r.burner->GetDriveDescription(1), "");
    EXPECT_NE(r.burner->GetDriveDescription(0), "");
    r.drive->clearTrace();
    EXPECT_TRUE(r.burner->EjectDisc());
    EXPECT_TRUE(r.drive->trayOpen());
    const auto trace = r.drive->traceText();
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace.front().rfind("SYNCHRONIZE CACHE", 0), 0u);
}

}  // namespace
}  // namespace rondivo::burn
