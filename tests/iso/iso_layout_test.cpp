#include "iso/iso_layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <sstream>

#include "iso/iso_bytes.h"
#include "iso/iso_metadata.h"
#include "iso/iso_test_util.h"
#include "test_support.h"

namespace rondivo::iso {
namespace {

using namespace rondivo::iso::test;
using rondivo::test::TempDir;
using rondivo::test::writeFile;

SourceItem item(const std::string& name, std::uint64_t size = 0, bool hidden = false) {
    SourceItem it;
    it.name = name;
    it.path = "/nowhere/" + name;
    it.size = size;
    it.hidden = hidden;
    it.modified = 1100000000;
    return it;
}

SourceItem folderItem(const std::string& name) {
    SourceItem it = item(name);
    it.directory = true;
    return it;
}

// The ISO 9660 and Joliet arithmetic alone: Rock Ridge makes records longer.
struct Built {
    Built() { s.rockRidge = false; }
    IsoImage s;
    std::uint32_t volume = 0;
    const std::uint8_t* sector(std::uint32_t n) const {
        return s.metadata.data() + n * kSectorSize;
    }
    std::vector<Record> isoDir(const ImageDir& d) const {
        return readDirectory(sector(s.layout.isoDirStart + d.isoSector), d.isoSize, false);
    }
    std::vector<Record> jolietDir(const ImageDir& d) const {
        return readDirectory(sector(s.layout.jolietDirStart + d.jolietSector), d.jolietSize, true);
    }
    void finish() {
        volume = computeLayout(s);
        ASSERT_NE(volume, 0u) << s.refusal;
        ASSERT_TRUE(emitMetadata(s));
    }
};

TEST(IsoLayout, EmptyFolderIsPaddedToSector150AndRoundedTo160) {
    TempDir dir;
    Built b;
    clearImage(b.s);
    ASSERT_NE(addFolder(b.s, "\\", dir.path(), "*.*", true), nullptr);
    b.finish();
    EXPECT_EQ(b.volume, 160u);
    EXPECT_EQ(b.s.layout.firstDataSector, 150u);
    // 16 + 3 descriptors + four one-sector path tables + two root directories.
    EXPECT_EQ(b.s.layout.paddingSectors, 150u - 25u);
    EXPECT_EQ(b.s.metadata.size(), 150u * 2048u);
}

TEST(IsoLayout, FilesWithoutExtensionGetADotInTheIsoNameOnly) {
    Built b;
    clearImage(b.s);
    ImageEntry* plain = addFile(b.s, *b.s.root, item("Makefile", 10));
    ImageEntry* short83 = addFile(b.s, *b.s.root, item("index.htm", 10));
    ImageEntry* dotted = addFile(b.s, *b.s.root, item("notes.", 10));
    ASSERT_TRUE(plain && short83 && dotted);
    EXPECT_EQ(plain->isoName, "MAKEFILE.;1");
    EXPECT_EQ(plain->jolietName, u"Makefile;1");
    EXPECT_EQ(short83->isoName, "INDEX.HTM;1");
    EXPECT_EQ(short83->jolietName, u"index.htm;1");
    EXPECT_EQ(dotted->jolietName, u"notes.;1");
    b.finish();
    auto iso = b.isoDir(*b.s.root);
    ASSERT_EQ(iso.size(), 5u);
    EXPECT_EQ(iso[2].name, "MAKEFILE.;1");
    // An odd-length identifier carries no pad byte, an even one does.
    EXPECT_EQ(iso[2].length, 33 + 11);
    EXPECT_EQ(iso[3].length, 33 + 11);
    auto joliet = b.jolietDir(*b.s.root);
    EXPECT_EQ(joliet[2].name, "Makefile;1");
    EXPECT_EQ(joliet[2].length, 34 + 20);
}

TEST(IsoLayout, ARecordThatWouldCrossASectorStartsTheNextOne) {
    Built b;
    clearImage(b.s);
    // 14-byte ISO names: records of 48 bytes, 41 fit after "." and "..".
    for (int i = 0; i < 45; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "FILE%04d.TXT", i);
        ASSERT_NE(addFile(b.s, *b.s.root, item(name, 1)), nullptr);
    }
    b.finish();
    EXPECT_EQ(b.s.root->isoSize, 4096u);
    auto iso = b.isoDir(*b.s.root);
    ASSERT_EQ(iso.size(), 47u);
    EXPECT_EQ(iso[42].offset, 68u + 40 * 48);
    EXPECT_EQ(iso[43].offset, 2048u);
    EXPECT_EQ(iso[43].name, "FILE0041.TXT;1");
    // The rest of the first sector is zeros.
    const std::uint8_t* dir = b.sector(b.s.layout.isoDirStart);
    for (std::size_t i = 68 + 41 * 48; i < 2048; ++i) EXPECT_EQ(dir[i], 0) << i;
    for (const auto& r : iso) EXPECT_EQ(r.offset / 2048, (r.offset + r.length - 1) / 2048);
    // Joliet records (34 + 2 × 14 = 62 bytes) spill elsewhere but never cross.
    auto joliet = b.jolietDir(*b.s.root);
    ASSERT_EQ(joliet.size(), 47u);
    for (const auto& r : joliet) EXPECT_EQ(r.offset / 2048, (r.offset + r.length - 1) / 2048);
    EXPECT_EQ(b.s.root->jolietSize, 4096u);
}

TEST(IsoLayout, HiddenEntriesCarryFlag1AndEmptyFilesExtent0) {
    Built b;
    clearImage(b.s);
    addFile(b.s, *b.s.root, item("empty.txt", 0));
    addFile(b.s, *b.s.root, item(".hidden", 5000, true));
    SourceItem hiddenDir = folderItem(".config");
    hiddenDir.hidden = true;
    addSubdirectory(b.s, *b.s.root, hiddenDir);
    addFile(b.s, *b.s.root, item("after.txt", 1));
    b.finish();
    std::uint32_t data = b.s.layout.firstDataSector;
    for (bool joliet : {false, true}) {
        auto recs = joliet ? b.jolietDir(*b.s.root) : b.isoDir(*b.s.root);
        ASSERT_EQ(recs.size(), 6u);
        EXPECT_EQ(recs[2].extent, 0u);
        EXPECT_EQ(recs[2].size, 0u);
        EXPECT_EQ(recs[2].flags, 0);
        EXPECT_EQ(recs[3].flags, 1);
        EXPECT_EQ(recs[3].extent, data);  // the empty file took no space
        EXPECT_EQ(recs[3].size, 5000u);
        EXPECT_EQ(recs[4].flags, 3);
        EXPECT_EQ(recs[5].extent, data + 3);
    }
    EXPECT_EQ(b.s.layout.dataSectors, 4u);
}

TEST(IsoLayout, PathTablesAreSortedWhileDirectoriesKeepCreationOrder) {
    Built b;
    clearImage(b.s);
    ImageDir* zeta = addSubdirectory(b.s, *b.s.root, folderItem("zeta"));
    ImageDir* inner = addSubdirectory(b.s, *zeta, folderItem("inner"));
    ImageDir* alpha = addSubdirectory(b.s, *b.s.root, folderItem("Alpha"));
    ImageDir* beta = addSubdirectory(b.s, *alpha, folderItem("beta"));
    ASSERT_TRUE(zeta && inner && alpha && beta);
    b.finish();
    // On the disc: creation order.
    EXPECT_LT(zeta->isoSector, inner->isoSector);
    EXPECT_LT(inner->isoSector, alpha->isoSector);
    auto rootRecords = b.isoDir(*b.s.root);
    ASSERT_EQ(rootRecords.size(), 4u);
    EXPECT_EQ(rootRecords[2].name, "ZETA");
    EXPECT_EQ(rootRecords[3].name, "ALPHA");

    const ImageLayout& l = b.s.layout;
    struct Expect {
        const char* name;
        std::uint16_t parent;
        const ImageDir* dir;
    };
    const Expect order[] = {{"\0", 1, b.s.root},
                            {"Alpha", 1, alpha},
                            {"zeta", 1, zeta},
                            {"beta", 2, beta},
                            {"inner", 3, inner}};
    for (bool joliet : {false, true}) {
        for (bool big : {false, true}) {
            std::uint32_t at = joliet ? (big ? l.jolietMTable : l.jolietLTable)
                                      : (big ? l.isoMTable : l.isoLTable);
            std::uint32_t bytes = joliet ? l.jolietPathTableBytes : l.isoPathTableBytes;
            auto table = readPathTable(b.sector(at), bytes, big, joliet);
            ASSERT_EQ(table.size(), 5u);
            for (std::size_t i = 0; i < 5; ++i) {
                std::string expected = i == 0 ? std::string(1, '\0') : order[i].name;
                if (!joliet) expected = i == 0 ? expected : std::string(order[i].dir->isoName);
                EXPECT_EQ(table[i].name, expected);
                EXPECT_EQ(table[i].parent, order[i].parent);
                std::uint32_t start = joliet ? l.jolietDirStart + order[i].dir->jolietSector
                                             : l.isoDirStart + order[i].dir->isoSector;
                EXPECT_EQ(table[i].extent, start);
            }
        }
    }
    EXPECT_EQ(l.isoPathTableBytes, 10u + (8 + 6) + (8 + 4) + (8 + 4) + (8 + 6));
    EXPECT_EQ(l.jolietPathTableBytes, 10u + (8 + 10) + (8 + 8) + (8 + 8) + (8 + 10));
}

TEST(IsoLayout, DeepTreeSettlesIntoLevelOrder) {
    Built b;
    clearImage(b.s);
    // Two chains eight deep, created one after the other.
    ImageDir* a = b.s.root;
    ImageDir* z = b.s.root;
    for (int depth = 0; depth < 8; ++depth)
        z = addSubdirectory(b.s, *z, folderItem("z" + std::to_string(depth)));
    for (int depth = 0; depth < 8; ++depth)
        a = addSubdirectory(b.s, *a, folderItem("a" + std::to_string(depth)));
    std::ostringstream log;
    orderPathTable(b.s, log);
    EXPECT_EQ(log.str(), "");
    ASSERT_EQ(b.s.pathTable.size(), 17u);
    for (std::size_t i = 1; i < b.s.pathTable.size(); ++i) {
        const ImageDir* d = b.s.pathTable[i];
        EXPECT_EQ(d->number, i + 1);
        EXPECT_LT(d->parent->number, d->number);
        // a-chain and z-chain alternate level by level.
        EXPECT_EQ(d->longName[0], i % 2 ? u'a' : u'z');
    }
}

TEST(IsoLayout, DescriptorsCarryTheLayoutAndTheCutLabel) {
    Built b;
    clearImage(b.s);
    setVolumeLabel(b.s, "My holiday pictures from the summer of 2004");
    addFile(b.s, *b.s.root, item("a.txt", 100000));
    b.s.sessionStart = 1000;
    b.finish();
    const ImageLayout& l = b.s.layout;
    const std::uint8_t* pvd = b.sector(16);
    const std::uint8_t* svd = b.sector(17);
    const std::uint8_t* term = b.sector(18);
    EXPECT_EQ(pvd[0], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 1), 5), "CD001");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 40), 32),
              "MY_HOLIDAY_PICTURES_FROM_THE_SUM");
    EXPECT_EQ(le32(pvd + 80), b.volume);
    EXPECT_EQ(be32(pvd + 84), b.volume);
    EXPECT_EQ(le16(pvd + 128), 2048);
    EXPECT_EQ(be16(pvd + 130), 2048);
    EXPECT_EQ(le32(pvd + 132), l.isoPathTableBytes);
    EXPECT_EQ(le32(pvd + 140), 1000 + l.isoLTable);
    EXPECT_EQ(be32(pvd + 148), 1000 + l.isoMTable);
    EXPECT_EQ(pvd[156], 34);
    EXPECT_EQ(le32(pvd + 156 + 2), 1000 + l.isoDirStart);
    EXPECT_EQ(pvd[156 + 25], 2);
    EXPECT_EQ(pvd[881], 1);
    // Created and modified now; expiration and effective dates not given.
    for (const std::uint8_t* d : {pvd, svd}) {
        const std::string created(reinterpret_cast<const char*>(d + 813), 16);
        EXPECT_EQ(created.find_first_not_of("0123456789"), std::string::npos) << created;
        EXPECT_EQ(created.substr(0, 4), std::to_string(imageTimeFromUnix(std::time(nullptr)).year));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 830), 16), created);
        EXPECT_EQ(static_cast<std::int8_t>(d[829]), b.s.gmtOffset);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 847), 16), std::string(16, '0'));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 864), 16), std::string(16, '0'));
        EXPECT_EQ(d[863], 0);
        EXPECT_EQ(d[880], 0);
    }

    EXPECT_EQ(svd[0], 2);
    EXPECT_EQ(svd[88], 0x25);
    EXPECT_EQ(svd[89], 0x2F);
    EXPECT_EQ(svd[90], 0x40);
    std::u16string label;
    for (int i = 0; i < 16; ++i) label.push_back(static_cast<char16_t>(be16(svd + 40 + 2 * i)));
    EXPECT_EQ(label, u"My holiday pictu");
    EXPECT_EQ(le32(svd + 156 + 2), 1000 + l.jolietDirStart);
    EXPECT_EQ(le32(svd + 140), 1000 + l.jolietLTable);

    EXPECT_EQ(term[0], 255);
    EXPECT_EQ(term[6], 1);
    // File extents count from the session start too.
    auto recs = b.isoDir(*b.s.root);
    EXPECT_EQ(recs[2].extent, 1000 + l.firstDataSector);
    EXPECT_EQ(recs[0].extent, 1000 + l.isoDirStart);
    EXPECT_EQ(recs[1].extent, 1000 + l.isoDirStart);
}

