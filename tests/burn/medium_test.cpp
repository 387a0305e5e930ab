#include "burn/medium.h"

#include <gtest/gtest.h>

namespace rondivo::burn {
namespace {

// Every media type code: the family that writes it (its index in Medium) and
// whether blanking makes it writable again; -1 for discs no burn writes.
TEST(Media, EachTypeBelongsToOneFamilyOrIsNotWritten) {
    struct Case {
        scsi::MediaType type;
        int family;
        bool erasable;
    } const cases[] = {
        {scsi::MediaType::None, -1, false},
        {scsi::MediaType::CdRom, -1, false},
        {scsi::MediaType::CdR, 0, false},
        {scsi::MediaType::CdRw, 0, true},
        {scsi::MediaType::DvdRom, -1, false},
        {scsi::MediaType::DvdR, 1, false},
        {scsi::MediaType::DvdRDl, 1, false},
        {scsi::MediaType::DvdPlusR, 1, false},
        {scsi::MediaType::DvdPlusRDl, 1, false},
        {scsi::MediaType::DvdRwSequential, 2, true},
        {scsi::MediaType::DvdRwRestricted, 2, false},
        {scsi::MediaType::DvdPlusRw, 2, false},
        {scsi::MediaType::DvdRam, 2, false},
        {scsi::MediaType::DdcdRom, -1, false},
        {scsi::MediaType::DdcdR, -1, false},
        {scsi::MediaType::DdcdRw, -1, false},
        {scsi::MediaType::BdRom, -1, false},
        {scsi::MediaType::BdR, 3, false},
        {scsi::MediaType::BdRRandom, -1, false},
        {scsi::MediaType::BdRe, 3, false},
    };
    for (const auto& c : cases) {
        const auto medium = writableMedium(c.type);
        const int code = static_cast<int>(c.type);
        if (c.family < 0) {
            EXPECT_FALSE(medium) << code;
            continue;
        }
        ASSERT_TRUE(medium) << code;
        EXPECT_EQ(static_cast<int>(medium->index()), c.family) << code;
        EXPECT_EQ(std::visit([](auto m) { return isErasable(m); }, *medium), c.erasable) << code;
    }
}

}  // namespace
}  // namespace rondivo::burn
