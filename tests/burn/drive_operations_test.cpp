#include "burn/drive_operations.h"

#include <gtest/gtest.h>

#include "burn/drive_discovery.h"
#include "burn/engine_test_util.h"
#include "scsi/virtual_drive.h"
#include "test_support.h"

namespace rondivo::burn {
namespace {

// One virtual drive, discovered and selected, with an empty trace.
struct VirtualSetup {
    rondivo::test::TempDir dir;
    std::shared_ptr<VirtualDrive> drive;
    DriveState state;

    explicit VirtualSetup(std::uint16_t mediumProfile) {
        drive = std::make_shared<VirtualDrive>(dir / "disc.img", mediumProfile);
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
            EXPECT_EQ(ms.count(), 5000);
            ++sleeps;
        };
    }
};

TEST(VirtualDrive, SelectingReadsIdentityAndCapabilities) {
    rondivo::test::TempDir dir;
    auto drive = std::make_shared<VirtualDrive>(dir / "d.img", profile::kDvdR);
    auto t = std::make_unique<VirtualDriveTransport>();
    t->add(drive);
    std::vector<std::unique_ptr<ScsiTransport>> list;
    list.push_back(std::move(t));
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, std::move(list)));
    drive->clearTrace();
    ASSERT_TRUE(SelectDrive(s, 0));
    EXPECT_EQ(
        drive->traceText(),
        (std::vector<std::string>{"INQUIRY alloc=32", "MODE SENSE(10) page=2Ah default",
                                  "MODE SENSE(10) page=2Ah", "MODE SENSE(10) page=30h default"}));
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
        MediaType type;
    } const cases[] = {
        {profile::kCdR, kMediaCdR},           {profile::kCdRw, kMediaCdRw},
        {profile::kDvdR, kMediaDvdR},         {profile::kDvdRwSequential, kMediaDvdRwSequential},
        {profile::kDvdPlusR, kMediaDvdPlusR}, {profile::kDvdPlusRw, kMediaDvdPlusRw},
        {profile::kDvdRam, kMediaDvdRam}};
    for (const auto& c : cases) {
        VirtualSetup v(c.profile);
        EXPECT_EQ(DetermineMediaType(v.state), c.type) << profileName(c.profile);
        EXPECT_EQ(v.state.mediaType, c.type);
        EXPECT_EQ(v.trace(), (std::vector<std::string>{"GET CONFIGURATION feature=0 alloc=114"}));
    }
}

