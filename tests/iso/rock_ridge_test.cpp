#include "iso/rock_ridge.h"

#include <gtest/gtest.h>

#include "iso/iso_bytes.h"
#include "iso/iso_layout.h"
#include "iso/iso_metadata.h"
#include "iso/iso_test_util.h"

namespace rondivo::iso {
namespace {

using namespace rondivo::iso::test;

SourceItem file(const std::string& name) {
    SourceItem it;
    it.name = name;
    it.path = "/nowhere/" + name;
    it.size = 1;
    it.modified = 1100000000;
    return it;
}

// Rock Ridge entries that do not fit their record go on in a continuation
// area, which a disc's later session must find at its own sector: the
// root's "." record starts with SP and continues with ER, a long name
// continues right after it in two NM entries.
TEST(IsoMetadata, RockRidgeContinuationsAreFoundInTheSession) {
    IsoImage s;
    clearImage(s);
    std::string name;
    for (int i = 0; i < 84; ++i) name += "\xE2\x9C\x93";  // 252 bytes: two NM entries
    ASSERT_NE(addFile(s, *s.root, file(name)), nullptr) << s.refusal;
    s.sessionStart = 1000;
    ASSERT_NE(computeLayout(s), 0u) << s.refusal;
    ASSERT_TRUE(emitMetadata(s));
    auto sector = [&](std::uint32_t n) { return s.metadata.data() + n * kSectorSize; };
    auto entry = [](const std::uint8_t* record, const char* signature) {
        for (std::size_t at = 33 + record[32] + (record[32] % 2 == 0); at + 4 <= record[0];
             at += record[at + 2])
            if (record[at] == signature[0] && record[at + 1] == signature[1]) return record + at;
        return static_cast<const std::uint8_t*>(nullptr);
    };
    const auto records = readDirectory(sector(s.layout.isoDirStart), s.root->isoSize, false);
    ASSERT_EQ(records.size(), 3u);
    const std::uint8_t* self = sector(s.layout.isoDirStart);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(self + 34), 2), "SP");
    const std::uint8_t* child = self + records[2].offset;
    std::uint32_t continued = 0;
    for (const std::uint8_t* record : {self, child}) {
        const std::uint8_t* ce = entry(record, "CE");
        ASSERT_NE(ce, nullptr);
        EXPECT_EQ(le32(ce + 4), 1000 + s.layout.rockRidgeStart);
        EXPECT_EQ(le32(ce + 12), continued);
        continued += le32(ce + 20);
    }
    const std::uint8_t* area = sector(s.layout.rockRidgeStart);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(area + 8), 10), "RRIP_1991A");
    const std::uint8_t* nm = area + area[2];
    std::string joined;
    for (int part = 0; part < 2; nm += nm[2], ++part) {
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(nm), 2), "NM");
        EXPECT_EQ(nm[4], part == 0 ? 1 : 0);  // CONTINUE on all but the last
        joined.append(reinterpret_cast<const char*>(nm + 5), nm[2] - 5u);
    }
    EXPECT_EQ(joined, name);
    EXPECT_EQ(s.layout.rockRidgeSectors, 1u);
}

}  // namespace
}  // namespace rondivo::iso
