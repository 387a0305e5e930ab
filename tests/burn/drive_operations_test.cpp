#include "burn/drive_operations.h"

#include <gtest/gtest.h>

#include "burn/drive_discovery.h"
#include "burn/engine_test_util.h"
#include "test_support.h"
#include "vdrive/virtual_drive.h"

namespace rondivo::burn {
namespace {

// One virtual drive, discovered and selected, with an empty trace.
struct VirtualSetup {
    rondivo::test::TempDir dir;
    std::shared_ptr<vdrive::VirtualDrive> drive;
    DriveState state;

    explicit VirtualSetup(std::uint16_t mediumProfile) {
        drive = std::make_shared<vdrive::VirtualDrive>(dir / "disc.img", mediumProfile);
        test::attachVirtualDrive(state, drive);
    }
    std::vector<std::string> trace() const { return drive->traceText(); }
};

std::vector<std::uint8_t> pattern(std::size_t blocks, std::uint8_t seed) {
    std::vector<std::uint8_t> d(blocks * 2048);
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 2048);
    return d;
}

struct CountingSleeper {
    int sleeps = 0;
    Sleeper fn() {
        return [this](std::chrono::milliseconds ms) {
            EXPECT_EQ(ms.count(), 1000);
            ++sleeps;
        };
    }
};

TEST(VirtualDrive, SelectingReadsIdentityAndCapabilities) {
    rondivo::test::TempDir dir;
    auto drive = std::make_shared<vdrive::VirtualDrive>(dir / "d.img", vdrive::profile::kDvdR);
    auto t = std::make_unique<vdrive::VirtualDriveTransport>();
    t->add(drive);
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(t));
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, std::move(list)));
    drive->clearTrace();
    ASSERT_TRUE(SelectDrive(s, 0));
    EXPECT_EQ(drive->traceText(),
              (std::vector<std::string>{"INQUIRY alloc=32", "MODE SENSE(10) page=2Ah default",
                                        "MODE SENSE(10) page=2Ah"}));
    EXPECT_TRUE(IsDriveRecordable(s));
    EXPECT_EQ(GetMaxWriteSpeed(s), 126);  // 16x DVD is 22160 kB/s
    EXPECT_TRUE(s.capabilities[4] & 0x80);

    ASSERT_TRUE(setCdSpeed(s, 0, 12));
    EXPECT_EQ(drive->writeSpeedKbps(), 2112);
    EXPECT_EQ(GetCurrentWriteSpeed(s), 12);
    ASSERT_TRUE(setCdSpeed(s, 0, 0));
    EXPECT_EQ(GetCurrentWriteSpeed(s), 126);
}

TEST(MediaTypeCascade, ReadsTheProfileOfEachMedium) {
    struct {
        std::uint16_t profile;
        scsi::MediaType type;
    } const cases[] = {{vdrive::profile::kCdR, scsi::MediaType::CdR},
                       {vdrive::profile::kCdRw, scsi::MediaType::CdRw},
                       {vdrive::profile::kDvdR, scsi::MediaType::DvdR},
                       {vdrive::profile::kDvdRwSequential, scsi::MediaType::DvdRwSequential},
                       {vdrive::profile::kDvdPlusR, scsi::MediaType::DvdPlusR},
                       {vdrive::profile::kDvdPlusRw, scsi::MediaType::DvdPlusRw},
                       {vdrive::profile::kDvdRam, scsi::MediaType::DvdRam}};
    for (const auto& c : cases) {
        VirtualSetup v(c.profile);
        EXPECT_EQ(DetermineMediaType(v.state), c.type) << vdrive::profileName(c.profile);
        EXPECT_EQ(v.state.mediaType, c.type);
        EXPECT_EQ(v.trace(), (std::vector<std::string>{"GET CONFIGURATION feature=0 alloc=114"}));
    }
}

