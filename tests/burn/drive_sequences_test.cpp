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
    BurnPlan plan;
    std::string message;

    explicit Rig(std::uint16_t p) {
        drive = std::make_shared<VirtualDrive>(dir / "disc.img", p);
        test::attachVirtualDrive(state, drive);
    }

    // What a burn does around its data, without the engine's threads: false
    // with `message` set when a step refused.
    bool burn(std::uint32_t sectors) {
        if (planBurn(state, plan, message, sleeper) != PlanOutcome::Ready) return false;
        message = prepareForWriting(state, plan, sectors, {2026, 12, 8, 21, 30, 0}, sleeper);
        bool ok = message.empty();
        std::vector<std::uint8_t> data(32u * 2048u, 0x5A);
        for (std::uint32_t s = 0; ok && s < sectors; s += 32)
            ok = writeWithRetry(state, plan.writeStart + s, 32, data, sleeper) ==
                 WriteOutcome::Written;
        if (ok) message = closeMedium(state, plan, sleeper);
        finishTray(state);
        return ok && message.empty();
    }

    std::vector<std::string> trace() const { return drive->traceText(); }
    bool sent(const std::string& prefix) const {
        const auto t = trace();
        return std::any_of(t.begin(), t.end(), [&](auto& l) { return l.rfind(prefix, 0) == 0; });
    }
};

// A disc that cannot take the image is refused before anything is sent to it.
TEST(BurnPlan, UnsuitableDiscsAreRefusedBeforeAnythingIsWritten) {
    struct {
        const char* name;
        std::uint16_t medium;
        void (*setUp)(VirtualDrive&);
        PlanOutcome outcome;
        const char* message;
    } const cases[] = {
        {"no disc", profile::kCdR, [](VirtualDrive& d) { d.removeMedium(); }, PlanOutcome::Refused,
         "There is no disc in the drive."},
        {"pressed CD", profile::kCdRom, [](VirtualDrive&) {}, PlanOutcome::Refused,
         "The disc in the drive cannot be written: it is not a recordable disc."},
        {"pressed DVD", profile::kDvdRom, [](VirtualDrive&) {}, PlanOutcome::Refused,
         "The disc in the drive cannot be written: it is not a recordable disc."},
        {"finalized CD-R", profile::kCdR, [](VirtualDrive& d) { d.finalizeMedium(); },
         PlanOutcome::Refused,
         "The disc in the drive is closed: nothing more can be written to it."},
        {"closed DVD+R", profile::kDvdPlusR, [](VirtualDrive& d) { d.finalizeMedium(); },
         PlanOutcome::Refused,
         "The disc in the drive is closed: nothing more can be written to it."},
        {"used CD-RW", profile::kCdRw, [](VirtualDrive& d) { d.finalizeMedium(); },
         PlanOutcome::NeedsErasing,
         "The disc in the drive is not blank and takes no more data. Erase it first."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(c.medium);
        c.setUp(*r.drive);
        EXPECT_EQ(planBurn(r.state, r.plan, r.message, r.sleeper), c.outcome);
        EXPECT_EQ(r.message, c.message);
        for (const auto& line : r.trace()) {
            const auto op = line.substr(0, line.find(' '));
            EXPECT_TRUE(op == "TEST" || op == "GET" || op == "READ") << line;
        }
    }
}

TEST(BurnPlan, AUsedRewritableDiscIsErasedWhenAsked) {
    for (auto medium : {profile::kCdRw, profile::kDvdRwSequential}) {
        SCOPED_TRACE(profileName(medium));
        Rig r(medium);
        r.drive->finalizeMedium();
        r.drive->setLongOperationPolls(4);
        r.state.blankFirst = true;
        ASSERT_TRUE(r.burn(320)) << r.message;
        EXPECT_TRUE(r.sent("BLANK immed=1 type=1"));
        EXPECT_EQ(r.plan.writeStart, 0u);
        EXPECT_GE(r.sleeps, 4);
        EXPECT_EQ(r.drive->sectorsWritten(), 320u);
    }
}

TEST(BurnPlan, TheDriveIsWaitedForWhileItBecomesReady) {
    Rig r(profile::kCdR);
    r.drive->setBecomingReadyPolls(3);
    ASSERT_TRUE(r.burn(320)) << r.message;
    const auto t = r.trace();
    EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + 4),
              (std::vector<std::string>{"TEST UNIT READY -> 2/04/01", "TEST UNIT READY -> 2/04/01",
                                        "TEST UNIT READY -> 2/04/01", "TEST UNIT READY"}));
    EXPECT_EQ(r.sleeps, 3);
}

