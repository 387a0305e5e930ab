#include "burn/drive_discovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "burn/drive_operations.h"
#include "burn/platform_transports.h"
#include "scsi/scsi_sense.h"
#include "test_support.h"
#include "vdrive/virtual_drive.h"

namespace rondivo::burn {
namespace {

// A scripted transport: each device answers INQUIRY with its own identity (or
// fails), and every other command with the status and sense it is told.
class FakeTransport final : public scsi::ScsiTransport {
  public:
    struct Device {
        scsi::DriveCandidate candidate;
        bool answersInquiry = true;
        std::uint8_t deviceType = 5;
        std::string identity = "VENDOR  PRODUCT NAME    1.23";
    };
    explicit FakeTransport(scsi::TransportKind k = scsi::TransportKind::PassThrough) : kind_(k) {}

    scsi::TransportKind kind() const override { return kind_; }
    std::vector<scsi::DriveCandidate> listDrives() override {
        std::vector<scsi::DriveCandidate> list;
        for (const auto& d : devices) list.push_back(d.candidate);
        return list;
    }
    bool execute(const std::string& device, scsi::CommandBlock& block,
                 std::uint8_t* data) override {
        ++calls;
        lastDevice = device;
        lastBlock = block;
        const Device* dev = nullptr;
        for (const auto& d : devices)
            if (d.candidate.device == device) dev = &d;
        if (block.cdb[0] == 0x12 && dev) {
            if (!dev->answersInquiry) {
                block.status = scsi::kStatusError;
                return false;
            }
            data[0] = dev->deviceType;
            std::memcpy(data + 8, dev->identity.data(),
                        std::min<std::size_t>(dev->identity.size(), 40));
            block.status = scsi::kStatusDone;
            return false;
        }
        block.status = nextStatus;
        block.targetStatus = nextTargetStatus;
        block.sense = nextSense;
        if (changedAnswers > 0) {
            --changedAnswers;
            block.status = scsi::kStatusError;
            return true;
        }
        return false;
    }
    void closeHandle() override { ++closes; }

    std::vector<Device> devices;
    std::uint8_t nextStatus = scsi::kStatusDone;
    std::uint8_t nextTargetStatus = 0;
    std::array<std::uint8_t, 32> nextSense{};
    int changedAnswers = 0;
    int calls = 0;
    int closes = 0;
    std::string lastDevice;
    scsi::CommandBlock lastBlock;

  private:
    scsi::TransportKind kind_;
};

FakeTransport::Device device(const std::string& name, bool addressed, int host = 0, int target = 0,
                             int lun = 0, char letter = 'D') {
    FakeTransport::Device d;
    d.candidate.device = name;
    d.candidate.letter = letter;
    d.candidate.hasAddress = addressed;
    d.candidate.hostAdapter = static_cast<std::uint8_t>(host);
    d.candidate.target = static_cast<std::uint8_t>(target);
    d.candidate.lun = static_cast<std::uint8_t>(lun);
    return d;
}

std::vector<std::unique_ptr<scsi::ScsiTransport>> only(std::unique_ptr<scsi::ScsiTransport> t) {
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(t));
    return list;
}

TEST(DriveDescription, UsesAddressLetterAndIdentity) {
    std::array<std::uint8_t, 64> inq{};
    std::memcpy(&inq[8], "HL-DT-STDVDRAM GH24NSD1 LG01", 28);
    EXPECT_EQ(formatDriveDescription(1, 0, 0, 'D', inq),
              "1:0:0,D: HL-DT-ST DVDRAM GH24NSD1  LG01 ");
    // Control characters show as blanks; short identities are padded by the drive.
    std::memcpy(&inq[8],
                "AB\tC\x01\x02\x03\x04"
                "X\nY             1\r2 ",
                28);
    EXPECT_EQ(formatDriveDescription(12, 3, 7, 'E', inq),
              "12:3:7,E: AB C     X Y              1 2  ");
}

TEST(Discovery, ListsAddressedDrivesThenThoseWithoutAddress) {
    auto t = std::make_unique<FakeTransport>();
    t->devices = {device("/dev/sr0", true, 2, 0, 0, 'D'), device("/dev/sr1", false, 0, 0, 0, 'E'),
                  device("/dev/sr2", true, 4, 1, 0, 'F'), device("/dev/sr3", false, 0, 0, 0, 'G')};
    t->devices[1].identity = "NOADDR  FIRST           0001";
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, only(std::move(t))));
    ASSERT_EQ(s.rowCount(), 4u);
    EXPECT_EQ(s.drives[0].device, "/dev/sr0");
    EXPECT_EQ(s.drives[1].device, "/dev/sr2");
    // Numbered on from the highest adapter found (4), in the order they were found.
    EXPECT_EQ(s.drives[2].device, "/dev/sr1");
    EXPECT_EQ(s.drives[2].hostAdapter, 5);
    EXPECT_EQ(s.drives[2].description, "5:0:0,E: NOADDR   FIRST            0001 ");
    EXPECT_EQ(s.drives[3].hostAdapter, 6);
    EXPECT_EQ(GetDriveDescription(s, 1).substr(0, 8), "4:1:0,F:");
    EXPECT_EQ(GetDriveDescription(s, 4), "");
    EXPECT_EQ(GetDriveDescription(s, -1), "");
}

