#include "burn/drive_sequences.h"

#include <gtest/gtest.h>

#include "burn/drive_discovery.h"
#include "burn/engine_test_util.h"
#include "scsi/virtual_drive.h"
#include "test_support.h"

namespace rondivo::burn {
namespace {

struct Rig {
    rondivo::test::TempDir dir;
    std::shared_ptr<VirtualDrive> drive;
    DriveState state;
    int sleeps = 0;
    Sleeper sleeper = [this](std::chrono::milliseconds) { ++sleeps; };

    explicit Rig(std::uint16_t p) {
        drive = std::make_shared<VirtualDrive>(dir / "disc.img", p);
        test::attachVirtualDrive(state, drive);
    }

    // What a burn does around its data, without the engine's threads.
    bool burn(const std::vector<std::uint8_t>& image) {
        DetermineMediaType(state);
        sendWriteParameters(state, 0);
        readDiscInformation(state, 66);
        lastTrackStart(state);
        const auto sectors = static_cast<std::uint32_t>(image.size() / 2048);
        const auto setup = prepareForWriting(state, sectors, {2026, 12, 8, 21, 30, 0}, sleeper);
        bool ok = true;
        for (std::uint32_t s = 0; s < sectors && ok; s += 32) {
            ok = writeWithRetry(state, setup.writeStart + s, 32,
                                std::span(image).subspan(s * 2048u, 32u * 2048u),
                                sleeper) == WriteOutcome::Written;
        }
        closeMedium(state, setup.completeSessions, sleeper);
        finishTray(state);
        return ok;
    }
};

std::vector<std::uint8_t> image(std::uint32_t sectors) {
    std::vector<std::uint8_t> d(sectors * 2048u);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(i * 31 + i / 2048);
    return d;
}

const std::vector<std::string> kStart = {
    "GET CONFIGURATION feature=0 alloc=114",
    "MODE SENSE(10) page=05h",
    "MODE SELECT(10) length=60",
    "READ DISC INFORMATION alloc=66",
    "READ TRACK INFORMATION track=1",
    "SYNCHRONIZE CACHE immed=0",
    "REZERO UNIT",
    "MODE SENSE(10) page=05h",
    "MODE SELECT(10) length=60",
    "READ DISC INFORMATION alloc=66",
};
const std::vector<std::string> kWrites = {"WRITE(10) lba=0 blocks=32", "WRITE(10) lba=32 blocks=32",
                                          "WRITE(10) lba=64 blocks=32"};
const std::vector<std::string> kTray = {"PREVENT ALLOW MEDIUM REMOVAL allow",
                                        "START STOP UNIT immed=0 load", "REZERO UNIT",
                                        "TEST UNIT READY"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const std::vector<std::string> kAfterStart = {
    "READ TRACK INFORMATION track=1", "MODE SENSE(10) page=05h", "MODE SELECT(10) length=60",
    "SET CD SPEED read=65535 write=2112", "READ DISC INFORMATION alloc=66"};

TEST(BurnSequence, CdRFinalized) {
    Rig r(profile::kCdR);
    r.state.finalize = true;
    r.state.writeSpeed = 12;
    const auto data = image(96);
    ASSERT_TRUE(r.burn(data));
    EXPECT_EQ(
        r.drive->traceText(),
        join({kStart,
              kAfterStart,
              kWrites,
              {"SYNCHRONIZE CACHE immed=1", "READ DISC INFORMATION alloc=42", "TEST UNIT READY",
               "MODE SENSE(10) page=05h", "MODE SELECT(10) length=60",
               "CLOSE TRACK/SESSION immed=1 function=2 track=0", "READ DISC INFORMATION alloc=42"},
              kTray}));
    EXPECT_EQ(rondivo::test::readFile(r.dir / "disc.img"), std::string(data.begin(), data.end()));
    EXPECT_EQ(r.drive->discStatus(), 2);
    EXPECT_FALSE(r.drive->trayOpen());
    EXPECT_FALSE(r.drive->removalPrevented());
}

TEST(BurnSequence, CdRwLeftOpenForMoreSessions) {
    Rig r(profile::kCdRw);
    ASSERT_TRUE(r.burn(image(96)));
    EXPECT_EQ(r.drive->discStatus(), 1);
    EXPECT_EQ(r.drive->writeParameters().multiSession, 3);
    EXPECT_EQ(r.drive->sessionCount(), 2);
}

TEST(BurnSequence, DvdRReservesStreamsAndClosesThreeTimes) {
    Rig r(profile::kDvdR);
    r.state.writeSpeed = 12;
    const auto data = image(96);
    ASSERT_TRUE(r.burn(data));
    EXPECT_EQ(
        r.drive->traceText(),
        join({kStart,
              kAfterStart,
              {"SET STREAMING length=28", "SEND DISC STRUCTURE format=0Fh length=22",
               "RESERVE TRACK size=96"},
              kWrites,
              {"SYNCHRONIZE CACHE immed=0", "CLOSE TRACK/SESSION immed=0 function=1 track=1",
               "CLOSE TRACK/SESSION immed=0 function=1 track=2",
               "CLOSE TRACK/SESSION immed=0 function=2 track=3", "READ DISC INFORMATION alloc=42"},
              kTray}));
    EXPECT_EQ(r.drive->timestamp(), "20261208213000");
    EXPECT_EQ(rondivo::test::readFile(r.dir / "disc.img"), std::string(data.begin(), data.end()));
}

TEST(BurnSequence, DvdRwIsFormattedAndItsFormatWaitedOut) {
    Rig r(profile::kDvdRwSequential);
    r.drive->setLongOperationPolls(20);
    r.state.writeSpeed = 12;
    const auto data = image(96);
    ASSERT_TRUE(r.burn(data));
    const auto t = r.drive->traceText();
    ASSERT_GT(t.size(), 32u);
    EXPECT_EQ(t[10], "FORMAT UNIT fmtdata=1");
    for (int i = 11; i < 31; ++i) EXPECT_EQ(t[i], "READ DISC INFORMATION alloc=42 -> 2/04/04") << i;
    EXPECT_EQ(t[31], "READ DISC INFORMATION alloc=42");
    const std::vector<std::string> closing = {"SYNCHRONIZE CACHE immed=0",
                                              "CLOSE TRACK/SESSION immed=0 function=1 track=1",
                                              "CLOSE TRACK/SESSION immed=1 function=2 track=0"};
    const auto close = std::search(t.begin(), t.end(), closing.begin(), closing.end());
    ASSERT_NE(close, t.end());
    // The immediate session close is waited out too, then the readiness check.
    EXPECT_EQ(std::count(close, t.end(), "READ DISC INFORMATION alloc=42 -> 2/04/07"), 20);
    EXPECT_EQ(std::vector<std::string>(t.end() - 6, t.end() - 4),
              (std::vector<std::string>{"READ DISC INFORMATION alloc=42",
                                        "READ DISC INFORMATION alloc=42"}));
    EXPECT_EQ(r.sleeps, 21 + 21);
    EXPECT_EQ(rondivo::test::readFile(r.dir / "disc.img"), std::string(data.begin(), data.end()));
}

TEST(BurnSequence, DvdPlusRKeepsTheDiscOpenUnlessFinalized) {
    for (bool finalize : {false, true}) {
        Rig r(profile::kDvdPlusR);
        r.state.finalize = finalize;
        r.state.writeSpeed = 12;
        ASSERT_TRUE(r.burn(image(96)));
        const auto t = r.drive->traceText();
        const std::vector<std::string> closing = {
            "SYNCHRONIZE CACHE immed=0", "CLOSE TRACK/SESSION immed=0 function=1 track=1",
            "CLOSE TRACK/SESSION immed=0 function=2 track=255", "READ DISC INFORMATION alloc=42"};
        EXPECT_TRUE(std::equal(closing.begin(), closing.end(), t.end() - 8)) << finalize;
        EXPECT_EQ(r.drive->discStatus(), finalize ? 2 : 1);
    }
}

TEST(BurnSequence, DvdPlusRwAndDvdRamClose) {
    Rig plus(profile::kDvdPlusRw);
    ASSERT_TRUE(plus.burn(image(96)));
    auto t = plus.drive->traceText();
    EXPECT_EQ(std::vector<std::string>(t.end() - 7, t.end() - 4),
              (std::vector<std::string>{"SYNCHRONIZE CACHE immed=0",
                                        "CLOSE TRACK/SESSION immed=0 function=3 track=255",
                                        "READ DISC INFORMATION alloc=42"}));

    Rig ram(profile::kDvdRam);
    ram.state.finalize = true;
    ASSERT_TRUE(ram.burn(image(96)));
    t = ram.drive->traceText();
    EXPECT_EQ(std::vector<std::string>(t.end() - 9, t.end() - 4),
              (std::vector<std::string>{"SYNCHRONIZE CACHE immed=1",
                                        "CLOSE TRACK/SESSION immed=0 function=1 track=255",
                                        "MODE SENSE(10) page=05h", "MODE SELECT(10) length=60",
                                        "CLOSE TRACK/SESSION immed=1 function=2 track=0"}));
    EXPECT_EQ(ram.sleeps, 0);
}

TEST(BurnSequence, AWriteErrorStillClosesAndUnlocks) {
    Rig r(profile::kCdR);
    r.state.finalize = true;
    r.drive->failWriteAtSector(40);
    EXPECT_FALSE(r.burn(image(96)));
    const auto t = r.drive->traceText();
    EXPECT_EQ(std::count_if(t.begin(), t.end(),
                            [](const std::string& l) { return l.rfind("WRITE(10)", 0) == 0; }),
              2);
    EXPECT_EQ(std::vector<std::string>(t.end() - 4, t.end()), kTray);
    EXPECT_TRUE(std::find(t.begin(), t.end(), "CLOSE TRACK/SESSION immed=1 function=2 track=0") !=
                t.end());
}

TEST(WriteRetry, BusyAndNotReadyAreRetriedOtherErrorsAreNot) {
    Rig r(profile::kDvdPlusRw);
    DetermineMediaType(r.state);
    sendWriteParameters(r.state, 0);
    const auto data = image(32);
    r.drive->failBusy(3, op::kWrite10);
    EXPECT_EQ(writeWithRetry(r.state, 0, 32, data, r.sleeper), WriteOutcome::Written);
    EXPECT_EQ(r.sleeps, 3);
    r.drive->failNotReady(4, op::kWrite10, 0x08);
    EXPECT_EQ(writeWithRetry(r.state, 32, 32, data, r.sleeper), WriteOutcome::Written);
    EXPECT_EQ(r.sleeps, 7);
    r.drive->failWriteAtSector(64);
    EXPECT_EQ(writeWithRetry(r.state, 64, 32, data, r.sleeper), WriteOutcome::Failed);
    EXPECT_EQ(r.sleeps, 7);
    r.drive->failNotReady(kWriteRetries + 5, op::kWrite10);
    EXPECT_EQ(writeWithRetry(r.state, 96, 32, data, r.sleeper), WriteOutcome::Failed);
    EXPECT_EQ(r.sleeps, 7 + kWriteRetries);
}

}  // namespace
}  // namespace rondivo::burn