TEST(MediaTypeCascade, FallsBackToAtipThenDiscInformationThenUnitReady) {
    struct {
        std::uint16_t profile;
        int failures;
        scsi::MediaType type;
        std::size_t commands;
    } const cases[] = {
        {vdrive::profile::kCdRw, 1, scsi::MediaType::CdRw, 2},  // the ATIP tells CD-RW
        {vdrive::profile::kCdR, 1, scsi::MediaType::CdR, 2},
        {vdrive::profile::kDvdPlusRw, 1, scsi::MediaType::CdRw,
         3},  // no ATIP: the erasable bit decides
        {vdrive::profile::kDvdR, 1, scsi::MediaType::CdR, 3},
        {vdrive::profile::kCdR, 3, scsi::MediaType::CdRom, 4},  // only TEST UNIT READY answers
        {vdrive::profile::kCdR, 4, scsi::MediaType::None, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(vdrive::profileName(c.profile) + " " + std::to_string(c.failures));
        VirtualSetup v(c.profile);
        v.drive->failNotReady(c.failures);
        EXPECT_EQ(DetermineMediaType(v.state), c.type);
        EXPECT_EQ(v.trace().size(), c.commands);
    }
}

scsi::WriteSettings incremental(std::uint8_t linkSize, std::uint8_t multiSession) {
    scsi::WriteSettings w;
    w.writeType = scsi::kWriteIncremental;
    w.trackMode = 5;
    w.multiSession = multiSession;
    w.fixedPacket = true;
    w.packetSize = 16;
    w.linkSize = linkSize;
    return w;
}

scsi::WriteSettings discAtOnce(std::uint8_t multiSession = 0) {
    scsi::WriteSettings w;
    w.writeType = scsi::kWriteDiscAtOnce;
    w.trackMode = 5;
    w.multiSession = multiSession;
    return w;
}

// The drive checks the page against the medium and the write type, as real
// writers do; a refused page leaves the old one in force.
TEST(WriteParameters, TheDriveTakesOnlyPagesThatFitTheMedium) {
    scsi::WriteSettings tao;
    scsi::WriteSettings taoOpen;
    taoOpen.multiSession = 3;
    scsi::WriteSettings noLink = incremental(16, 3);
    noLink.linkSize.reset();
    struct {
        std::uint16_t profile;
        scsi::WriteSettings settings;
        bool taken;
    } const cases[] = {
        {vdrive::profile::kCdR, tao, true},
        {vdrive::profile::kCdRw, taoOpen, true},
        {vdrive::profile::kCdR, discAtOnce(), false},  // session at once needs a cue sheet
        {vdrive::profile::kDvdR, incremental(16, 3), true},
        {vdrive::profile::kDvdR, incremental(32, 3), false},  // not the link size the drive gave
        {vdrive::profile::kDvdR, noLink, false},
        {vdrive::profile::kDvdR, discAtOnce(), true},
        {vdrive::profile::kDvdR, discAtOnce(3), false},
        {vdrive::profile::kDvdRwSequential, incremental(16, 0), true},
        {vdrive::profile::kDvdPlusR, tao, false},  // DVD+R has no such page
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(vdrive::profileName(c.profile) + " write type " +
                     std::to_string(c.settings.writeType));
        VirtualSetup v(c.profile);
        v.drive->setLeftoverTestWrite();
        DetermineMediaType(v.state);
        v.drive->clearTrace();
        EXPECT_EQ(sendWriteParameters(v.state, c.settings), c.taken);
        const auto w = v.drive->writeParameters();
        EXPECT_EQ(w.set, c.taken);
        EXPECT_EQ(w.testWrite, !c.taken);  // a taken page always clears the flag
        if (!c.taken) continue;
        EXPECT_EQ(w.writeType, c.settings.writeType);
        EXPECT_EQ(w.multiSession, c.settings.multiSession);
        EXPECT_EQ(w.dataBlockType, 8);
        EXPECT_TRUE(w.bufferUnderrunFree);  // the capabilities page offers it
    }
}

TEST(CdRecording, WritesAtTheNextWritableAddressAndFinalizes) {
    VirtualSetup v(vdrive::profile::kCdR);
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, scsi::WriteSettings{}));
    ASSERT_TRUE(readDiscInformation(v.state, 66));
    EXPECT_EQ(v.state.discInformation.discStatus, 0);
    EXPECT_EQ(scsi::completeSessions(v.state.discInformation), 0);
    ASSERT_EQ(nextWritableAddress(v.state), 0u);

    const auto first = pattern(32, 1), second = pattern(32, 2);
    ASSERT_TRUE(write10(v.state, 0, 32, first));
    EXPECT_FALSE(write10(v.state, 64, 32, second));  // leaves a gap: refused
    EXPECT_EQ(TakeLastError(v.state), 0x2102);
    ASSERT_TRUE(write10(v.state, 32, 32, second));
    ASSERT_TRUE(synchronizeCache(v.state, true));
    ASSERT_TRUE(closeTrackSession(v.state, true, scsi::kCloseSession, 0));
    EXPECT_EQ(v.drive->discStatus(), 2);
    EXPECT_FALSE(write10(v.state, 64, 32, second));  // a finalized disc takes nothing more

    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    const auto written = rondivo::test::readFile(v.dir / "disc.img");
    EXPECT_EQ(written, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(v.drive->sectorsWritten(), 64u);
}