// The primary descriptor's label is d-characters, from the folder's name
// when none is set; the Joliet one stays readable. The author is told when
// the label set had to be written differently.
TEST(IsoLayout, VolumeLabelsAreDCharactersAndChangesAreNoted) {
    namespace fs = std::filesystem;
    // `listed`: Windows shows the label cut, a note in every list; `said`:
    // only made into d-characters, which the command line says.
    struct Case {
        std::string label, folder, id;
        std::u16string joliet;
        bool listed, said;
    };
    const Case cases[] = {
        {"", "My Disc 2", "MY_DISC_2", u"My Disc 2", false, false},
        {"mydisc", "Folder", "MYDISC", u"mydisc", false, false},
        {"My CD_ROM", "Folder", "MY_CD_ROM", u"My CD_ROM", false, true},
        {"\xC3\x89t\xC3\xA9 2024", "Folder", "_T__2024", u"\u00C9t\u00E9 2024", false, true},
        {"A label well past thirty-two characters", "", "A_LABEL_WELL_PAST_THIRTY_TWO_CHA",
         u"A label well pas", true, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        IsoImage s;
        clearImage(s);
        setVolumeLabel(s, c.label);
        fs::create_directories(dir / c.folder);
        addFolder(s, "\\", dir / c.folder, "*.*", true);
        ASSERT_NE(computeLayout(s), 0u) << s.refusal;
        EXPECT_EQ(volumeIdentifier(s), c.id) << c.label;
        EXPECT_TRUE(jolietVolumeIdentifier(s) == c.joliet) << c.label;
        ASSERT_EQ(s.notes.size(), c.listed ? 1u : 0u) << c.label;
        const std::string said = labelFilteringNote(s);
        EXPECT_EQ(said.empty(), !c.said) << c.label << ": " << said;
        for (const std::string& note : {c.listed ? s.notes[0] : std::string(), said}) {
            if (note.empty()) continue;
            EXPECT_NE(note.find("was written as \"" + c.id + "\""), std::string::npos) << note;
        }
    }
}

TEST(IsoLayout, LabelsAreCutToTheirFields) {
    IsoImage s;
    clearImage(s);
    setVolumeLabel(s, std::string(200, 'x'));
    EXPECT_EQ(s.label.size(), kMaxLabelBytes);
    EXPECT_EQ(s.jolietLabel.size(), kMaxLabelChars);
    // Never in the middle of a character.
    std::string accents;
    for (int i = 0; i < 60; ++i) accents += "\xc3\xa9";
    setVolumeLabel(s, accents);
    EXPECT_EQ(s.label.size(), 94u);
    setVolumeLabel(s, "");
    EXPECT_TRUE(s.label.empty());
    EXPECT_TRUE(s.jolietLabel.empty());
}

TEST(IsoLayout, WhatTheImageCannotHoldIsRefused) {
    struct Case {
        std::string name;
        std::uint64_t size;
        bool refused;
    };
    const Case cases[] = {
        {"big.bin", 0xFFFFFFFFull, false},
        {"huge.bin", 0x100000000ull, true},
        {std::string(97, 'n') + ".txt", 1, false},  // 103 characters with ";1"
        {std::string(98, 'n') + ".txt", 1, true},
    };
    for (const auto& c : cases) {
        IsoImage s;
        clearImage(s);
        ImageEntry* e = addFile(s, *s.root, item(c.name, c.size));
        EXPECT_EQ(e == nullptr, c.refused) << c.name;
        EXPECT_EQ(s.refusal.empty(), !c.refused) << c.name;
        EXPECT_EQ(computeLayout(s) == 0, c.refused) << c.name;
        EXPECT_EQ(s.layoutValid, !c.refused);
    }
}

TEST(IsoLayout, NamesDifferingOnlyInCaseAreRefusedNotDropped) {
    RONDIVO_LINUX_ONLY("two names differing only in case need a case-sensitive file system");
    TempDir dir;
    writeFile(dir / "Readme.txt", "one");
    writeFile(dir / "README.TXT", "two");
    IsoImage s;
    clearImage(s);
    addFolder(s, "\\", dir.path(), "*.*", true);
    EXPECT_NE(s.refusal.find("differ only in letter case"), std::string::npos) << s.refusal;
    EXPECT_EQ(computeLayout(s), 0u);
}

TEST(IsoLayout, AddingTheSameFolderTwiceMergesIt) {
    TempDir dir;
    writeFile(dir / "a.txt", "one");
    writeFile(dir / "sub" / "b.txt", "two");
    IsoImage s;
    clearImage(s);
    addFolder(s, "\\", dir.path(), "*.*", true);
    addFolder(s, "\\", dir.path() / "", "*.*", true);
    EXPECT_TRUE(s.refusal.empty()) << s.refusal;
    EXPECT_EQ(s.entries.size(), 3u);
    EXPECT_EQ(s.dirs.size(), 2u);
    EXPECT_EQ(addFolder(s, "\\missing", dir.path(), "*.*", true), nullptr);
    ImageDir* sub = addFolder(s, "\\SUB", dir.path(), "*.txt", false);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->children.size(), 2u);  // b.txt, and a.txt added into it
}

