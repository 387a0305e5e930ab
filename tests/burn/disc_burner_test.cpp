#include "burn/disc_burner.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "burn/drive_discovery.h"
#include "burn/drive_operations.h"
#include "burn/drive_sequences.h"
#include "burn/engine_test_util.h"
#include "test_support.h"
#include "vdrive/virtual_drive.h"

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
    std::shared_ptr<vdrive::VirtualDrive> drive;
    std::unique_ptr<CDiscBurner> burner;
    int sleeps = 0;

    explicit Rig(std::uint16_t medium) {
        drive = std::make_shared<vdrive::VirtualDrive>(dir / "disc.img", medium);
        auto t = std::make_unique<vdrive::VirtualDriveTransport>();
        t->add(drive);
        std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
        list.push_back(std::move(t));
        burner = std::make_unique<CDiscBurner>(std::move(list));
        burner->setSleeper([this](std::chrono::milliseconds) { ++sleeps; });
        burner->setClock([] { return scsi::UtcTime{2026, 12, 8, 22, 40, 5}; });
        makePresentation(dir / "folder");
    }

    std::uint32_t layout(const char* label = "MY CD") {
        burner->ClearImage();
        burner->SetVolumeLabel(label);
        burner->AddFolder("\\", dir / "folder", "*.*", true);
        return burner->ComputeLayout();
    }
};

// The whole conversation with the drive for one burn, per medium, written
// from the MMC command descriptions: what is asked before the image is built,
// what prepares the medium, then (after the data) what flushes and closes it.
// Writes and READ BUFFER CAPACITY are checked apart, as their count follows
// the image's size.
const std::vector<std::string> kAsk = {"TEST UNIT READY", "GET CONFIGURATION feature=0 alloc=114",
                                       "READ DISC INFORMATION alloc=66"};
const std::vector<std::string> kAddress = {"READ DISC INFORMATION alloc=66",
                                           "READ TRACK INFORMATION track=1"};