TEST(CdRecording, LeavesTheDiscOpenForAnotherSessionWithoutFinalize) {
    VirtualSetup v(vdrive::profile::kCdRw);
    DetermineMediaType(v.state);
    scsi::WriteSettings open;
    open.multiSession = 3;
    ASSERT_TRUE(sendWriteParameters(v.state, open));
    ASSERT_TRUE(write10(v.state, 0, 32, pattern(32, 3)));
    ASSERT_TRUE(closeTrackSession(v.state, false, scsi::kCloseSession, 0));
    EXPECT_EQ(v.drive->discStatus(), 1);
    ASSERT_TRUE(readDiscInformation(v.state, 66));
    EXPECT_EQ(v.state.discInformation.sessions, 2);
    EXPECT_EQ(scsi::completeSessions(v.state.discInformation), 1);
    EXPECT_TRUE(v.state.discInformation.erasable);
    // The next session starts after the lead-out, lead-in and pre-gap.
    EXPECT_EQ(nextWritableAddress(v.state), 32u + 11400u);
}

TEST(CdRecording, RefusesWritesBeforeTheWriteParametersAreSet) {
    VirtualSetup v(vdrive::profile::kCdR);
    EXPECT_FALSE(write10(v.state, 0, 32, pattern(32, 0)));
    EXPECT_EQ(v.trace().back(), "WRITE(10) lba=0 blocks=32 -> 5/64/00");
    EXPECT_FALSE(write10(v.state, 0, 32, pattern(16, 0)));  // too little data: not even sent
}

TEST(DvdRRecording, DiscAtOnceWritesIntoTheReservedTrackOnly) {
    VirtualSetup v(vdrive::profile::kDvdR);
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, discAtOnce()));
    ASSERT_TRUE(setStreaming(v.state, scsi::dvdRStreamingDescriptor()));
    ASSERT_TRUE(
        sendDiscStructure(v.state, 0x0F, scsi::timestampStructure({2026, 12, 8, 21, 4, 59})));
    EXPECT_EQ(v.drive->timestamp(), "20261208210459");
    EXPECT_FALSE(write10(v.state, 0, 32, pattern(32, 4)));  // no track reserved yet
    EXPECT_EQ(v.trace().back(), "WRITE(10) lba=0 blocks=32 -> 5/2C/00");
    ASSERT_TRUE(reserveTrack(v.state, 64));
    ASSERT_TRUE(write10(v.state, 0, 32, pattern(32, 4)));
    EXPECT_FALSE(write10(v.state, 32, 48, pattern(48, 6)));  // runs past the reservation
    ASSERT_TRUE(write10(v.state, 32, 32, pattern(32, 5)));
    ASSERT_TRUE(readBufferCapacity(v.state));
    EXPECT_EQ(scsi::getBe32(&v.state.data[4]), 2u * 1024 * 1024);
    // The full reserved track closes the disc when the cache is written.
    ASSERT_TRUE(synchronizeCache(v.state, false));
    EXPECT_EQ(v.drive->discStatus(), 2);
    ASSERT_TRUE(readTrackInformation(v.state, 1));
    EXPECT_EQ(v.state.trackInformation.trackSize, 64u);
    EXPECT_EQ(v.state.trackInformation.lastRecorded, 63u);
    EXPECT_FALSE(v.state.trackInformation.nextWritableValid);
}