TEST(IsoLayout, TooManyDirectoriesAreRefused) {
    IsoImage s;
    clearImage(s);
    for (std::size_t i = 1; i < kMaxDirectories; ++i)
        ASSERT_NE(addSubdirectory(s, *s.root, folderItem("d" + std::to_string(i))), nullptr);
    EXPECT_TRUE(s.refusal.empty());
    EXPECT_EQ(addSubdirectory(s, *s.root, folderItem("one more")), nullptr);
    EXPECT_FALSE(s.refusal.empty());
}

TEST(IsoMetadata, RefusedWithoutAValidLayout) {
    IsoImage s;
    clearImage(s);
    EXPECT_FALSE(emitMetadata(s));
    EXPECT_EQ(s.errorCode, kErrorNoLayout);
    ASSERT_NE(computeLayout(s), 0u);
    addFile(s, *s.root, item("late.txt", 1));
    EXPECT_FALSE(emitMetadata(s));
}

}  // namespace
}  // namespace rondivo::iso

namespace rondivo::iso {
namespace {

// Each entry records the GMT offset in effect at its own time, so summer
// and winter files both show their true moment.
TEST(ImageTime, OffsetFollowsDaylightSavingOfTheFilesOwnDate) {
    RONDIVO_LINUX_ONLY("a POSIX TZ rule; the Windows C runtime knows no such rules");
    ImageTime summer, winter;
    {
        rondivo::test::ScopedEnv tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        summer = imageTimeFromUnix(1719835200);  // 2024-07-01 12:00 UTC
        winter = imageTimeFromUnix(1704110400);  // 2024-01-01 12:00 UTC
    }
    tzset();
    EXPECT_EQ(summer.gmtOffset, 8);
    EXPECT_EQ(summer.hour, 14);
    EXPECT_EQ(winter.gmtOffset, 4);
    EXPECT_EQ(winter.hour, 13);
    EXPECT_EQ(winter.year, 2024);
    EXPECT_EQ(winter.month, 1);
    EXPECT_EQ(winter.day, 1);
}

}  // namespace
}  // namespace rondivo::iso