const std::string kLock = "PREVENT ALLOW MEDIUM REMOVAL prevent";
const std::string kUnlock = "PREVENT ALLOW MEDIUM REMOVAL allow";
const std::string kSpeed = "SET CD SPEED read=65535 write=1408";
std::string streaming(std::uint32_t end) {
    return "SET STREAMING length=28 end=" + std::to_string(end) + " write=1408";
}
const std::string kFormats = "READ FORMAT CAPACITIES alloc=252";
const std::string kReady = "TEST UNIT READY";
const std::vector<std::string> kPage = {"MODE SENSE(10) page=05h"};
const std::string kTimestamp = "SEND DISC STRUCTURE format=0Fh length=22";
const std::vector<std::string> kFlush = {"SYNCHRONIZE CACHE immed=1", kReady};
std::vector<std::string> closeTrackThenSession(int sessionFunction) {
    return {"READ DISC INFORMATION alloc=66", "CLOSE TRACK/SESSION immed=1 function=1 track=1",
            kReady,
            "CLOSE TRACK/SESSION immed=1 function=" + std::to_string(sessionFunction) + " track=0",
            kReady};
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<std::string> withoutData(const std::vector<std::string>& trace) {
    std::vector<std::string> rest;
    for (const auto& line : trace)
        if (line.rfind("WRITE(10)", 0) != 0 && line.rfind("READ BUFFER CAPACITY", 0) != 0)
            rest.push_back(line);
    return rest;
}

struct MediumCase {
    std::uint16_t medium;
    bool finalize;
    std::vector<std::string> expected;  // "@" stands for RESERVE TRACK of the image's size
    std::uint8_t discStatusAfter;
};

std::vector<MediumCase> referenceTables() {
    return {
        {vdrive::profile::kCdR, true,
         join({kAsk,
               kAddress,
               {kLock},
               kPage,
               {"MODE SELECT(10) length=60 wt=1 ms=0 fp=0 ls=0 test=0", kSpeed},
               kAddress,
               kFlush,
               closeTrackThenSession(2),
               {kUnlock}}),
         2},
        {vdrive::profile::kCdRw, false,
         join({kAsk,
               kAddress,
               {kLock},
               kPage,
               {"MODE SELECT(10) length=60 wt=1 ms=3 fp=0 ls=0 test=0", kSpeed},
               kAddress,
               kFlush,
               closeTrackThenSession(2),
               {kUnlock}}),
         1},
        {vdrive::profile::kDvdR, false,
         join({kAsk,
               {"GET CONFIGURATION feature=33 alloc=64"},
               kAddress,
               {kLock},
               kPage,
               {"MODE SELECT(10) length=60 wt=0 ms=3 fp=1 ls=16 test=0", streaming(2298495)},
               kAddress,
               {kTimestamp},
               kFlush,
               closeTrackThenSession(2),
               {kUnlock}}),
         1},
        {vdrive::profile::kDvdR, true,
         join({kAsk,
               kAddress,
               {kLock},
               kPage,
               {"MODE SELECT(10) length=60 wt=2 ms=0 fp=0 ls=0 test=0", streaming(2298495)},
               kAddress,
               {kTimestamp},
               {"@"},
               kFlush,
               {kUnlock}}),
         2},
        {vdrive::profile::kDvdRwSequential, false,
         join({kAsk,
               {kFormats, kFormats, kLock, kFormats, "FORMAT UNIT type=15h", kReady},
               kPage,
               {"MODE SELECT(10) length=60 wt=0 ms=3 fp=1 ls=0 test=0", streaming(2298495)},
               kFlush,
               {"READ DISC INFORMATION alloc=66", "CLOSE TRACK/SESSION immed=1 function=2 track=0",
                kReady, kUnlock}}),
         2},
        {vdrive::profile::kDvdPlusR, false,
         join({kAsk,
               kAddress,
               {kLock, streaming(2295103)},
               kAddress,
               kFlush,
               closeTrackThenSession(2),
               {kUnlock}}),
         1},
        {vdrive::profile::kDvdPlusR, true,
         join({kAsk,
               kAddress,
               {kLock, streaming(2295103)},
               kAddress,
               kFlush,
               closeTrackThenSession(6),
               {kUnlock}}),
         2},
        {vdrive::profile::kDvdPlusRw, true,
         join({kAsk,
               {kFormats, kLock, "READ DISC INFORMATION alloc=66", "FORMAT UNIT type=26h", kReady,
                streaming(2295103)},
               kFlush,
               {"READ DISC INFORMATION alloc=66", "CLOSE TRACK/SESSION immed=1 function=2 track=0",
                kReady, kUnlock}}),
         2},
        {vdrive::profile::kDvdRam, true,
         join({kAsk, {kFormats, kLock, streaming(2236703)}, kFlush, {kUnlock}}), 2},
    };
}

TEST(DiscBurner, EachMediumGetsTheSavedImageAndItsReferenceSequence) {
    for (auto c : referenceTables()) {
        SCOPED_TRACE(vdrive::profileName(c.medium) + (c.finalize ? " finalized" : " open"));
        Rig r(c.medium);
        const auto sectors = r.layout();
        ASSERT_GT(sectors, 0u);
        Completion saved;
        ASSERT_EQ(r.burner->StartSaveImage(r.dir / "same.iso", saved.callback()), 1);
        r.burner->waitUntilDone();
        ASSERT_EQ(saved.error, 0);
        const std::string iso = readFile(r.dir / "same.iso");
        ASSERT_EQ(iso.size(), sectors * 2048u);

        ASSERT_TRUE(r.burner->SelectDrive(0));
        ASSERT_TRUE(r.burner->IsDriveRecordable());
        r.burner->SetFinalize(c.finalize);
        r.burner->SetWriteSpeed(8);
        r.drive->clearTrace();
        Completion burnt;
        ASSERT_EQ(r.burner->StartBurn(burnt.callback()), 1) << r.burner->lastMessage();
        r.burner->waitUntilDone();
        EXPECT_EQ(burnt.calls, 1);
        EXPECT_EQ(burnt.error, 0) << r.burner->lastMessage();
        EXPECT_EQ(r.burner->sectorsWritten(), sectors);

        const std::string disc = readFile(r.dir / "disc.img");
        ASSERT_GE(disc.size(), iso.size());
        EXPECT_TRUE(disc.compare(0, iso.size(), iso) == 0);

        for (auto& line : c.expected)
            if (line == "@") line = "RESERVE TRACK size=" + std::to_string(sectors);
        const auto trace = r.drive->traceText();
        EXPECT_EQ(withoutData(trace), c.expected);
        // The data goes in one run from sector 0, padded to 300 sectors on CD.
        const bool cd = c.medium == vdrive::profile::kCdR || c.medium == vdrive::profile::kCdRw;
        std::uint32_t next = 0;
        for (const auto& line : trace) {
            unsigned lba = 0, blocks = 0;
            if (std::sscanf(line.c_str(), "WRITE(10) lba=%u blocks=%u", &lba, &blocks) != 2)
                continue;
            EXPECT_EQ(lba, next) << line;
            next = lba + blocks;
        }
        EXPECT_EQ(next, cd ? std::max(sectors, 300u) : sectors);
        EXPECT_EQ(r.drive->discStatus(), c.discStatusAfter);
        EXPECT_FALSE(r.drive->removalPrevented());
        EXPECT_EQ(r.drive->writeSpeedKbps(), 8 * 176);
    }
}

TEST(DiscBurner, DvdRwFormatIsWaitedOutBeforeWriting) {
    Rig r(vdrive::profile::kDvdRwSequential);
    r.drive->setLongOperationPolls(20);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    Completion done;
    ASSERT_EQ(r.burner->StartBurn(done.callback()), 1);
    r.burner->waitUntilDone();
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
    Rig r(vdrive::profile::kCdR);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    r.drive->failWriteAtSector(40);
    Completion done;
    ASSERT_EQ(r.burner->StartBurn(done.callback()), 1);
    r.burner->waitUntilDone();
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.error, 1);
    const auto trace = r.drive->traceText();
    const auto failed =
        std::find(trace.begin(), trace.end(), "WRITE(10) lba=32 blocks=32 -> 3/0C/00");
    ASSERT_NE(failed, trace.end()) << ::testing::PrintToString(trace);
    // Nothing is written after the failure; the session is still closed and
    // the tray unlocked.
    const std::vector<std::string> after(failed + 1, trace.end());
    for (const auto& s : after) EXPECT_NE(s.rfind("WRITE(10)", 0), 0u) << s;
    EXPECT_NE(std::find(after.begin(), after.end(), "SYNCHRONIZE CACHE immed=1"), after.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "PREVENT ALLOW MEDIUM REMOVAL allow"),
              after.end());
    EXPECT_FALSE(r.drive->removalPrevented());
    EXPECT_FALSE(r.burner->isBusy());
    // The reason, then what the disc holds: a CD track this short cannot be closed.
    EXPECT_EQ(r.burner->lastMessage(),
              "The drive refused to write sector 32: MEDIUM ERROR: write error. 32 sectors were "
              "written, but the disc could not be closed, so other drives may not read it. The "
              "drive refused to close the track: ILLEGAL REQUEST: session fixation error.");
    EXPECT_NE(r.burner->TakeLastError(), 0);
}