TEST(DvdRecording, TimestampAndStreamingAreCheckedByTheDrive) {
    VirtualSetup cd(vdrive::profile::kCdR);
    EXPECT_FALSE(
        sendDiscStructure(cd.state, 0x0F, scsi::timestampStructure({2026, 1, 1, 0, 0, 0})));
    VirtualSetup dvd(vdrive::profile::kDvdR);
    auto descriptor = scsi::dvdRStreamingDescriptor();
    scsi::putBe32(&descriptor[8], 0);
    scsi::putBe32(&descriptor[4], 10);  // ends before it starts
    EXPECT_FALSE(setStreaming(dvd.state, descriptor));
    EXPECT_EQ(TakeLastError(dvd.state), 0x2600);
}

TEST(DvdRwFormatting, IsWaitedOutWithItsProgress) {
    VirtualSetup v(vdrive::profile::kDvdRwSequential);
    v.drive->setLongOperationPolls(20);
    scsi::FormatCapacities caps;
    ASSERT_TRUE(readFormatCapacities(v.state, caps));
    const auto* quick = caps.find(scsi::kFormatQuickRestricted);
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(caps.find(scsi::kFormatGrowSession), nullptr);  // only a restricted disc grows
    ASSERT_TRUE(formatUnit(v.state, *quick));
    std::vector<int> seen;
    const Sleeper sleep = [&](std::chrono::milliseconds) {
        seen.push_back(v.state.operationPercent);
    };
    EXPECT_EQ(waitForDrive(v.state, LongOperation::Formatting, std::chrono::minutes(1), sleep), "");
    ASSERT_EQ(seen.size(), 20u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.front(), 0);
    EXPECT_LT(seen.back(), 100);
    EXPECT_EQ(v.drive->currentProfile(), vdrive::profile::kDvdRwRestricted);
    const auto t = v.trace();
    EXPECT_EQ(t[1], "FORMAT UNIT type=15h");
    EXPECT_EQ(t[2], "TEST UNIT READY -> 2/04/04");
    EXPECT_EQ(t.back(), "TEST UNIT READY");

    // Restricted overwrite takes whole 32 KiB blocks anywhere.
    DetermineMediaType(v.state);
    EXPECT_TRUE(write10(v.state, 64, 32, pattern(32, 7)));
    EXPECT_FALSE(write10(v.state, 8, 16, pattern(16, 7)));
}

