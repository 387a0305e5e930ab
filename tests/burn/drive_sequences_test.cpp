#include "burn/drive_sequences.h"

#include <gtest/gtest.h>

#include "burn/drive_discovery.h"
#include "burn/engine_test_util.h"
#include "test_support.h"
#include "vdrive/virtual_drive.h"

namespace rondivo::burn {
namespace {

struct Rig {
    rondivo::test::TempDir dir;
    std::shared_ptr<vdrive::VirtualDrive> drive;
    DriveState state;
    int sleeps = 0;
    Sleeper sleeper = [this](std::chrono::milliseconds) { ++sleeps; };
    BurnPlan plan;
    std::string message;

    explicit Rig(std::uint16_t p) {
        drive = std::make_shared<vdrive::VirtualDrive>(dir / "disc.img", p);
        test::attachVirtualDrive(state, drive);
    }

    // Reads the disc as a burn of `sectors` would, and sends nothing else.
    PlanOutcome plan_(std::uint32_t sectors) {
        return planBurn(state, plan, sectors, message, sleeper);
    }

    // What a burn does around its data, without the engine's threads: false
    // with `message` set when a step refused. `lockedWhileWriting` tells
    // whether the tray stayed locked up to the first write.
    bool burn(std::uint32_t sectors) {
        beginExclusiveUse(state);
        const bool ok = burnHeld(sectors);
        endExclusiveUse(state);
        return ok;
    }
    bool lockedWhileWriting = false;
    bool burnHeld(std::uint32_t sectors) {
        if (plan_(sectors) != PlanOutcome::Ready) return false;
        message = prepareForWriting(state, plan, sectors, {2026, 12, 8, 21, 30, 0}, sleeper);
        lockedWhileWriting = drive->removalPrevented();
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
        void (*setUp)(vdrive::VirtualDrive&);
        PlanOutcome outcome;
        const char* message;
    } const cases[] = {
        {"no disc", vdrive::profile::kCdR, [](vdrive::VirtualDrive& d) { d.removeMedium(); },
         PlanOutcome::Refused, "There is no disc in the drive."},
        {"pressed CD", vdrive::profile::kCdRom, [](vdrive::VirtualDrive&) {}, PlanOutcome::Refused,
         "The disc in the drive cannot be written: it is not a recordable disc."},
        {"pressed DVD", vdrive::profile::kDvdRom, [](vdrive::VirtualDrive&) {},
         PlanOutcome::Refused,
         "The disc in the drive cannot be written: it is not a recordable disc."},
        {"finalized CD-R", vdrive::profile::kCdR,
         [](vdrive::VirtualDrive& d) { d.finalizeMedium(); }, PlanOutcome::Refused,
         "The disc in the drive is closed: nothing more can be written to it."},
        {"closed DVD+R", vdrive::profile::kDvdPlusR,
         [](vdrive::VirtualDrive& d) { d.finalizeMedium(); }, PlanOutcome::Refused,
         "The disc in the drive is closed: nothing more can be written to it."},
        {"used CD-RW", vdrive::profile::kCdRw, [](vdrive::VirtualDrive& d) { d.finalizeMedium(); },
         PlanOutcome::NeedsErasing,
         "The disc in the drive is not blank and takes no more data. Erase it first."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(c.medium);
        c.setUp(*r.drive);
        EXPECT_EQ(r.plan_(320), c.outcome);
        EXPECT_EQ(r.message, c.message);
        for (const auto& line : r.trace()) {
            const auto op = line.substr(0, line.find(' '));
            EXPECT_TRUE(op == "TEST" || op == "GET" || op == "READ") << line;
        }
    }
}

TEST(BurnPlan, AUsedRewritableDiscIsErasedWhenAsked) {
    for (auto medium : {vdrive::profile::kCdRw, vdrive::profile::kDvdRwSequential}) {
        SCOPED_TRACE(vdrive::profileName(medium));
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
    Rig r(vdrive::profile::kCdR);
    r.drive->setBecomingReadyPolls(3);
    ASSERT_TRUE(r.burn(320)) << r.message;
    const auto t = r.trace();
    EXPECT_EQ(std::vector<std::string>(t.begin(), t.begin() + 4),
              (std::vector<std::string>{"TEST UNIT READY -> 2/04/01", "TEST UNIT READY -> 2/04/01",
                                        "TEST UNIT READY -> 2/04/01", "TEST UNIT READY"}));
    EXPECT_EQ(r.sleeps, 3);
}

TEST(BurnPlan, ANegativeAddressOnABlankDiscMeansSectorZero) {
    Rig r(vdrive::profile::kCdR);
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
        {vdrive::profile::kCdR, false, scsi::op::kModeSelect10},
        {vdrive::profile::kDvdR, true, scsi::op::kReserveTrack},
        {vdrive::profile::kDvdPlusRw, false, scsi::op::kFormatUnit},
        {vdrive::profile::kDvdRwSequential, false, scsi::op::kFormatUnit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(vdrive::profileName(c.medium) + " " + std::to_string(c.op));
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
    Rig r(vdrive::profile::kCdR);
    auto t = std::make_unique<vdrive::VirtualDriveTransport>();
    t->add(r.drive);
    t->setReadOnlyHandle(true);
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(t));
    DiscoverDrives(r.state, std::move(list));
    SelectDrive(r.state, 0);
    EXPECT_FALSE(r.burn(320));
    EXPECT_EQ(r.message,
              "The drive was not reached (the write parameters): your user cannot "
              "write to " +
                  (r.dir / "disc.img").string() + ": add it to the cdrom group.");
    EXPECT_FALSE(r.sent("WRITE(10) lba=0 blocks=32 ->"));
    EXPECT_EQ(r.drive->sectorsWritten(), 0u);
}

TEST(Preparation, UnderrunProtectionOnlyWhenTheDriveHasIt) {
    for (bool has : {true, false}) {
        Rig r(vdrive::profile::kCdR);
        r.drive->setUnderrunProtection(has);
        SelectDrive(r.state, 0);
        ASSERT_TRUE(r.burn(320)) << r.message;
        EXPECT_EQ(r.drive->writeParameters().bufferUnderrunFree, has);
    }
}

TEST(BurnSequence, ASecondSessionClosesTheTrackTheDriveReportsLast) {
    for (auto medium :
         {vdrive::profile::kCdR, vdrive::profile::kDvdR, vdrive::profile::kDvdPlusR}) {
        SCOPED_TRACE(vdrive::profileName(medium));
        Rig r(medium);
        ASSERT_TRUE(r.burn(320)) << r.message;
        r.drive->clearTrace();
        ASSERT_TRUE(r.burn(320)) << r.message;
        const std::uint32_t start = medium == vdrive::profile::kCdR ? 320u + 11400u : 320u;
        EXPECT_EQ(r.plan.writeStart, start);
        EXPECT_TRUE(r.sent("WRITE(10) lba=" + std::to_string(start) + " blocks=32"));
        EXPECT_TRUE(r.sent("CLOSE TRACK/SESSION immed=1 function=1 track=2"));
        EXPECT_EQ(r.drive->sessionCount(), 3);
    }
}

TEST(BurnSequence, ARunningDvdPlusRwFormatIsNotStartedAgainAndIsStoppedAtTheEnd) {
    Rig r(vdrive::profile::kDvdPlusRw);
    ASSERT_TRUE(formatUnit(r.state, {0xFFFFFFFF, scsi::kFormatDvdPlusRw, 0}));
    EXPECT_EQ(r.drive->backgroundFormat(), 2);
    r.drive->clearTrace();
    ASSERT_TRUE(r.burn(64)) << r.message;
    EXPECT_FALSE(r.sent("FORMAT UNIT"));
    EXPECT_TRUE(r.sent("CLOSE TRACK/SESSION immed=1 function=2 track=0"));
    EXPECT_EQ(r.drive->backgroundFormat(), 3);
}

// Until its session is closed a quick-formatted DVD-RW reads only in the
// drive that wrote it.
TEST(BurnSequence, AQuickFormattedDvdRwIsClosedSoOtherDrivesReadIt) {
    Rig r(vdrive::profile::kDvdRwSequential);
    ASSERT_TRUE(r.burn(64)) << r.message;
    EXPECT_TRUE(r.sent("FORMAT UNIT type=15h"));
    EXPECT_TRUE(r.sent("MODE SELECT(10) length=60 wt=0 ms=3 fp=1 ls=0 test=0"));
    EXPECT_TRUE(r.sent("CLOSE TRACK/SESSION immed=1 function=2 track=0"));
    EXPECT_EQ(r.drive->currentProfile(), vdrive::profile::kDvdRwRestricted);
    EXPECT_TRUE(r.drive->readableElsewhere());
    r.drive->clearTrace();
    // A drive that will not take the page on restricted overwrite still writes it.
    r.drive->answerWith(scsi::op::kModeSelect10, 0x5, 0x26, 0x00);
    ASSERT_TRUE(r.burn(64)) << r.message;  // closed, so written over as it is
    EXPECT_EQ(r.state.currentNotes().size(), 1u);
    EXPECT_FALSE(r.sent("FORMAT UNIT"));
    EXPECT_FALSE(r.sent("CLOSE TRACK/SESSION"));
    EXPECT_EQ(r.plan.writeStart, 0u);
    EXPECT_TRUE(r.drive->readableElsewhere());
}

TEST(WriteRetry, OnlyConditionsThatPassAreRetried) {
    struct {
        const char* name;
        void (*fault)(vdrive::VirtualDrive&);
        WriteOutcome outcome;
        int sleeps;
        std::size_t writesSent;
    } const cases[] = {
        {"busy", [](vdrive::VirtualDrive& d) { d.failBusy(3, scsi::op::kWrite10); },
         WriteOutcome::Written, 3, 4},
        {"long write in progress",
         [](vdrive::VirtualDrive& d) { d.failNotReady(4, scsi::op::kWrite10, 0x08); },
         WriteOutcome::Written, 4, 5},
        {"becoming ready",
         [](vdrive::VirtualDrive& d) { d.failNotReady(2, scsi::op::kWrite10, 0x01); },
         WriteOutcome::Written, 2, 3},
        {"recovered error",
         [](vdrive::VirtualDrive& d) { d.answerWith(scsi::op::kWrite10, 0x1, 0x17, 0x01); },
         WriteOutcome::Written, 0, 1},
        {"write error", [](vdrive::VirtualDrive& d) { d.failWriteAtSector(5); },
         WriteOutcome::Failed, 0, 1},
        {"no sense data", [](vdrive::VirtualDrive& d) { d.failWithoutSense(scsi::op::kWrite10); },
         WriteOutcome::Failed, 0, 1},
        {"not ready for good",
         [](vdrive::VirtualDrive& d) {
             d.failNotReady(kWriteRetries + 5, scsi::op::kWrite10, 0x08);
         },
         WriteOutcome::Failed, kWriteRetries, kWriteRetries + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r(vdrive::profile::kDvdRam);
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

namespace rondivo::burn {
namespace {

bool onlyQuestions(const std::vector<std::string>& trace) {
    for (const auto& line : trace) {
        const auto op = line.substr(0, line.find(' '));
        if (op != "TEST" && op != "GET" && op != "READ" && op != "MODE") return false;
    }
    return true;
}

// An image too big for the disc, as it will be written, is refused before
// anything is written, erased or formatted, with both sizes.
TEST(Capacity, AnImageThatDoesNotFitIsRefusedBeforeTheDiscIsTouched) {
    struct {
        const char* medium;
        bool used;
        std::uint32_t sectors;
        PlanOutcome outcome;
        const char* message;
    } const cases[] = {
        {"cd-r", false, 359847, PlanOutcome::Ready, ""},
        {"cd-r", false, 359848, PlanOutcome::Refused,
         "The image does not fit on the disc: the image needs 703 MB (359848 sectors), the disc "
         "holds 703 MB (359847 sectors)."},
        {"cd-rw", true, 400000, PlanOutcome::Refused,
         "The image does not fit on the disc: the image needs 781 MB, the disc holds 703 MB."},
        {"dvd-rw", false, 2298497, PlanOutcome::Refused, "the disc holds 4489 MB"},
        {"dvd+rw", false, 2295105, PlanOutcome::Refused, "the disc holds 4483 MB"},
        {"dvd-ram", false, 2236705, PlanOutcome::Refused, "the disc holds 4369 MB"},
        {"bd-re", false, 11826177, PlanOutcome::Refused, "the disc holds 23098 MB"},
        {"bd-re", false, 11826176, PlanOutcome::Ready, ""},
        {"bd-r", false, 12219393, PlanOutcome::Refused, "the disc holds 23866 MB"},
        {"dvd+r-dl", false, 2086913, PlanOutcome::Refused,
         "The image does not fit on the first layer of this double-layer disc, and this program "
         "writes one layer only: the image needs 4076 MB (2086913 sectors), the layer holds "
         "4076 MB (2086912 sectors)."},
        {"bd-r-dl", false, 12219392, PlanOutcome::Ready, ""},
        {"bd-r-dl", false, 12219393, PlanOutcome::Refused, "first layer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.medium) + " " + std::to_string(c.sectors));
        Rig r(vdrive::profile::kCdR);
        ASSERT_TRUE(r.drive->insertMediumNamed(c.medium));
        if (c.used) r.drive->finalizeMedium();
        r.state.blankFirst = c.used;
        r.drive->clearTrace();
        EXPECT_EQ(r.plan_(c.sectors), c.outcome) << r.message;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
        EXPECT_TRUE(onlyQuestions(r.trace()));
    }
}

// A disc a crash left with an open or damaged track is not written after it.
TEST(BurnPlan, ADamagedOrUnfinishedTrackIsNotWrittenAfter) {
    struct {
        std::uint16_t medium;
        bool damaged;
        PlanOutcome outcome;
        const char* message;
    } const cases[] = {
        {vdrive::profile::kCdR, false, PlanOutcome::Refused,
         "The disc in the drive has an unfinished track 1: a burn stopped after 500 sectors and "
         "left it open, so a new image would land inside it."},
        {vdrive::profile::kDvdR, true, PlanOutcome::Refused,
         "The disc in the drive has a damaged track 1 (a burn that did not finish): nothing more "
         "can be written to it safely."},
        {vdrive::profile::kDvdPlusR, false, PlanOutcome::Refused, "unfinished track 1"},
        {vdrive::profile::kCdRw, false, PlanOutcome::NeedsErasing,
         "left it open, so a new image would "
         "land inside it. Erase it first."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(vdrive::profileName(c.medium));
        Rig r(c.medium);
        r.drive->leaveTrackOpen(500, c.damaged);
        EXPECT_EQ(r.plan_(320), c.outcome);
        EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
        EXPECT_FALSE(r.burn(320));
        EXPECT_FALSE(r.sent("WRITE(10)"));
    }
}

// "Operation in progress", "long write in progress" and a reset while the
// disc is being closed are waited out: the track must not stay open.
TEST(BurnSequence, FlushAndCloseAreRepeatedWhileTheDriveSaysTheyWillPass) {
    struct {
        std::uint16_t medium;
        std::uint8_t op, key, asc, ascq;
    } const cases[] = {
        {vdrive::profile::kCdR, scsi::op::kCloseTrackSession, 0x2, 0x04, 0x07},
        {vdrive::profile::kDvdPlusR, scsi::op::kCloseTrackSession, 0x2, 0x04, 0x08},
        {vdrive::profile::kDvdR, scsi::op::kSynchronizeCache, 0x6, 0x29, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(vdrive::profileName(c.medium));
        Rig r(c.medium);
        r.state.finalize = true;
        r.drive->answerWith(c.op, c.key, c.asc, c.ascq, 3);
        ASSERT_TRUE(r.burn(320)) << r.message;
        EXPECT_EQ(r.drive->discStatus(), 2);
        EXPECT_TRUE(r.drive->readableElsewhere());
    }
}

// The speed asked for goes over the disc's own range; a drive without SET
// STREAMING takes SET CD SPEED, and one that takes neither (or refuses the
// optional time stamp) still burns, with a note.
TEST(Preparation, TheChosenSpeedIsAskedForAndARefusalIsOnlyANote) {
    struct {
        const char* medium;
        bool streaming;
        bool refuseCdSpeed;
        bool refuseTimestamp;
        const char* sent;
        std::uint16_t kbps;
        std::size_t notes;
    } const cases[] = {
        {"dvd-r", true, false, false, "SET STREAMING length=28 end=2298495 write=1408", 1408, 0},
        {"bd-r", true, false, false, "SET STREAMING length=28 end=12219391 write=1408", 1408, 0},
        {"dvd+rw", false, false, false, "SET CD SPEED read=65535 write=1408", 1408, 0},
        {"dvd-r", false, true, false, "SET CD SPEED", 22160, 1},
        {"dvd-r", true, false, true, "SEND DISC STRUCTURE", 1408, 1},
        {"cd-r", true, true, false, "SET CD SPEED", 7056, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.medium);
        Rig r(vdrive::profile::kCdR);
        ASSERT_TRUE(r.drive->insertMediumNamed(c.medium));
        r.drive->setStreamingSupported(c.streaming);
        if (c.refuseCdSpeed) r.drive->answerWith(scsi::op::kSetCdSpeed, 0x5, 0x20, 0x00);
        if (c.refuseTimestamp) r.drive->answerWith(scsi::op::kSendDiscStructure, 0x5, 0x24, 0x00);
        r.state.writeSpeed = 8;
        ASSERT_TRUE(r.burn(320)) << r.message;
        EXPECT_TRUE(r.sent(c.sent));
        EXPECT_EQ(r.drive->writeSpeedKbps(), c.kbps);
        EXPECT_EQ(r.state.currentNotes().size(), c.notes);
    }
}

// After a minimal blank a DVD-RW takes disc-at-once writing only (feature
// 0021h is no longer current): the write type is decided after erasing.
TEST(BurnPlan, AnErasedDvdRwWithoutQuickFormatIsWrittenDiscAtOnce) {
    Rig r(vdrive::profile::kDvdRwSequential);
    r.drive->finalizeMedium();
    r.drive->setQuickFormatOffered(false);
    r.state.blankFirst = true;
    ASSERT_TRUE(r.burn(320)) << r.message;
    EXPECT_TRUE(r.sent("BLANK immed=1 type=1"));
    EXPECT_TRUE(r.sent("MODE SELECT(10) length=60 wt=2"));
    EXPECT_TRUE(r.sent("RESERVE TRACK size=320"));
    EXPECT_EQ(r.drive->sectorsWritten(), 320u);
    EXPECT_TRUE(r.drive->readableElsewhere());
}

TEST(BurnSequence, ASuspendedDvdPlusRwFormatIsRestartedNotBegunAgain) {
    Rig r(vdrive::profile::kDvdPlusRw);
    r.drive->suspendBackgroundFormat();
    ASSERT_TRUE(r.burn(64)) << r.message;
    EXPECT_TRUE(r.sent("FORMAT UNIT type=26h restart=1"));
    EXPECT_EQ(r.drive->freshFormatsOverData(), 0);
    EXPECT_EQ(r.drive->backgroundFormat(), 3);
}

// The kernel unlocks the tray when the last handle to the drive closes: the
// burn keeps one handle from its first command to the end.
TEST(BurnSequence, TheTrayStaysLockedOnOneHandleUntilTheBurnEnds) {
    for (auto medium :
         {vdrive::profile::kCdR, vdrive::profile::kDvdPlusRw, vdrive::profile::kBdR}) {
        SCOPED_TRACE(vdrive::profileName(medium));
        Rig r(medium);
        auto* transport = static_cast<vdrive::VirtualDriveTransport*>(r.state.drives[0].transport);
        const int closesBefore = transport->handleCloses();
        beginExclusiveUse(r.state);
        ASSERT_TRUE(r.burnHeld(320)) << r.message;
        EXPECT_TRUE(r.lockedWhileWriting);
        EXPECT_EQ(transport->handleCloses(), closesBefore + 1);  // the one opening the burn
        endExclusiveUse(r.state);
        EXPECT_FALSE(r.drive->removalPrevented());
    }
}

// Blu-ray: BD-R is written like DVD+R (its track and session closed, or the
// disc finalized), a blank BD-RE is formatted with spare areas first, and a
// BD-R formatted for random recording is refused. A DVD+R DL within its first
// layer is finalized with minimal radius.
TEST(BurnSequence, BluRayAndDoubleLayerDiscsAreWrittenAndClosedAsTheirProfileNeeds) {
    struct {
        const char* medium;
        bool finalize;
        const char* expected;
        std::uint8_t discStatus;
    } const cases[] = {
        {"bd-r", false, "CLOSE TRACK/SESSION immed=1 function=2 track=0", 1},
        {"bd-r", true, "CLOSE TRACK/SESSION immed=1 function=6 track=0", 2},
        {"bd-re", true, "FORMAT UNIT type=30h", 2},
        {"dvd+r-dl", true, "CLOSE TRACK/SESSION immed=1 function=5 track=0", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.medium);
        Rig r(vdrive::profile::kCdR);
        ASSERT_TRUE(r.drive->insertMediumNamed(c.medium));
        r.state.finalize = c.finalize;
        ASSERT_TRUE(r.burn(320)) << r.message;
        EXPECT_TRUE(r.sent(c.expected));
        EXPECT_FALSE(r.sent("MODE SELECT"));
        EXPECT_EQ(r.drive->sectorsWritten(), 320u);
        EXPECT_EQ(r.drive->discStatus(), c.discStatus);
    }
    // One formatted without spare areas holds its whole size and is written as it is.
    Rig re(vdrive::profile::kBdRe);
    ASSERT_TRUE(formatUnit(re.state, {0, 0x31, 0}));
    re.drive->clearTrace();
    EXPECT_EQ(re.plan_(12219392), PlanOutcome::Ready) << re.message;
    ASSERT_TRUE(re.burn(320)) << re.message;
    EXPECT_FALSE(re.sent("FORMAT UNIT"));

    Rig r(vdrive::profile::kBdRRandom);
    EXPECT_EQ(r.plan_(320), PlanOutcome::Refused);
    EXPECT_EQ(r.message,
              "The disc in the drive is a BD-R formatted for random recording, which this program "
              "does not write: use a BD-R that has not been formatted.");
}

}  // namespace
}  // namespace rondivo::burn