// Cancel stops the burn at its next command, closes what was written (a CD
// track filled to its minimum) and says what the disc holds.
TEST(DiscBurner, CancelStopsAtTheNextCommandAndClosesWhatWasWritten) {
    for (auto medium :
         {vdrive::profile::kCdR, vdrive::profile::kDvdPlusR, vdrive::profile::kDvdRwSequential}) {
        SCOPED_TRACE(vdrive::profileName(medium));
        Rig r(medium);
        const auto sectors = r.layout();
        ASSERT_GT(sectors, 64u);
        ASSERT_TRUE(r.burner->SelectDrive(0));
        r.drive->failBusy(1, scsi::op::kWrite10);
        r.burner->setSleeper([&](std::chrono::milliseconds) { r.burner->cancelBurn(); });
        Completion done;
        ASSERT_EQ(r.burner->StartBurn(done.callback()), 1) << r.burner->lastMessage();
        r.burner->waitUntilDone();
        EXPECT_EQ(done.error, 1);
        EXPECT_TRUE(r.burner->wasCancelled());
        const std::string message = r.burner->lastMessage();
        EXPECT_EQ(message.rfind("The burn was cancelled. ", 0), 0u) << message;
        EXPECT_NE(message.find("sectors were written"), std::string::npos) << message;
        EXPECT_LT(r.burner->sectorsWritten(), sectors);
        EXPECT_TRUE(r.drive->readableElsewhere());
        EXPECT_FALSE(r.drive->removalPrevented());
    }
}