// What each answer to TEST UNIT READY makes of a wait: the sense key and
// qualifier decide, not the additional sense code alone.
TEST(DriveWaits, KeepOnOrStopByTheSense) {
    struct {
        std::uint8_t key, asc, ascq;
        int answers;
        bool ready;
        int sleeps;
    } const cases[] = {
        {0x2, 0x04, 0x01, 5, true, 5},                      // becoming ready
        {0x2, 0x04, 0x04, 5, true, 5},                      // format in progress
        {0x2, 0x04, 0x07, 5, true, 5},                      // operation in progress
        {0x2, 0x04, 0x08, 5, true, 5},                      // long write in progress
        {0x6, 0x29, 0x00, 1, true, 1},                      // reset: not the end of the wait
        {0x2, 0x04, 0x00, 3, true, 3},                      // cause not reportable, briefly
        {0x2, 0x04, 0x00, 40, false, kNotReadyGracePolls},  // ... for good
        {0x2, 0x04, 0x02, 40, false, kNotReadyGracePolls},  // initializing command required
        {0x2, 0x04, 0x03, 40, false, kNotReadyGracePolls},  // manual intervention required
        {0x2, 0x3A, 0x01, 1, false, 0},                     // no disc
        {0x3, 0x0C, 0x00, 1, false, 0},                     // anything else
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + "/" + std::to_string(c.asc) + "/" +
                     std::to_string(c.ascq));
        VirtualSetup v(vdrive::profile::kCdR);
        v.drive->answerWith(scsi::op::kTestUnitReady, c.key, c.asc, c.ascq, c.answers);
        CountingSleeper sleeper;
        const auto result =
            waitForDrive(v.state, LongOperation::None, std::chrono::minutes(5), sleeper.fn());
        EXPECT_EQ(result.empty(), c.ready) << result;
        EXPECT_EQ(sleeper.sleeps, c.sleeps);
    }
    VirtualSetup empty(vdrive::profile::kCdR);
    empty.drive->removeMedium();
    EXPECT_EQ(waitForDrive(empty.state, LongOperation::None, std::chrono::minutes(1),
                           [](std::chrono::milliseconds) {}),
              "There is no disc in the drive.");
    // A drive that never finishes is given up at the limit.
    VirtualSetup stuck(vdrive::profile::kCdR);
    stuck.drive->answerWith(scsi::op::kTestUnitReady, 0x2, 0x04, 0x07, 1000);
    CountingSleeper sleeper;
    EXPECT_NE(
        waitForDrive(stuck.state, LongOperation::Closing, std::chrono::seconds(30), sleeper.fn()),
        "");
    EXPECT_EQ(sleeper.sleeps, 30);
}

TEST(Faults, NotReadyBusyAndWriteErrorsReachTheCaller) {
    VirtualSetup v(vdrive::profile::kDvdRam);
    const auto data = pattern(32, 8);

    v.drive->failNotReady(2, scsi::op::kWrite10);
    EXPECT_FALSE(write10(v.state, 0, 32, data));
    EXPECT_EQ(lastSense(v.state).asc, 0x04);
    EXPECT_FALSE(v.state.busy);
    EXPECT_FALSE(write10(v.state, 0, 32, data));
    EXPECT_TRUE(write10(v.state, 0, 32, data));

    v.drive->failBusy(1, scsi::op::kWrite10);
    EXPECT_TRUE(testUnitReady(v.state));  // other commands are not affected
    EXPECT_FALSE(write10(v.state, 32, 32, data));
    EXPECT_TRUE(v.state.busy);
    EXPECT_EQ(lastSense(v.state).asc, 0);
    EXPECT_TRUE(write10(v.state, 32, 32, data));
    EXPECT_FALSE(v.state.busy);

    v.drive->failWriteAtSector(70);
    EXPECT_FALSE(write10(v.state, 64, 32, data));
    EXPECT_EQ(v.trace().back(), "WRITE(10) lba=64 blocks=32 -> 3/0C/00");
    EXPECT_EQ(v.drive->sectorsWritten(), 64u);
    EXPECT_TRUE(write10(v.state, 96, 32, data));
}

TEST(Faults, AMediumChangeIsRetriedOnce) {
    VirtualSetup v(vdrive::profile::kCdR);
    v.drive->reportMediumChange();
    EXPECT_TRUE(testUnitReady(v.state));
    EXPECT_EQ(v.trace(),
              (std::vector<std::string>{"TEST UNIT READY -> 6/28/00", "TEST UNIT READY"}));
}