TEST(Discovery, WithoutAnyAddressedDriveThePassThroughIsNotUsed) {
    auto t = std::make_unique<FakeTransport>();
    t->devices = {device("/dev/sr0", false)};
    DriveState s;
    EXPECT_FALSE(DiscoverDrives(s, only(std::move(t))));
    EXPECT_EQ(s.rowCount(), 0u);
    EXPECT_FALSE(SelectDrive(s, 0));
}

TEST(Discovery, KeepsRowsWhoseInquiryFailsButWithoutDescription) {
    auto t = std::make_unique<FakeTransport>();
    t->devices = {device("/dev/sr0", true), device("/dev/sr1", true, 1),
                  device("/dev/sr2", true, 2)};
    t->devices[0].answersInquiry = false;
    t->devices[2].deviceType = 0;  // a disk, not a CD/DVD device
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, only(std::move(t))));
    ASSERT_EQ(s.rowCount(), 3u);
    EXPECT_EQ(s.drives[0].description, "");
    EXPECT_NE(s.drives[1].description, "");
    EXPECT_EQ(s.drives[2].description, "");
}

TEST(Discovery, StopsAtTwentySixRows) {
    auto t = std::make_unique<FakeTransport>();
    for (int i = 0; i < 30; ++i)
        t->devices.push_back(device("d" + std::to_string(i), true, i / 8, i % 8));
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, only(std::move(t))));
    EXPECT_EQ(s.rowCount(), kMaxDriveRows);
}

TEST(Discovery, FallsBackToTheNextTransportAndAppendsVirtualDrives) {
    test::TempDir dir;
    auto pass = std::make_unique<FakeTransport>();
    pass->devices = {device("/dev/sr0", false)};
    auto second = std::make_unique<FakeTransport>();
    second->devices = {device("/dev/sr1", true, 3, 1, 0, '?')};
    auto virt = std::make_unique<vdrive::VirtualDriveTransport>();
    virt->add(std::make_shared<vdrive::VirtualDrive>(dir / "disc.iso", vdrive::profile::kDvdPlusR));
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(pass));
    list.push_back(std::move(second));
    list.push_back(std::move(virt));
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, std::move(list)));
    ASSERT_EQ(s.rowCount(), 2u);
    EXPECT_EQ(s.drives[0].device, "/dev/sr1");
    EXPECT_EQ(s.drives[1].description, "4:0:0,V: RONDIVO  Virtual Writer   1.00 ");
}

TEST(Discovery, AVirtualDriveAloneMakesDrivesAvailable) {
    test::TempDir dir;
    test::ScopedEnv env("RONDIVO_VIRTUAL_DRIVE", (dir / "a,b.iso").string() + ",DVD-RW");
    auto t = vdrive::VirtualDriveTransport::fromEnvironment();
    ASSERT_TRUE(t);
    ASSERT_EQ(t->drives().size(), 1u);
    EXPECT_EQ(t->drives()[0]->imageFile(), dir / "a,b.iso");
    EXPECT_EQ(t->drives()[0]->currentProfile(), vdrive::profile::kDvdRwSequential);
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, only(std::move(t))));
    EXPECT_EQ(s.rowCount(), 1u);
    EXPECT_EQ(s.drives[0].hostAdapter, 0);
}