namespace rondivo::iso {
namespace {

TEST(IsoFolderWalk, LinkLoopsAndPipesAreLeftOutAndListed) {
    RONDIVO_LINUX_ONLY("FIFOs and folder links");
    rondivo::test::TempDir dir;
    rondivo::test::writeFile(dir / "src" / "sub" / "a.txt", "a");
    std::filesystem::create_directory_symlink("..", dir / "src" / "sub" / "up");
    std::filesystem::create_directories(dir / "pipes");
#ifndef _WIN32
    ASSERT_EQ(mkfifo((dir / "pipes" / "fifo").c_str(), 0600), 0);
#endif
    rondivo::test::writeFile(dir / "pipes" / "b.txt", "b");

    IsoImage loop;
    clearImage(loop);
    addFolder(loop, "\\", dir / "src", "*.*", true);
    EXPECT_TRUE(loop.refusal.empty()) << loop.refusal;
    ASSERT_EQ(loop.notes.size(), 1u);
    EXPECT_NE(loop.notes[0].find("up\" leads back to a folder it is in"), std::string::npos)
        << loop.notes[0];
    EXPECT_EQ(loop.dirs.size(), 2u);  // the root and sub

    // A pipe has no contents to put on a disc; opening it would block.
    IsoImage pipes;
    clearImage(pipes);
    addFolder(pipes, "\\", dir / "pipes", "*.*", true);
    EXPECT_TRUE(pipes.refusal.empty()) << pipes.refusal;
    ASSERT_EQ(pipes.notes.size(), 1u);
    EXPECT_NE(pipes.notes[0].find("fifo\" is a FIFO: left out."), std::string::npos)
        << pipes.notes[0];
    ASSERT_EQ(pipes.root->children.size(), 1u);
    EXPECT_EQ(pipes.root->children[0]->jolietName, u"b.txt;1");
}

// A folder large enough to be looked at by two threads: every file keeps its
// own size and time, the order ignores letter case, and a broken link is
// left out and listed.
TEST(IsoFolderWalk, BigFolderKeepsEachFilesOwnDetailsInNameOrder) {
    RONDIVO_LINUX_ONLY("a broken symbolic link among the files, which Wine cannot make");
    namespace fs = std::filesystem;
    rondivo::test::TempDir dir;
    const int count = 3000;
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        // Created in a scrambled order, with alternating letter case.
        int n = (i * 1237) % count;
        std::string name = (n % 2 ? "item " : "Item ") + std::to_string(10000 + n) + ".txt";
        rondivo::test::writeFile(dir / "big" / name, std::string(static_cast<std::size_t>(n), 'x'));
        fs::last_write_time(dir / "big" / name,
                            fs::file_time_type::clock::now() - std::chrono::hours(n % 48));
    }
    for (int n = 0; n < count; ++n)
        expected.push_back((n % 2 ? "item " : "Item ") + std::to_string(10000 + n) + ".txt;1");
    fs::create_symlink("nowhere", dir / "big" / "broken link");