TEST(MediaTypeCascade, FallsBackToAtipThenDiscInformationThenUnitReady) {
    struct {
        std::uint16_t profile;
        int failures;
        MediaType type;
        std::size_t commands;
    } const cases[] = {
        {profile::kCdRw, 1, kMediaCdRw, 2},  // the ATIP tells CD-RW
        {profile::kCdR, 1, kMediaCdR, 2},
        {profile::kDvdPlusRw, 1, kMediaCdRw, 3},  // no ATIP: the erasable bit decides
        {profile::kDvdR, 1, kMediaCdR, 3},
        {profile::kCdR, 3, kMediaCdRom, 4},  // only TEST UNIT READY answers
        {profile::kCdR, 4, kMediaNone, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(profileName(c.profile) + " " + std::to_string(c.failures));
        VirtualSetup v(c.profile);
        v.drive->failNotReady(c.failures);
        EXPECT_EQ(DetermineMediaType(v.state), c.type);
        EXPECT_EQ(v.trace().size(), c.commands);
    }
}

TEST(WriteParameters, ReachTheDriveAsBuiltForTheMedium) {
    struct {
        std::uint16_t profile;
        std::uint8_t multiSession;
        std::uint8_t writeType, sentMultiSession;
        bool fixedPacket;
        std::uint32_t packet;
    } const cases[] = {
        {profile::kCdR, 0, 1, 0, false, 0},      {profile::kCdR, 3, 1, 3, false, 0},
        {profile::kDvdR, 0, 0, 3, true, 16},     {profile::kDvdRwSequential, 0, 2, 3, true, 16},
        {profile::kDvdPlusR, 3, 2, 3, true, 16}, {profile::kDvdPlusRw, 0, 2, 0, true, 16},
        {profile::kDvdRam, 0, 1, 0, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(profileName(c.profile));
        VirtualSetup v(c.profile);
        DetermineMediaType(v.state);
        v.drive->clearTrace();
        ASSERT_TRUE(sendWriteParameters(v.state, c.multiSession));
        EXPECT_EQ(v.trace(), (std::vector<std::string>{"MODE SENSE(10) page=05h",
                                                       "MODE SELECT(10) length=60"}));
        const auto w = v.drive->writeParameters();
        EXPECT_TRUE(w.set);
        EXPECT_EQ(w.writeType, c.writeType);
        EXPECT_EQ(w.multiSession, c.sentMultiSession);
        EXPECT_EQ(w.fixedPacket, c.fixedPacket);
        EXPECT_EQ(w.packetSize, c.packet);
        EXPECT_EQ(w.dataBlockType, 8);
        EXPECT_TRUE(w.bufferUnderrunFree);
        EXPECT_EQ(v.state.writeParameters[0], 0x05);
    }
}

TEST(CdRecording, WritesAtTheNextWritableAddressAndFinalizes) {
    VirtualSetup v(profile::kCdR);
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, 0));
    ASSERT_TRUE(readDiscInformation(v.state, 66));
    EXPECT_EQ(v.state.discInformation.discStatus, 0);
    EXPECT_EQ(completeSessions(v.state.discInformation), 0);
    ASSERT_EQ(nextWritableAddress(v.state), 0u);

    const auto first = pattern(32, 1), second = pattern(32, 2);
    ASSERT_TRUE(write10(v.state, 0, 32, first));
    EXPECT_FALSE(write10(v.state, 64, 32, second));  // leaves a gap: refused
    EXPECT_EQ(TakeLastError(v.state), 0x2102);
    ASSERT_TRUE(write10(v.state, 32, 32, second));
    ASSERT_TRUE(synchronizeCache(v.state, true));
    ASSERT_TRUE(closeTrackSession(v.state, true, kCloseSession, 0));
    EXPECT_EQ(v.drive->discStatus(), 2);
    EXPECT_FALSE(write10(v.state, 64, 32, second));  // a finalized disc takes nothing more

    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    const auto written = rondivo::test::readFile(v.dir / "disc.img");
    EXPECT_EQ(written, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(v.drive->sectorsWritten(), 64u);
}

TEST(CdRecording, LeavesTheDiscOpenForAnotherSessionWithoutFinalize) {
    VirtualSetup v(profile::kCdRw);
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, 3));
    ASSERT_TRUE(write10(v.state, 0, 32, pattern(32, 3)));
    ASSERT_TRUE(closeTrackSession(v.state, false, kCloseSession, 0));
    EXPECT_EQ(v.drive->discStatus(), 1);
    ASSERT_TRUE(readDiscInformation(v.state, 66));
    EXPECT_EQ(v.state.discInformation.sessions, 2);
    EXPECT_EQ(completeSessions(v.state.discInformation), 1);
    EXPECT_TRUE(v.state.discInformation.erasable);
    // The next session starts after the lead-out, lead-in and pre-gap.
    EXPECT_EQ(lastTrackStart(v.state), 32u + 11400u);
    EXPECT_EQ(nextWritableAddress(v.state), 32u + 11400u);
}

TEST(CdRecording, RefusesWritesBeforeTheWriteParametersAreSet) {
    VirtualSetup v(profile::kCdR);
    EXPECT_FALSE(write10(v.state, 0, 32, pattern(32, 0)));
    EXPECT_EQ(v.trace().back(), "WRITE(10) lba=0 blocks=32 -> 5/64/00");
    EXPECT_FALSE(write10(v.state, 0, 32, pattern(16, 0)));  // too little data: not even sent
}