TEST(Discovery, VirtualDriveSettingIsParsed) {
    struct {
        const char* setting;
        bool made;
        const char* path;
        std::uint16_t profile;
    } const cases[] = {
        {"/tmp/x.iso", true, "/tmp/x.iso", vdrive::profile::kCdR},
        {"/tmp/x.iso,cd-rw", true, "/tmp/x.iso", vdrive::profile::kCdRw},
        {"/tmp/x.iso,dvd+rw", true, "/tmp/x.iso", vdrive::profile::kDvdPlusRw},
        {"/tmp/x.iso, DVD-RAM", true, "/tmp/x.iso", vdrive::profile::kDvdRam},
        {"/tmp/x,y.iso", true, "/tmp/x,y.iso", vdrive::profile::kCdR},
        {"/tmp/x.iso,cd-rw,used", true, "/tmp/x.iso", vdrive::profile::kCdRw},
        {",dvd-r", false, "", 0},
        {"", false, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        auto t = vdrive::VirtualDriveTransport::fromSetting(c.setting);
        ASSERT_EQ(static_cast<bool>(t), c.made);
        if (!t) continue;
        EXPECT_EQ(t->drives()[0]->imageFile().string(), c.path);
        EXPECT_EQ(t->drives()[0]->currentProfile(), c.profile);
    }
}

struct Selected {
    DriveState state;
    FakeTransport* transport = nullptr;
    Selected() {
        auto t = std::make_unique<FakeTransport>();
        t->devices = {device("/dev/sr0", true, 1, 2, 3)};
        transport = t.get();
        DiscoverDrives(state, only(std::move(t)));
        SelectDrive(state, 0);
    }
};

TEST(ExecuteCommand, FillsTheBlockAndKeepsTheLastError) {
    Selected s;
    auto block = scsi::makeTestUnitReady();
    block.senseLength = 0;
    EXPECT_EQ(ExecuteCommand(s.state, block), scsi::kStatusDone);
    EXPECT_EQ(s.transport->lastBlock.senseLength, 24);

    s.transport->nextStatus = scsi::kStatusError;
    scsi::encodeFixedSense(s.transport->nextSense, 2, 0x3A, 0x01);
    EXPECT_EQ(ExecuteCommand(s.state, block), scsi::kStatusError);
    EXPECT_EQ(s.state.sense[12], 0x3A);
    EXPECT_FALSE(s.state.busy);
    // A later success clears the sense data but keeps the error until taken.
    s.transport->nextStatus = scsi::kStatusDone;
    s.transport->nextSense.fill(0);
    EXPECT_EQ(ExecuteCommand(s.state, block), scsi::kStatusDone);
    EXPECT_EQ(s.state.sense[12], 0);
    int engineError = 0;
    EXPECT_EQ(TakeLastError(s.state, engineError), 0x3A01);
    EXPECT_EQ(TakeLastError(s.state, engineError), 0);
    engineError = 2;
    s.state.lastError = 0x0400;
    EXPECT_EQ(TakeLastError(s.state, engineError), 2);  // the engine's code first
    EXPECT_EQ(engineError, 0);
    EXPECT_EQ(TakeLastError(s.state, engineError), 0x0400);
}

TEST(ExecuteCommand, SetsTheBusyFlagOnlyForAFailedBusyStatus) {
    Selected s;
    auto block = scsi::makeWrite10(0, 1);
    std::vector<std::uint8_t> data(2048);
    s.transport->nextStatus = scsi::kStatusError;
    s.transport->nextTargetStatus = scsi::kScsiStatusBusy;
    ExecuteCommand(s.state, block, data);
    EXPECT_TRUE(s.state.busy);
    s.transport->nextTargetStatus = scsi::kScsiStatusCheckCondition;
    ExecuteCommand(s.state, block, data);
    EXPECT_FALSE(s.state.busy);
    s.transport->nextStatus = scsi::kStatusDone;
    s.transport->nextTargetStatus = scsi::kScsiStatusBusy;
    ExecuteCommand(s.state, block, data);
    EXPECT_FALSE(s.state.busy);
}

TEST(ExecuteCommand, RetriesOnceAfterAMediumChangeWithAFreshHandle) {
    Selected s;
    auto block = scsi::makeTestUnitReady();
    s.transport->changedAnswers = 1;
    const int calls = s.transport->calls, closes = s.transport->closes;
    EXPECT_EQ(ExecuteCommand(s.state, block), scsi::kStatusDone);
    EXPECT_EQ(s.transport->calls - calls, 2);
    EXPECT_EQ(s.transport->closes - closes, 1);

    s.transport->changedAnswers = 5;  // never a second retry
    EXPECT_EQ(ExecuteCommand(s.state, block), scsi::kStatusError);
    EXPECT_EQ(s.transport->changedAnswers, 3);
}

TEST(ExecuteCommand, ClosesTheHandleAfterEachCommandWhileReleasing) {
    Selected s;
    auto block = scsi::makeTestUnitReady();
    const int closes = s.transport->closes;
    ExecuteCommand(s.state, block);
    EXPECT_EQ(s.transport->closes, closes);
    s.state.releaseHandle = true;
    ExecuteCommand(s.state, block);
    EXPECT_EQ(s.transport->closes, closes + 1);
    // Tray and lock commands release around themselves and restore the flag.
    s.state.releaseHandle = false;
    EXPECT_TRUE(allowMediumRemoval(s.state));
    EXPECT_EQ(s.transport->closes, closes + 2);
    EXPECT_FALSE(s.state.releaseHandle);
}

TEST(ExecuteCommand, RefusesDataLongerThanTheBufferAndCommandsWithoutDrive) {
    Selected s;
    auto block = scsi::makeModeSense10(0x2A, false, 1024);  // the shared buffer holds 512
    const int calls = s.transport->calls;
    EXPECT_EQ(ExecuteCommand(s.state, block), scsi::kStatusError);
    EXPECT_EQ(s.transport->calls, calls);

    DriveState none;
    auto tur = scsi::makeTestUnitReady();
    EXPECT_EQ(ExecuteCommand(none, tur), scsi::kStatusError);
}

TEST(SelectDrive, ForgetsThePreviousDrivesCapabilities) {
    test::TempDir dir;
    auto fake = std::make_unique<FakeTransport>();
    fake->devices = {device("/dev/sr0", true)};
    fake->nextStatus = scsi::kStatusError;  // answers INQUIRY only
    auto virt = std::make_unique<vdrive::VirtualDriveTransport>();
    virt->add(std::make_shared<vdrive::VirtualDrive>(dir / "d.iso", vdrive::profile::kCdR));
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(fake));
    list.push_back(std::move(virt));
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, std::move(list)));
    ASSERT_TRUE(SelectDrive(s, 1));
    EXPECT_TRUE(IsDriveRecordable(s));
    EXPECT_EQ(s.maxWriteSpeed, 40);
    ASSERT_TRUE(SelectDrive(s, 0));
    EXPECT_FALSE(IsDriveRecordable(s));
    EXPECT_EQ(s.maxWriteSpeed, 0);
    EXPECT_FALSE(SelectDrive(s, 2));
    EXPECT_EQ(s.currentRow, 0);
}

}  // namespace
}  // namespace rondivo::burn

namespace rondivo::burn {
namespace {

TEST(Discovery, TheEnvironmentAddsAVirtualWriterAfterTheRealDrives) {
    test::TempDir dir;
    test::ScopedEnv env("RONDIVO_VIRTUAL_DRIVE", (dir / "burn.img").string() + ",dvd+r");
    DriveState s;
    ASSERT_TRUE(DiscoverDrives(s, defaultTransports()));
    ASSERT_GE(s.rowCount(), 1u);
    const int last = static_cast<int>(s.rowCount()) - 1;
    EXPECT_NE(GetDriveDescription(s, last).find(",V: RONDIVO  Virtual Writer"), std::string::npos);
    ASSERT_TRUE(SelectDrive(s, last));
    EXPECT_TRUE(IsDriveRecordable(s));
    EXPECT_EQ(DetermineMediaType(s), scsi::MediaType::DvdPlusR);
    // Discovery alone writes nothing: the file appears with the first written sector.
    EXPECT_FALSE(std::filesystem::exists(dir / "burn.img"));
}

}  // namespace
}  // namespace rondivo::burn