TEST(Faults, DataGoingTheWrongWayIsRefused) {
    VirtualSetup v(vdrive::profile::kCdR);
    auto block = scsi::makeInquiry(36);
    block.flags = scsi::kFlagDataOut;
    EXPECT_EQ(ExecuteCommand(v.state, block), scsi::kStatusError);
    EXPECT_EQ(v.trace().back(), "INQUIRY alloc=36 -> 5/24/00");
    scsi::CommandBlock unknown = scsi::makeTestUnitReady();
    unknown.cdb[0] = 0xA2;
    EXPECT_EQ(ExecuteCommand(v.state, unknown), scsi::kStatusError);
    EXPECT_EQ(v.trace().back(), "opcode A2h -> 5/20/00");
}

TEST(Tray, EjectHonoursTheLockAndLoadCloses) {
    VirtualSetup v(vdrive::profile::kCdR);
    // The lock lasts as long as the handle it was set through, as in the kernel.
    ASSERT_TRUE(preventMediumRemoval(v.state));
    EXPECT_FALSE(v.drive->removalPrevented());
    v.drive->clearTrace();
    ASSERT_TRUE(beginExclusiveUse(v.state));
    ASSERT_TRUE(preventMediumRemoval(v.state));
    EXPECT_TRUE(v.drive->removalPrevented());
    EXPECT_FALSE(ejectMedium(v.state, true));
    EXPECT_EQ(TakeLastError(v.state), 0x5302);
    EXPECT_FALSE(v.drive->trayOpen());

    ASSERT_TRUE(ejectDisc(v.state));
    EXPECT_TRUE(v.drive->trayOpen());
    EXPECT_EQ(v.trace(), (std::vector<std::string>{
                             "PREVENT ALLOW MEDIUM REMOVAL prevent",
                             "START STOP UNIT immed=1 eject -> 5/53/02",
                             "SYNCHRONIZE CACHE immed=0",
                             "PREVENT ALLOW MEDIUM REMOVAL allow",
                             "START STOP UNIT immed=0 eject",
                         }));
    EXPECT_FALSE(testUnitReady(v.state));
    EXPECT_EQ(DetermineMediaType(v.state), scsi::MediaType::None);
    ASSERT_TRUE(loadMedium(v.state, false));
    EXPECT_TRUE(testUnitReady(v.state));
    EXPECT_FALSE(v.state.releaseHandle);
    endExclusiveUse(v.state);
}

TEST(PlayerEject, FindsTheDriveHoldingAFolder) {
    RONDIVO_LINUX_ONLY("a /proc/mounts table");
    const std::string mounts =
        "/dev/vda1 / ext4 rw 0 0\n"
        "/dev/sr0 /media/cdrom0 iso9660 ro 0 0\n"
        "/dev/sr1 /media/user/My\\040Disc udf ro 0 0\n"
        "tmpfs /media/cdrom0/x tmpfs rw 0 0\n";
    EXPECT_EQ(mountDeviceFor("/media/cdrom0/data/index.html", mounts), "/dev/sr0");
    EXPECT_EQ(mountDeviceFor("/media/cdrom0", mounts), "/dev/sr0");
    EXPECT_EQ(mountDeviceFor("/media/cdrom01", mounts), "/dev/vda1");
    EXPECT_EQ(mountDeviceFor("/media/user/My Disc/autorun.exe", mounts), "/dev/sr1");
    EXPECT_EQ(mountDeviceFor("/media/cdrom0/x/y", mounts), "tmpfs");
    EXPECT_EQ(mountDeviceFor("/x", ""), "");

    VirtualSetup v(vdrive::profile::kCdR);
    EXPECT_EQ(findDriveRow(v.state, (v.dir / "disc.img").string()), 0);
    EXPECT_EQ(findDriveRow(v.state, "/dev/sr0"), -1);
}

}  // namespace
}  // namespace rondivo::burn