TEST(DvdRRecording, ReservesATrackAndClosesTracksAndSession) {
    VirtualSetup v(profile::kDvdR);
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, 0));
    ASSERT_TRUE(setStreaming(v.state, dvdRStreamingDescriptor()));
    ASSERT_TRUE(sendDiscStructure(v.state, 0x0F, timestampStructure({2026, 12, 8, 21, 4, 59})));
    EXPECT_EQ(v.drive->timestamp(), "20261208210459");
    ASSERT_TRUE(reserveTrack(v.state, 64));
    ASSERT_TRUE(write10(v.state, 0, 32, pattern(32, 4)));
    EXPECT_FALSE(write10(v.state, 32, 48, pattern(48, 6)));  // runs past the reservation
    ASSERT_TRUE(write10(v.state, 32, 32, pattern(32, 5)));
    ASSERT_TRUE(readBufferCapacity(v.state));
    EXPECT_EQ(getBe32(&v.state.data[4]), 2u * 1024 * 1024);
    ASSERT_TRUE(synchronizeCache(v.state, false));
    EXPECT_TRUE(closeTrackSession(v.state, false, kCloseTrack, 1));
    EXPECT_TRUE(closeTrackSession(v.state, false, kCloseTrack, 2));
    EXPECT_TRUE(closeTrackSession(v.state, false, kCloseSession, 3));
    ASSERT_TRUE(readTrackInformation(v.state, 1));
    EXPECT_EQ(v.state.trackInformation.trackSize, 64u);
    EXPECT_EQ(v.state.trackInformation.lastRecorded, 63u);
    EXPECT_FALSE(v.state.trackInformation.nextWritableValid);
}

TEST(DvdRecording, TimestampAndStreamingAreCheckedByTheDrive) {
    VirtualSetup cd(profile::kCdR);
    EXPECT_FALSE(sendDiscStructure(cd.state, 0x0F, timestampStructure({2026, 1, 1, 0, 0, 0})));
    VirtualSetup dvd(profile::kDvdR);
    auto descriptor = dvdRStreamingDescriptor();
    putBe32(&descriptor[8], 0);
    putBe32(&descriptor[4], 10);  // ends before it starts
    EXPECT_FALSE(setStreaming(dvd.state, descriptor));
    EXPECT_EQ(TakeLastError(dvd.state), 0x2600);
}

TEST(DvdRwFormatting, IsWaitedOutWhileTheDriveReportsNotReady) {
    VirtualSetup v(profile::kDvdRwSequential);
    v.drive->setLongOperationPolls(20);
    ASSERT_TRUE(formatUnit(v.state));
    CountingSleeper sleeper;
    waitWhileFormatting(v.state, sleeper.fn());
    EXPECT_EQ(sleeper.sleeps, 21);
    EXPECT_EQ(lastAsc(v.state), 0);
    EXPECT_EQ(v.drive->currentProfile(), profile::kDvdRwRestricted);
    const auto t = v.trace();
    ASSERT_EQ(t.size(), 22u);
    EXPECT_EQ(t[0], "FORMAT UNIT fmtdata=1");
    EXPECT_EQ(t[1], "READ DISC INFORMATION alloc=42 -> 2/04/04");
    EXPECT_EQ(t[21], "READ DISC INFORMATION alloc=42");

    // Restricted overwrite takes whole 32 KiB blocks anywhere.
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, 0));
    EXPECT_TRUE(write10(v.state, 64, 32, pattern(32, 7)));
    EXPECT_FALSE(write10(v.state, 8, 16, pattern(16, 7)));
}