TEST(DiscBurner, BusyWritesAreRetried) {
    Rig r(vdrive::profile::kDvdPlusRw);
    const auto sectors = r.layout();
    ASSERT_GT(sectors, 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    r.drive->failBusy(3, 0x2A);
    Completion done;
    ASSERT_EQ(r.burner->StartBurn(done.callback()), 1);
    r.burner->waitUntilDone();
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
    Rig r(vdrive::profile::kCdR);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    fs::remove(r.dir / "folder" / "media" / "pic.bin");
    Completion done;
    const int started = r.burner->StartBurn(done.callback());
    r.burner->waitUntilDone();
    // Small images are queued whole before the writer starts, so the start
    // itself is refused; either way the code is 2 and nothing is reported
    // as success.
    if (started) {
        EXPECT_EQ(done.error, 1);
    } else {
        EXPECT_EQ(done.calls, 0);
    }
    EXPECT_EQ(r.burner->errorCode(), iso::kErrorSourceFile);
    EXPECT_EQ(r.burner->TakeLastError(), iso::kErrorSourceFile);
    EXPECT_EQ(r.burner->errorCode(), iso::kErrorNone);
}

TEST(DiscBurner, SecondStartWhileBurningIsRefused) {
    Rig r(vdrive::profile::kCdR);
    ASSERT_GT(r.layout(), 0u);
    ASSERT_TRUE(r.burner->SelectDrive(0));
    // The drive stays busy until the test lets it go.
    std::mutex m;
    std::condition_variable cv;
    bool released = false, waiting = false;
    r.burner->setSleeper([&](std::chrono::milliseconds) {
        std::unique_lock lock(m);
        waiting = true;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
    });
    r.drive->failBusy(1, 0x2A);
    Completion first, second;
    ASSERT_EQ(r.burner->StartBurn(first.callback()), 1);
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return waiting; });
    }
    EXPECT_TRUE(r.burner->isBusy());
    EXPECT_EQ(r.burner->StartBurn(second.callback()), 0);
    EXPECT_EQ(r.burner->StartSaveImage(r.dir / "x.iso", second.callback()), 0);
    EXPECT_FALSE(r.burner->EjectDisc());
    EXPECT_FALSE(r.burner->SelectDrive(0));
    {
        std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
    r.burner->waitUntilDone();
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.error, 0);
    EXPECT_EQ(second.calls, 0);
    EXPECT_FALSE(fs::exists(r.dir / "x.iso"));
}

TEST(DiscBurner, StartWithoutDriveOrLayoutIsRefused) {
    Rig r(vdrive::profile::kCdR);
    Completion done;
    ASSERT_GT(r.layout(), 0u);
    EXPECT_EQ(r.burner->StartBurn(done.callback()), 0);  // no drive selected
    ASSERT_TRUE(r.burner->SelectDrive(0));
    r.burner->ClearImage();
    EXPECT_EQ(r.burner->StartBurn(done.callback()), 0);
    EXPECT_EQ(r.burner->errorCode(), iso::kErrorNoLayout);
    EXPECT_EQ(done.calls, 0);
    EXPECT_TRUE(r.drive->sectorsWritten() == 0);
}

TEST(DiscBurner, EjectFlushesUnlocksAndOpensTheTray) {
    Rig r(vdrive::profile::kCdR);
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