    IsoImage s;
    clearImage(s);
    addFolder(s, "\\", dir / "big", "*.*", true);
    EXPECT_TRUE(s.refusal.empty()) << s.refusal;
    ASSERT_EQ(s.notes.size(), 1u);
    EXPECT_NE(s.notes[0].find("broken link\" is a link to nothing"), std::string::npos);
    ASSERT_EQ(s.root->children.size(), static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        const ImageEntry& e = *s.root->children[static_cast<std::size_t>(n)];
        ASSERT_EQ(utf16ToUtf8(e.jolietName), expected[static_cast<std::size_t>(n)]);
        EXPECT_EQ(e.size, static_cast<std::uint64_t>(n)) << expected[static_cast<std::size_t>(n)];
        struct stat st {};
        ASSERT_EQ(stat(e.source.c_str(), &st), 0) << e.source;
        ImageTime t = imageTimeFromUnix(st.st_mtime);
        EXPECT_EQ(e.time.day * 24 + e.time.hour, t.day * 24 + t.hour) << e.source;
    }
}

// Given a name typed with characters Windows refuses beside the name they
// become, the typed name keeps its file (links to it must open it) and only
// the changed one gets a number, which is listed.
TEST(IsoFolderWalk, ANameAsTypedKeepsItsFileAndTheChangedOneIsNumbered) {
    RONDIVO_LINUX_ONLY("names Windows' own file systems refuse");
    struct Case {
        std::vector<std::string> names;
        std::map<std::string, std::string> want;  // image name -> source name
        std::size_t notes;
    } cases[] = {
        {{"x:a.txt", "x_a.txt"}, {{"x_a.txt;1", "x_a.txt"}, {"x_a_1.txt;1", "x:a.txt"}}, 1},
        {{"q?.txt", "q_.txt", "q_1.txt"},
         {{"q_.txt;1", "q_.txt"}, {"q__1.txt;1", "q?.txt"}, {"q_1.txt;1", "q_1.txt"}},
         1},
        {{"a;b", "a_b", "a*b"}, {{"a_b;1", "a_b"}, {"a_b_1;1", "a;b"}, {"a_b_2;1", "a*b"}}, 2},
    };
    for (const Case& c : cases) {
        rondivo::test::TempDir dir;
        for (const auto& n : c.names) writeFile(dir / n, n);
        Built b;
        clearImage(b.s);
        addFolder(b.s, "\\", dir.path(), "*.*", true);
        EXPECT_TRUE(b.s.refusal.empty()) << b.s.refusal;
        std::map<std::string, std::string> got;
        for (const ImageEntry* e : b.s.root->children)
            got[utf16ToUtf8(e->jolietName)] = std::filesystem::path(e->source).filename().string();
        EXPECT_EQ(got, c.want) << c.names[0];
        std::size_t numbered = 0;
        for (const auto& [image, source] : c.want)
            if ((image.find('_') != std::string::npos &&
                 source.find_first_of(":?;*") != std::string::npos &&
                 image.rfind("_1") != std::string::npos) ||
                image.find("_2") != std::string::npos)
                ++numbered;
        EXPECT_EQ(b.s.notes.size(), c.notes) << c.names[0];
        for (const std::string& note : b.s.notes)
            EXPECT_NE(note.find("in the image"), std::string::npos) << note;
        b.finish();
        std::set<std::string> isoNames;
        for (const Record& r : b.isoDir(*b.s.root)) isoNames.insert(r.name);
        EXPECT_EQ(isoNames.size(), c.names.size() + 2) << "every ISO 9660 name its own";
    }
}

// Given a link to a file the system makes as it is read (size 0 when
// listed), the image holds it empty: that is listed.
TEST(IsoFolderWalk, LinksToFilesWithoutASizeAreListed) {
    RONDIVO_LINUX_ONLY("/proc");
    rondivo::test::TempDir dir;
    writeFile(dir / "src" / "empty.txt", "");
    std::filesystem::create_symlink("/proc/version", dir / "src" / "version");
    IsoImage s;
    clearImage(s);
    addFolder(s, "\\", dir / "src", "*.*", true);
    EXPECT_TRUE(s.refusal.empty()) << s.refusal;
    bool listed = false;
    for (const std::string& note : s.notes) {
        EXPECT_EQ(note.find("empty.txt"), std::string::npos) << note;
        if (note.find("version\" has contents") != std::string::npos) listed = true;
    }
    EXPECT_TRUE(listed) << ::testing::PrintToString(s.notes);
}

}  // namespace
}  // namespace rondivo::iso