TEST(DriveWaits, PollUntilTheDriveIsReady) {
    VirtualSetup v(profile::kCdR);
    v.drive->setLongOperationPolls(3);
    ASSERT_TRUE(synchronizeCache(v.state, true));
    CountingSleeper a;
    waitForDrive(v.state, a.fn());
    // Three not-ready answers to READ DISC INFORMATION, then one TEST UNIT READY.
    EXPECT_EQ(a.sleeps, 4 + 1);
    EXPECT_EQ(v.trace().back(), "TEST UNIT READY");

    ASSERT_TRUE(closeTrackSession(v.state, true, kCloseSession, 0) == false);  // nothing written
    v.drive->failNotReady(2, op::kReadDiscInformation, 0x07);
    CountingSleeper b;
    waitUntilReady(v.state, b.fn());
    EXPECT_EQ(b.sleeps, 2);

    CountingSleeper c;
    waitUntilReady(v.state, c.fn());
    EXPECT_EQ(c.sleeps, 0);
}

TEST(Faults, NotReadyBusyAndWriteErrorsReachTheCaller) {
    VirtualSetup v(profile::kDvdPlusRw);
    DetermineMediaType(v.state);
    ASSERT_TRUE(sendWriteParameters(v.state, 0));
    const auto data = pattern(32, 8);

    v.drive->failNotReady(2, op::kWrite10);
    EXPECT_FALSE(write10(v.state, 0, 32, data));
    EXPECT_EQ(lastAsc(v.state), 0x04);
    EXPECT_FALSE(v.state.busy);
    EXPECT_FALSE(write10(v.state, 0, 32, data));
    EXPECT_TRUE(write10(v.state, 0, 32, data));

    v.drive->failBusy(1, op::kWrite10);
    EXPECT_TRUE(testUnitReady(v.state));  // other commands are not affected
    EXPECT_FALSE(write10(v.state, 32, 32, data));
    EXPECT_TRUE(v.state.busy);
    EXPECT_EQ(lastAsc(v.state), 0);
    EXPECT_TRUE(write10(v.state, 32, 32, data));
    EXPECT_FALSE(v.state.busy);

    v.drive->failWriteAtSector(70);
    EXPECT_FALSE(write10(v.state, 64, 32, data));
    EXPECT_EQ(v.trace().back(), "WRITE(10) lba=64 blocks=32 -> 3/0C/00");
    EXPECT_EQ(v.drive->sectorsWritten(), 64u);
    EXPECT_TRUE(write10(v.state, 96, 32, data));
}

TEST(Faults, AMediumChangeIsRetriedOnce) {
    VirtualSetup v(profile::kCdR);
    v.drive->reportMediumChange();
    EXPECT_TRUE(testUnitReady(v.state));
    EXPECT_EQ(v.trace(),
              (std::vector<std::string>{"TEST UNIT READY -> 6/28/00", "TEST UNIT READY"}));
}

TEST(Faults, DataGoingTheWrongWayIsRefused) {
    VirtualSetup v(profile::kCdR);
    auto block = makeInquiry(36);
    block.flags = kFlagEventNotify | kFlagDataOut;
    EXPECT_EQ(ExecuteCommand(v.state, block), kStatusError);
    EXPECT_EQ(v.trace().back(), "INQUIRY alloc=36 -> 5/24/00");
    CommandBlock unknown = makeTestUnitReady();
    unknown.cdb[0] = 0xA1;
    EXPECT_EQ(ExecuteCommand(v.state, unknown), kStatusError);
    EXPECT_EQ(v.trace().back(), "opcode A1h -> 5/20/00");
}

TEST(Tray, EjectHonoursTheLockAndLoadCloses) {
    VirtualSetup v(profile::kCdR);
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
    EXPECT_EQ(DetermineMediaType(v.state), kMediaNone);
    ASSERT_TRUE(loadMedium(v.state, false));
    EXPECT_TRUE(testUnitReady(v.state));
    EXPECT_FALSE(v.state.releaseHandle);
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

    VirtualSetup v(profile::kCdR);
    EXPECT_EQ(findDriveRow(v.state, (v.dir / "disc.img").string()), 0);
    EXPECT_EQ(findDriveRow(v.state, "/dev/sr0"), -1);
}

}  // namespace
}  // namespace rondivo::burn
