#include "scsi/mmc_commands.h"

#include <gtest/gtest.h>

#include <vector>

namespace rondivo::scsi {
namespace {

struct CdbCase {
    const char* name;
    CommandBlock block;
    std::uint8_t flags;
    std::uint32_t dataLength;
    std::vector<std::uint8_t> cdb;
};

TEST(CommandBuilders, ProduceTheExactCommandBytes) {
    const CdbCase cases[] = {
        {"test unit ready", makeTestUnitReady(), 0x00, 0, {0x00, 0, 0, 0, 0, 0}},
        {"format unit", makeFormatUnit(), 0x10, 12, {0x04, 0x11, 0, 0, 0, 0}},
        {"read format capacities",
         makeReadFormatCapacities(252),
         0x08,
         252,
         {0x23, 0, 0, 0, 0, 0, 0, 0, 252, 0}},
        {"blank quick immediate",
         makeBlank(true),
         0x00,
         0,
         {0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"inquiry 64", makeInquiry(64), 0x08, 64, {0x12, 0, 0, 0, 64, 0}},
        {"inquiry 32", makeInquiry(32), 0x08, 32, {0x12, 0, 0, 0, 32, 0}},
        {"load", makeStartStopUnit(false, true), 0x00, 0, {0x1B, 0, 0, 0, 3, 0}},
        {"load immediate", makeStartStopUnit(true, true), 0x00, 0, {0x1B, 1, 0, 0, 3, 0}},
        {"eject", makeStartStopUnit(false, false), 0x00, 0, {0x1B, 0, 0, 0, 2, 0}},
        {"allow removal", makePreventAllowMediumRemoval(false), 0x00, 0, {0x1E, 0, 0, 0, 0, 0}},
        {"prevent removal", makePreventAllowMediumRemoval(true), 0x00, 0, {0x1E, 0, 0, 0, 1, 0}},
        {"write 10",
         makeWrite10(0x01020304, 32),
         0x10,
         65536,
         {0x2A, 0, 0x01, 0x02, 0x03, 0x04, 0, 0x00, 0x20, 0}},
        {"sync cache", makeSynchronizeCache(false), 0x00, 0, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"sync cache immediate",
         makeSynchronizeCache(true),
         0x00,
         0,
         {0x35, 2, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"atip", makeReadAtip(), 0x08, 30, {0x43, 2, 4, 0, 0, 0, 0, 0, 30, 0}},
        {"get configuration",
         makeGetConfiguration(0, 114),
         0x08,
         114,
         {0x46, 2, 0, 0, 0, 0, 0, 0, 114, 0}},
        {"disc information",
         makeReadDiscInformation(66),
         0x08,
         66,
         {0x51, 0, 0, 0, 0, 0, 0, 0, 66, 0}},
        {"track information",
         makeReadTrackInformation(3),
         0x08,
         38,
         {0x52, 1, 0, 0, 0, 3, 0, 0, 38, 0}},
        {"reserve track",
         makeReserveTrack(0x00123456),
         0x00,
         0,
         {0x53, 0, 0, 0, 0, 0x00, 0x12, 0x34, 0x56, 0}},
        {"mode select", makeModeSelect10(60), 0x10, 60, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}},
        {"mode sense current",
         makeModeSense10(0x05, false, 512),
         0x08,
         512,
         {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0x00, 0}},
        {"mode sense default",
         makeModeSense10(0x2A, true, 128),
         0x08,
         128,
         {0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 128, 0}},
        {"close session immediate",
         makeCloseTrackSession(true, 2, 0),
         0x00,
         0,
         {0x5B, 1, 2, 0, 0, 0, 0, 0, 0, 0}},
        {"close track numbered",
         makeCloseTrackSession(false, 1, 3),
         0x00,
         0,
         {0x5B, 0, 1, 0, 0, 3, 0, 0, 0, 0}},
        {"close any track",
         makeCloseTrackSession(false, 1, kAnyTrack),
         0x00,
         0,
         {0x5B, 0, 1, 0, 0, 0xFF, 0, 0, 0, 0}},
        {"buffer capacity", makeReadBufferCapacity(), 0x08, 32, {0x5C, 0, 0, 0, 0, 0, 0, 0, 32, 0}},
        {"set streaming", makeSetStreaming(28), 0x10, 28, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}},
        {"set cd speed",
         makeSetCdSpeed(0xFFFF, 2112),
         0x00,
         0,
         {0xBB, 0, 0xFF, 0xFF, 0x08, 0x40, 0, 0, 0, 0, 0, 0}},
        {"send disc structure",
         makeSendDiscStructure(0x0F, 22),
         0x10,
         22,
         {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.block.flags, c.flags);
        EXPECT_EQ(c.block.dataLength, c.dataLength);
        ASSERT_EQ(c.block.cdbLength, c.cdb.size());
        std::vector<std::uint8_t> cdb(c.block.cdb.begin(), c.block.cdb.begin() + c.block.cdbLength);
        EXPECT_EQ(cdb, c.cdb);
        // Nothing beyond the CDB length may be set.
        for (std::size_t i = c.block.cdbLength; i < 16; ++i) EXPECT_EQ(c.block.cdb[i], 0);
        EXPECT_EQ(c.block.senseLength, 24);
    }
}

TEST(CommandBuilders, ParameterListsHaveTheirFixedBytes) {
    // Immediate, one descriptor: blocks, type in the upper six bits, parameter.
    const std::array<std::uint8_t, 12> format = {0x00, 0x82, 0x00, 0x08, 0xFF, 0xFF,
                                                 0xFF, 0xFF, 0x98, 0x00, 0x00, 0x00};
    EXPECT_EQ(formatParameterList(kFormatDvdPlusRw, 0xFFFFFFFF, 0), format);
    const std::array<std::uint8_t, 12> quick = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23,
                                                0x12, 0x80, 0x54, 0x00, 0x00, 0x10};
    EXPECT_EQ(formatParameterList(kFormatQuickRestricted, 2298496, 16), quick);

    const auto s = dvdRStreamingDescriptor();
    EXPECT_EQ(getBe32(&s[4]), 0u);
    EXPECT_EQ(getBe32(&s[8]), 2298495u);
    EXPECT_EQ(getBe32(&s[12]), 43965u);
    EXPECT_EQ(getBe32(&s[16]), 1000u);
    EXPECT_EQ(getBe32(&s[20]), 1418u);
    EXPECT_EQ(getBe32(&s[24]), 1000u);

    const auto t = timestampStructure({2026, 3, 7, 9, 5, 1});
    EXPECT_EQ(getBe16(&t[0]), 20);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(t[i], 0);
    EXPECT_EQ(std::string(t.begin() + 8, t.end()), "20260307090501");
}

TEST(SpeedFactors, ConvertBetweenFactorsAndKilobytesPerSecond) {
    EXPECT_EQ(speedFactorToKbps(0), 0xFFFF);
    EXPECT_EQ(speedFactorToKbps(1), 176);
    EXPECT_EQ(speedFactorToKbps(12), 2112);
    EXPECT_EQ(speedFactorToKbps(48), 8448);

    struct {
        std::uint16_t kbps;
        std::uint8_t factor;
    } const reads[] = {{0, 0},     {176, 1},   {177, 2},   {7056, 40},
                       {7058, 40}, {7059, 41}, {8467, 48}, {22160, 126}};
    for (const auto& r : reads) EXPECT_EQ(speedFactorFromKbps(r.kbps), r.factor) << r.kbps;
}

TEST(MediaTypes, FollowTheCurrentProfile) {
    struct {
        std::uint16_t profile;
        MediaType type;
    } const cases[] = {{0x08, MediaType::CdRom},
                       {0x09, MediaType::CdR},
                       {0x0A, MediaType::CdRw},
                       {0x10, MediaType::DvdRom},
                       {0x11, MediaType::DvdR},
                       {0x12, MediaType::DvdRam},
                       {0x13, MediaType::DvdRwRestricted},
                       {0x14, MediaType::DvdRwSequential},
                       {0x1A, MediaType::DvdPlusRw},
                       {0x1B, MediaType::DvdPlusR},
                       {0x20, MediaType::DdcdRom},
                       {0x21, MediaType::DdcdR},
                       {0x22, MediaType::DdcdRw},
                       {0x15, MediaType::DvdRDl},
                       {0x2B, MediaType::DvdPlusRDl},
                       {0x40, MediaType::BdRom},
                       {0x41, MediaType::BdR},
                       {0x42, MediaType::BdRRandom},
                       {0x43, MediaType::BdRe},
                       {0x00, MediaType::None},
                       {0x16, MediaType::None},  // DVD-R DL layer jump: not written
                       {0x51, MediaType::None}};
    for (const auto& c : cases) EXPECT_EQ(mediaTypeFromProfile(c.profile), c.type) << c.profile;

    std::array<std::uint8_t, 8> header{0, 0, 0, 4, 0, 0, 0x00, 0x1B};
    EXPECT_EQ(currentProfile(header), 0x1B);

    std::array<std::uint8_t, 30> atip{};
    EXPECT_EQ(mediaTypeFromAtip(atip), MediaType::CdRom);
    atip[6] = 0x80;
    EXPECT_EQ(mediaTypeFromAtip(atip), MediaType::CdR);
    atip[6] = 0xC0;
    EXPECT_EQ(mediaTypeFromAtip(atip), MediaType::CdRw);

    std::array<std::uint8_t, 34> disc{};
    EXPECT_EQ(mediaTypeFromDiscInformation(disc), MediaType::CdR);
    disc[2] = 0x10;
    EXPECT_EQ(mediaTypeFromDiscInformation(disc), MediaType::CdRw);
}

TEST(ModePages, FollowTheBlockDescriptorsTheHeaderNames) {
    std::array<std::uint8_t, 128> a{};
    EXPECT_FALSE(findModePage(a, 0x2A));
    a[8] = 0x2A;
    EXPECT_EQ(findModePage(a, 0x2A), 8u);
    a[16] = 0x2A;
    a[7] = 8;  // one block descriptor
    EXPECT_EQ(findModePage(a, 0x2A), 16u);
    a[16] = 0xAA;  // PS bit set: still page 2Ah
    EXPECT_EQ(findModePage(a, 0x2A), 16u);
    a[16] = 0x05;
    EXPECT_FALSE(findModePage(a, 0x2A));
    EXPECT_EQ(findModePage(a, 0x05), 16u);
    a[7] = 120;  // descriptors beyond the answer
    EXPECT_FALSE(findModePage(a, 0x05));
}

TEST(DiscInformation, CountsOnlyClosedSessions) {
    struct {
        std::uint8_t byte2;
        std::uint8_t sessions;
        std::uint16_t complete;
    } const cases[] = {
        {0x00, 1, 0},  // blank: the one session is empty
        {0x05, 1, 0},  // incomplete session on an appendable disc
        {0x0E, 1, 1},  // finalized
        {0x0D, 2, 2},  // last session complete, disc appendable
        {0x01, 3, 2},  // third session still empty
        {0x08, 2, 2},  // damaged session counts as there
    };
    for (const auto& c : cases) {
        std::array<std::uint8_t, 34> a{};
        a[2] = c.byte2;
        a[4] = c.sessions;
        const auto info = parseDiscInformation(a);
        EXPECT_EQ(completeSessions(info), c.complete) << int(c.byte2);
    }
    std::array<std::uint8_t, 34> a{};
    a[2] = 0x1D;
    a[4] = 0x02;
    a[9] = 0x01;
    a[5] = 3;
    a[6] = 4;
    const auto info = parseDiscInformation(a);
    EXPECT_TRUE(info.erasable);
    EXPECT_EQ(info.lastSessionState, 3);
    EXPECT_EQ(info.discStatus, 1);
    EXPECT_EQ(info.sessions, 0x102);
    EXPECT_EQ(info.firstTrackInLastSession, 3);
    EXPECT_EQ(info.lastTrackInLastSession, 4);
}

TEST(TrackInformation, IsReadInHostOrder) {
    std::array<std::uint8_t, 38> a{};
    putBe16(&a[0], 46);
    a[2] = 2;
    a[3] = 1;
    a[6] = 0x40;
    a[7] = 0x01;
    putBe32(&a[8], 0x11223344);
    putBe32(&a[12], 0x00010000);
    putBe32(&a[16], 359847);
    putBe32(&a[20], 16);
    putBe32(&a[24], 300000);
    putBe32(&a[28], 0xFFFFFFFF);
    const auto t = parseTrackInformation(a);
    EXPECT_EQ(t.length, 46);
    EXPECT_EQ(t.track, 2);
    EXPECT_EQ(t.session, 1);
    EXPECT_TRUE(t.blank);
    EXPECT_TRUE(t.nextWritableValid);
    EXPECT_EQ(t.trackStart, 0x11223344u);
    EXPECT_EQ(t.nextWritable, 0x10000u);
    EXPECT_EQ(t.freeBlocks, 359847u);
    EXPECT_EQ(t.fixedPacketSize, 16u);
    EXPECT_EQ(t.trackSize, 300000u);
    EXPECT_EQ(t.lastRecorded, 0xFFFFFFFFu);
}

TEST(WriteParametersPage, CarriesTheSettingsAndNeverTheTestFlag) {
    WriteSettings cdOpen;
    cdOpen.multiSession = 3;
    cdOpen.bufferUnderrunProtection = true;
    WriteSettings dao;
    dao.writeType = kWriteDiscAtOnce;
    dao.trackMode = 5;
    WriteSettings packets;
    packets.writeType = kWriteIncremental;
    packets.trackMode = 5;
    packets.multiSession = 3;
    packets.fixedPacket = true;
    packets.packetSize = 16;
    packets.linkSize = 16;
    struct Case {
        WriteSettings settings;
        std::uint8_t byte2, byte3, byte5;
        std::uint32_t packet;
    };
    const Case cases[] = {
        {WriteSettings{}, 0x01, 0x04, 0, 0},
        {cdOpen, 0x41, 0xC4, 0, 0},
        {dao, 0x02, 0x05, 0, 0},
        {packets, 0x20, 0xE5, 16, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte2));
        std::array<std::uint8_t, 512> answer{};
        answer.fill(0xEE);  // whatever the drive had in the page must go, test flag included
        putBe16(&answer[0], 66);
        putBe16(&answer[6], 8);  // and so must its block descriptor
        answer[16] = 0x05;
        answer[17] = 0x32;
        const auto length = buildWriteParameters(answer, 16, c.settings);
        ASSERT_EQ(length, 8 + 2 + 0x32);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(answer[i], 0) << i;  // reserved in MODE SELECT
        const std::uint8_t* p = &answer[8];
        EXPECT_EQ(p[0], 0x05);
        EXPECT_EQ(p[1], 0x32);
        EXPECT_EQ(p[2], c.byte2);
        EXPECT_EQ(p[3], c.byte3);
        EXPECT_EQ(p[4], 8);
        EXPECT_EQ(p[5], c.byte5);
        EXPECT_EQ(getBe32(&p[10]), c.packet);
        for (int i = 14; i < 52; ++i) EXPECT_EQ(p[i], 0) << i;
    }
}

TEST(FormatsAndFeatures, AreReadFromTheDrivesAnswers) {
    // READ FORMAT CAPACITIES: header, current capacity, then two descriptors.
    const std::vector<std::uint8_t> formats = {
        0,    0,    0,         24, 0, 0x23, 0x12, 0x80, 1,    0,    8,         0, 0, 0x23,
        0x12, 0x80, 0x10 << 2, 0,  0, 16,   0,    0x23, 0x12, 0x80, 0x15 << 2, 0, 0, 16};
    const auto f = parseFormatCapacities(formats);
    EXPECT_EQ(f.currentKind, 1);
    ASSERT_EQ(f.offered.size(), 2u);
    ASSERT_NE(f.find(kFormatQuickRestricted), nullptr);
    EXPECT_EQ(f.find(kFormatQuickRestricted)->parameter, 16u);
    EXPECT_EQ(f.find(kFormatGrowSession), nullptr);

    // GET CONFIGURATION from feature 0021h: link sizes follow the count.
    std::vector<std::uint8_t> config = {0,    0, 0, 16, 0, 0, 0,  0x11, 0, 0x21,
                                        0x05, 4, 0, 1,  0, 1, 16, 0,    0, 0};
    EXPECT_EQ(incrementalLinkSize(config), 16);
    config[15] = 0;  // no link sizes
    EXPECT_EQ(incrementalLinkSize(config), std::nullopt);
    EXPECT_EQ(incrementalLinkSize(std::vector<std::uint8_t>(8, 0)), std::nullopt);
    EXPECT_TRUE(featureIsCurrent(config, 0x21));
    config[10] = 0x04;  // listed, not current: the medium cannot be written so now
    EXPECT_FALSE(featureIsCurrent(config, 0x21));
    EXPECT_FALSE(featureIsCurrent(config, 0x1D));
}

TEST(CommandTimeouts, FitTheCommand) {
    EXPECT_EQ(commandTimeoutSeconds(makeInquiry(36)), 30u);
    EXPECT_EQ(commandTimeoutSeconds(makeTestUnitReady()), 30u);
    EXPECT_EQ(commandTimeoutSeconds(makeWrite10(0, 32)), 600u);
    EXPECT_EQ(commandTimeoutSeconds(makeSynchronizeCache(false)), 600u);
    EXPECT_EQ(commandTimeoutSeconds(makeCloseTrackSession(false, 2, 0)), 7200u);
    EXPECT_EQ(commandTimeoutSeconds(makeCloseTrackSession(true, 2, 0)), 60u);
    EXPECT_EQ(commandTimeoutSeconds(makeBlank(false)), 7200u);
    EXPECT_EQ(commandTimeoutSeconds(makeBlank(true)), 60u);
}

TEST(WriteParametersPage, RefusesAPageThatRunsOutOfTheAnswer) {
    std::array<std::uint8_t, 40> answer{};
    answer[16] = 0x05;
    answer[17] = 0x32;  // 16 + 2 + 50 > 40
    EXPECT_EQ(buildWriteParameters(answer, 16, WriteSettings{}), 0);
    EXPECT_EQ(buildWriteParameters(answer, 39, WriteSettings{}), 0);
}

}  // namespace
}  // namespace rondivo::scsi