TEST(BurnPlan, ANegativeAddressOnABlankDiscMeansSectorZero) {
    Rig r(profile::kCdR);
    r.drive->setNegativeAddressOnBlank(true);
    ASSERT_TRUE(r.burn(320)) << r.message;
    EXPECT_EQ(r.plan.writeStart, 0u);
    EXPECT_TRUE(r.sent("WRITE(10) lba=0 blocks=32"));
}

// A refused preparation step stops the burn: no data is written over a page
// the drive kept (here one left in test-write mode), a format it did not do or
// a track it did not reserve.
TEST(Preparation, ARefusedStepStopsTheBurnWithTheDrivesWords) {
    struct {
        std::uint16_t medium;
        bool finalize;
        std::uint8_t op;
    } const cases[] = {
        {profile::kCdR, false, op::kModeSelect10},
        {profile::kDvdR, false, op::kSetStreaming},
        {profile::kDvdR, false, op::kSendDiscStructure},
        {profile::kDvdR, true, op::kReserveTrack},
        {profile::kDvdPlusRw, false, op::kFormatUnit},
        {profile::kDvdRwSequential, false, op::kFormatUnit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(profileName(c.medium) + " " + std::to_string(c.op));
        Rig r(c.medium);
        r.drive->setLeftoverTestWrite();
        r.drive->answerWith(c.op, 0x5, 0x26, 0x00);
        r.state.finalize = c.finalize;
        EXPECT_FALSE(r.burn(320));
        EXPECT_NE(r.message.find("ILLEGAL REQUEST: invalid field in parameter list"),
                  std::string::npos)
            << r.message;
        EXPECT_FALSE(r.sent("WRITE(10)"));
        EXPECT_FALSE(r.drive->removalPrevented());
    }
}

TEST(Preparation, AReadOnlyHandleSaysWhatToDo) {
    Rig r(profile::kCdR);
    auto t = std::make_unique<VirtualDriveTransport>();
    t->add(r.drive);
    t->setReadOnlyHandle(true);
    std::vector<std::unique_ptr<ScsiTransport>> list;
    list.push_back(std::move(t));
    DiscoverDrives(r.state, std::move(list));
    SelectDrive(r.state, 0);
    EXPECT_FALSE(r.burn(320));
    EXPECT_EQ(r.message, "The drive refused the write parameters: your user cannot write to " +
                             (r.dir / "disc.img").string() + ": add it to the cdrom group.");
    EXPECT_FALSE(r.sent("WRITE(10) lba=0 blocks=32 ->"));
    EXPECT_EQ(r.drive->sectorsWritten(), 0u);
}

TEST(Preparation, UnderrunProtectionOnlyWhenTheDriveHasIt) {
    for (bool has : {true, false}) {
        Rig r(profile::kCdR);
        r.drive->setUnderrunProtection(has);
        SelectDrive(r.state, 0);
        ASSERT_TRUE(r.burn(320)) << r.message;
        EXPECT_EQ(r.drive->writeParameters().bufferUnderrunFree, has);
    }
}

TEST(BurnSequence, ASecondSessionClosesTheTrackTheDriveReportsLast) {
    for (auto medium : {profile::kCdR, profile::kDvdR, profile::kDvdPlusR}) {
        SCOPED_TRACE(profileName(medium));
        Rig r(medium);
        ASSERT_TRUE(r.burn(320)) << r.message;
        r.drive->clearTrace();
        ASSERT_TRUE(r.burn(320)) << r.message;
        const std::uint32_t start = medium == profile::kCdR ? 320u + 11400u : 320u;
        EXPECT_EQ(r.plan.writeStart, start);
        EXPECT_TRUE(r.sent("WRITE(10) lba=" + std::to_string(start) + " blocks=32"));
        EXPECT_TRUE(r.sent("CLOSE TRACK/SESSION immed=1 function=1 track=2"));
        EXPECT_EQ(r.drive->sessionCount(), 3);
    }
}

TEST(BurnSequence, ARunningDvdPlusRwFormatIsNotStartedAgainAndIsStoppedAtTheEnd) {
    Rig r(profile::kDvdPlusRw);
    ASSERT_TRUE(formatUnit(r.state, {0xFFFFFFFF, kFormatDvdPlusRw, 0}));
    EXPECT_EQ(r.drive->backgroundFormat(), 2);
    r.drive->clearTrace();
    ASSERT_TRUE(r.burn(64)) << r.message;
    EXPECT_FALSE(r.sent("FORMAT UNIT"));
    EXPECT_TRUE(r.sent("CLOSE TRACK/SESSION immed=1 function=2 track=0"));
    EXPECT_EQ(r.drive->backgroundFormat(), 3);
}

TEST(BurnSequence, ADvdRwIsQuickFormattedOnceAndGrownOnlyWhenItOffersTo) {
    Rig r(profile::kDvdRwSequential);
    ASSERT_TRUE(r.burn(64)) << r.message;
    EXPECT_TRUE(r.sent("FORMAT UNIT type=15h"));
    EXPECT_EQ(r.drive->currentProfile(), profile::kDvdRwRestricted);
    r.drive->clearTrace();
    ASSERT_TRUE(r.burn(64)) << r.message;  // the quick format left a session to grow
    EXPECT_TRUE(r.sent("FORMAT UNIT type=13h"));
    r.drive->clearTrace();
    ASSERT_TRUE(r.burn(64)) << r.message;
    EXPECT_FALSE(r.sent("FORMAT UNIT"));
    EXPECT_EQ(r.plan.writeStart, 0u);
}

TEST(WriteRetry, OnlyConditionsThatPassAreRetried) {
    struct {
        const char* name;
        void (*fault)(VirtualDrive&);
        WriteOutcome outcome;
        int sleeps;
        std::size_t writesSent;
    } const cases[] = {
        {"busy", [](VirtualDrive& d) { d.failBusy(3, op::kWrite10); }, WriteOutcome::Written, 3, 4},
        {"long write in progress", [](VirtualDrive& d) { d.failNotReady(4, op::kWrite10, 0x08); },
         WriteOutcome::Written, 4, 5},
        {"becoming ready", [](VirtualDrive& d) { d.failNotReady(2, op::kWrite10, 0x01); },
         WriteOutcome::Written, 2, 3},
        {"recovered error", [](VirtualDrive& d) { d.answerWith(op::kWrite10, 0x1, 0x17, 0x01); },
         WriteOutcome::Written, 0, 1},
        {"write error", [](VirtualDrive& d) { d.failWriteAtSector(5); }, WriteOutcome::Failed, 0,
         1},
        {"no sense data", [](VirtualDrive& d) { d.failWithoutSense(op::kWrite10); },
         WriteOutcome::Failed, 0, 1},
        {"not ready for good",
         [](VirtualDrive& d) { d.failNotReady(kWriteRetries + 5, op::kWrite10, 0x08); },
         WriteOutcome::Failed, kWriteRetries, kWriteRetries + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(profile::kDvdRam);
        c.fault(*r.drive);
        std::vector<std::uint8_t> data(32u * 2048u, 1);
        EXPECT_EQ(writeWithRetry(r.state, 0, 32, data, r.sleeper), c.outcome);
        EXPECT_EQ(r.sleeps, c.sleeps);
        const auto t = r.trace();
        EXPECT_EQ(static_cast<std::size_t>(std::count_if(
                      t.begin(), t.end(), [](auto& l) { return l.rfind("WRITE(10)", 0) == 0; })),
                  c.writesSent);
    }
}

}  // namespace
}  // namespace rondivo::burn
