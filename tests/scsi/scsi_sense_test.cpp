#include "scsi/scsi_sense.h"

#include <gtest/gtest.h>

#include <vector>

namespace rondivo::scsi {
namespace {

TEST(Sense, DecodesFixedAndDescriptorFormats) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool valid;
        std::uint8_t key, asc, ascq;
    };
    std::vector<std::uint8_t> fixed(18, 0);
    fixed[0] = 0xF0;  // valid bit + current error
    fixed[2] = 0x22;  // ILI flag + NOT READY
    fixed[12] = 0x04;
    fixed[13] = 0x04;
    std::vector<std::uint8_t> deferred(18, 0);
    deferred[0] = 0x71;
    deferred[2] = 0x03;
    deferred[12] = 0x0C;
    const Case cases[] = {
        {"fixed, flags masked", fixed, true, 0x2, 0x04, 0x04},
        {"deferred", deferred, true, 0x3, 0x0C, 0x00},
        {"descriptor", {0x72, 0x06, 0x28, 0x00, 0, 0, 0, 0}, true, 0x6, 0x28, 0x00},
        {"no sense data", std::vector<std::uint8_t>(32, 0), false, 0, 0, 0},
        {"fixed but cut short", {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24}, false, 0, 0, 0},
        {"empty", {}, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto s = decodeSense(c.bytes);
        EXPECT_EQ(s.valid, c.valid);
        EXPECT_EQ(s.key, c.key);
        EXPECT_EQ(s.asc, c.asc);
        EXPECT_EQ(s.ascq, c.ascq);
    }
}

TEST(Sense, EncodedFixedSenseDecodesBack) {
    std::array<std::uint8_t, 32> buf;
    buf.fill(0xAA);
    encodeFixedSense(buf, 0x5, 0x21, 0x02);
    EXPECT_EQ(buf[0], 0x70);
    EXPECT_EQ(buf[7], 10);
    EXPECT_EQ(buf[20], 0);  // the rest is cleared
    const auto s = decodeSense(buf);
    EXPECT_EQ(s.key, 5);
    EXPECT_EQ(s.asc, 0x21);
    EXPECT_EQ(s.ascq, 0x02);
}

TEST(Sense, ClassifiesNotReadyAndMediumChange) {
    EXPECT_TRUE((SenseInfo{true, 2, 0x04, 0x07}).notReady());
    EXPECT_FALSE((SenseInfo{true, 2, 0x3A, 0x00}).notReady());
    EXPECT_TRUE((SenseInfo{true, 6, 0x28, 0x00}).mediumMayHaveChanged());
    EXPECT_FALSE((SenseInfo{true, 6, 0x29, 0x00}).mediumMayHaveChanged());
    EXPECT_FALSE((SenseInfo{true, 2, 0x28, 0x00}).mediumMayHaveChanged());
}

TEST(Sense, ProgressComesFromTheSenseKeySpecificBytes) {
    std::array<std::uint8_t, 18> buf{};
    encodeFixedSense(buf, 0x2, 0x04, 0x04);
    EXPECT_EQ(decodeSense(buf).progress, -1);  // SKSV clear: no progress given
    buf[15] = 0x80;
    buf[16] = 0x40;
    EXPECT_EQ(decodeSense(buf).progress, 0x4000);  // a quarter done
    buf[2] = 0x5;  // an illegal request's specific bytes point at a field instead
    EXPECT_EQ(decodeSense(buf).progress, -1);
}

TEST(Sense, TellsSuccessWaitingAndFailureApart) {
    struct {
        SenseInfo s;
        SenseVerdict verdict;
    } const cases[] = {
        {{true, 0x1, 0x17, 0x01}, SenseVerdict::Success},   // recovered with retries
        {{true, 0x0, 0x00, 0x16}, SenseVerdict::TryAgain},  // no sense, operation in progress
        {{true, 0x2, 0x04, 0x01}, SenseVerdict::TryAgain},
        {{true, 0x2, 0x04, 0x04}, SenseVerdict::TryAgain},
        {{true, 0x2, 0x04, 0x07}, SenseVerdict::TryAgain},
        {{true, 0x2, 0x04, 0x08}, SenseVerdict::TryAgain},
        {{true, 0x6, 0x29, 0x00}, SenseVerdict::TryAgain},
        {{true, 0x2, 0x04, 0x00}, SenseVerdict::Failed},
        {{true, 0x2, 0x04, 0x02}, SenseVerdict::Failed},
        {{true, 0x2, 0x3A, 0x00}, SenseVerdict::Failed},
        {{true, 0x3, 0x0C, 0x00}, SenseVerdict::Failed},
        {{false, 0x0, 0x00, 0x00}, SenseVerdict::Failed},  // no sense data at all
    };
    for (const auto& c : cases) EXPECT_EQ(judgeSense(c.s), c.verdict) << describeSense(c.s);
}

TEST(Sense, DescribesCommonConditions) {
    struct {
        SenseInfo s;
        const char* text;
    } const cases[] = {
        {{true, 0x2, 0x3A, 0x00}, "NOT READY: medium not present"},
        {{true, 0x2, 0x04, 0x04}, "NOT READY: format in progress"},
        {{true, 0x2, 0x04, 0x22}, "NOT READY: logical unit not ready"},
        {{true, 0x3, 0x0C, 0x00}, "MEDIUM ERROR: write error"},
        {{true, 0x5, 0x21, 0x02}, "ILLEGAL REQUEST: invalid address for write"},
        {{true, 0x5, 0x21, 0x00}, "ILLEGAL REQUEST: logical block address out of range"},
        {{true, 0x5, 0x99, 0x01}, "ILLEGAL REQUEST: ASC 99h ASCQ 01h"},
        {{false, 0x0, 0x00, 0x00}, "NO SENSE"},
        {{true, 0xE, 0x00, 0x00}, "UNKNOWN SENSE KEY"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeSense(c.s), c.text);
}

}  // namespace
}  // namespace rondivo::scsi
