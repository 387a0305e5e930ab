#include "burn/image_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "burn/disc_burner.h"
#include "burn/engine_test_util.h"
#include "burn/iso_save_command.h"
#include "iso/iso_bytes.h"
#include "iso/iso_layout.h"
#include "iso/iso_test_util.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "test_support.h"

namespace rondivo::burn {
namespace {

namespace fs = std::filesystem;
using namespace rondivo::burn::test;
using namespace rondivo::iso::test;
using rondivo::test::readFile;
using rondivo::test::TempDir;
using rondivo::test::writeFile;

// Keeps whole blocks in memory; can fail at one block or hold every write
// until released.
class MemorySink : public ImageSink {
  public:
    std::string bytes;
    int failAtBlock = -1;
    bool holdWrites = false;
    int finishCalls = 0;
    bool finishedFailed = false;

    // Above 0, files of at least this size arrive through writeRange.
    std::uint64_t ranges = 0;

    bool setup() override { return true; }
    std::uint64_t rangeMinimum() const override { return ranges; }
    bool writeBlock(const std::uint8_t* data, std::size_t n) override {
        {
            std::unique_lock lock(m_);
            cv_.wait(lock, [&] { return !holdWrites; });
        }
        if (static_cast<int>(bytes.size() / iso::kBlockBytes) == failAtBlock) return false;
        bytes.append(reinterpret_cast<const char*>(data), n);
        return true;
    }
    bool finish(bool failed) override {
        ++finishCalls;
        finishedFailed = failed;
        return true;
    }
    std::string message() const override {
        return "the medium refused block " + std::to_string(failAtBlock);
    }
    void release() {
        std::lock_guard lock(m_);
        holdWrites = false;
        cv_.notify_all();
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
};

// A file sink whose disk fills up after `allowed` writes or copies.
class FullDiskSink : public ImageFileSink {
  public:
    FullDiskSink(fs::path p, int allowed) : ImageFileSink(std::move(p)), allowed_(allowed) {}

  protected:
    long writeSome(int fd, const std::uint8_t* data, std::size_t n) override {
        if (allowed_-- <= 0) {
            errno = ENOSPC;
            return -1;
        }
        return ImageFileSink::writeSome(fd, data, n);
    }
    long copySome(int in, std::uint64_t* offset, int out, std::size_t n) override {
        if (allowed_-- <= 0) {
            errno = ENOSPC;
            return -1;
        }
        return ImageFileSink::copySome(in, offset, out, n);
    }

  private:
    int allowed_;
};

// A file sink whose kernel cannot copy between the two files (another file
// system), or whose source file is cut short just before the first copy.
class CopySink : public ImageFileSink {
  public:
    enum Mode { NoKernelCopy, SourceShrinks };
    CopySink(fs::path p, Mode mode, fs::path source = {})
        : ImageFileSink(std::move(p)), mode_(mode), source_(std::move(source)) {}

  protected:
    long copySome(int in, std::uint64_t* offset, int out, std::size_t n) override {
        if (mode_ == NoKernelCopy) {
            errno = EXDEV;
            return -1;
        }
        if (!shrunk_) {
            shrunk_ = true;
            fs::resize_file(source_, 1000);
        }
        return ImageFileSink::copySome(in, offset, out, n);
    }

  private:
    Mode mode_;
    fs::path source_;
    bool shrunk_ = false;
};

std::vector<std::string> folderNames(const fs::path& p) {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(p)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Sizes around the sector, the block and the size from which the image
// file copies files in the kernel (256 KiB), in pieces of 1 MiB.
const std::pair<const char*, std::size_t> kStreamFiles[] = {{"a_one.bin", 1},
                                                            {"b_sector.bin", 2048},
                                                            {"c_over.bin", 2049},
                                                            {"d_empty.bin", 0},
                                                            {"e_big.bin", 200000},
                                                            {"f_exact.bin", 256 * 1024},
                                                            {"g_large.bin", 3145728 + 777},
                                                            {"h_after.txt", 5},
                                                            {"i_mib.bin", 1 << 20}};

void writeStreamFiles(const fs::path& folder) {
    for (auto& [name, size] : kStreamFiles) writeFile(folder / name, pattern(size, name[0]));
}

// Every file at its extent, padded with zeros; zeros after the last file.
void expectStreamFiles(const std::string& image) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    const std::uint8_t* pvd = bytes + 16 * 2048;
    std::uint32_t rootExtent = le32(pvd + 156 + 2);
    auto records = readDirectory(bytes + rootExtent * 2048ull, le32(pvd + 156 + 10), false);
    const std::size_t count = std::size(kStreamFiles);
    ASSERT_EQ(records.size(), 2u + count);
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Record& r = records[i + 2];
        std::string expected = pattern(kStreamFiles[i].second, kStreamFiles[i].first[0]);
        ASSERT_EQ(r.size, expected.size());
        if (r.size == 0) continue;
        std::size_t at = r.extent * 2048ull;
        EXPECT_EQ(image.compare(at, r.size, expected), 0) << kStreamFiles[i].first;
        std::size_t padEnd = at + iso::sectorsFor(r.size) * 2048;
        EXPECT_EQ(image.substr(at + r.size, padEnd - at - r.size),
                  std::string(padEnd - at - r.size, '\0'))
            << "padding of " << kStreamFiles[i].first;
        end = std::max<std::uint64_t>(end, padEnd);
    }
    EXPECT_EQ(image.find_first_not_of('\0', end), std::string::npos) << "filler is zeros";
}

TEST(ImageWriter, StreamPlacesEveryFileAtItsExtentPaddedWithZeros) {
    TempDir dir;
    writeStreamFiles(dir / "src");
    CDiscBurner burner;
    burner.ClearImage();
    burner.AddFolder("\\", dir / "src", "*.*", true);
    std::uint32_t volume = burner.ComputeLayout();
    ASSERT_GT(volume, 0u);
    Completion done;
    ASSERT_EQ(burner.StartSaveImage(dir / "out.iso", done.callback()), 1) << burner.lastMessage();
    burner.waitUntilDone();
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.error, 0);
    EXPECT_NE(done.thread, std::this_thread::get_id());
    EXPECT_EQ(burner.status(), iso::kStatusIdle);
    EXPECT_EQ(burner.sectorsWritten(), volume);

    std::string image = readFile(dir / "out.iso");
    ASSERT_EQ(image.size(), volume * 2048ull);
    expectStreamFiles(image);
    // Nothing else is left in the folder.
    EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"out.iso", "src"}));
}

// Files as ranges (copied by the sink) or through the blocks: the same bytes,
// whether the kernel copies, the sink reads them itself, or every file is a range.
TEST(ImageWriter, FilesCopiedAsRangesGiveTheSameImageAsBlocks) {
    TempDir dir;
    writeStreamFiles(dir / "src");
    // One layout written again and again (its volume date is the layout's).
    // The sink belongs to the writer: a memory sink's bytes are taken before
    // the writer goes.
    iso::IsoImage session;
    iso::clearImage(session);
    iso::addFolder(session, "\\", dir / "src", "*.*", true);
    const std::uint32_t volume = iso::computeLayout(session);
    auto run = [&](std::unique_ptr<ImageSink> sink, const MemorySink* mem) {
        ImageWriter writer(session);
        Completion done;
        EXPECT_TRUE(writer.start(std::move(sink), done.callback())) << writer.message();
        writer.wait();
        EXPECT_EQ(done.error, 0) << writer.message();
        EXPECT_EQ(writer.sectorsWritten(), volume);
        return mem ? mem->bytes : std::string();
    };
    auto blocks = std::make_unique<MemorySink>();
    const MemorySink* blocksMem = blocks.get();
    std::string reference = run(std::move(blocks), blocksMem);
    expectStreamFiles(reference);

    for (std::uint64_t minimum : {std::uint64_t{1}, std::uint64_t{256 * 1024}}) {
        auto sink = std::make_unique<MemorySink>();
        sink->ranges = minimum;
        const MemorySink* mem = sink.get();
        EXPECT_TRUE(run(std::move(sink), mem) == reference) << "every file from " << minimum;
    }
    auto sink = std::make_unique<CopySink>(dir / "copied.iso", CopySink::NoKernelCopy);
    ASSERT_TRUE(sink->create());
    run(std::move(sink), nullptr);
    EXPECT_TRUE(readFile(dir / "copied.iso") == reference);
}

TEST(ImageWriter, ALargeFileThatShrinksWhileCopiedIsErrorCode2) {
    TempDir dir;
    writeFile(dir / "src" / "big.bin", pattern(3 << 20, 'z'));
    iso::IsoImage session;
    iso::clearImage(session);
    iso::addFolder(session, "\\", dir / "src", "*.*", true);
    ASSERT_GT(iso::computeLayout(session), 0u);
    ImageWriter writer(session);
    auto sink = std::make_unique<CopySink>(dir / "out" / "disc.iso", CopySink::SourceShrinks,
                                           dir / "src" / "big.bin");
    fs::create_directories(dir / "out");
    ASSERT_TRUE(sink->create());
    Completion done;
    ASSERT_TRUE(writer.start(std::move(sink), done.callback()));
    writer.wait();
    EXPECT_EQ(done.error, 1);
    EXPECT_EQ(session.errorCode, iso::kErrorSourceFile);
    EXPECT_NE(writer.message().find("became shorter"), std::string::npos) << writer.message();
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}

TEST(ImageWriter, ASmallQueueStillDeliversEveryBlockInOrder) {
    TempDir dir;
    writeFile(dir / "src" / "a.bin", pattern(3 * 1024 * 1024 + 5, 'a'));
    writeFile(dir / "src" / "b.bin", pattern(100000, 'b'));
    iso::IsoImage session;
    iso::clearImage(session);
    iso::addFolder(session, "\\", dir / "src", "*.*", true);
    std::uint32_t volume = iso::computeLayout(session);
    ASSERT_GT(volume, 0u);
    ImageWriter writer(session, 4);
    auto sink = std::make_unique<MemorySink>();
    MemorySink* mem = sink.get();
    Completion done;
    ASSERT_TRUE(writer.start(std::move(sink), done.callback())) << writer.message();
    writer.wait();
    EXPECT_EQ(done.error, 0);
    ASSERT_EQ(mem->bytes.size(), volume * 2048ull);
    EXPECT_EQ(mem->finishCalls, 1);
    EXPECT_FALSE(mem->finishedFailed);
    std::size_t first = session.layout.firstDataSector * 2048ull;
    EXPECT_EQ(mem->bytes.compare(first, 3 * 1024 * 1024 + 5, pattern(3 * 1024 * 1024 + 5, 'a')), 0);
    // The queue, the block being filled and the one being written.
    EXPECT_LE(writer.peakBlocks(), 4u + 2u);
}

TEST(ImageWriter, AWriteFailureStopsBothThreadsAndReportsOnce) {
    TempDir dir;
    writeFile(dir / "src" / "big.bin", pattern(20 * 1024 * 1024, 'x'));
    iso::IsoImage session;
    iso::clearImage(session);
    iso::addFolder(session, "\\", dir / "src", "*.*", true);
    ASSERT_GT(iso::computeLayout(session), 0u);
    ImageWriter writer(session);
    auto sink = std::make_unique<MemorySink>();
    sink->failAtBlock = 40;
    MemorySink* mem = sink.get();
    Completion done;
    ASSERT_TRUE(writer.start(std::move(sink), done.callback()));
    writer.wait();
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.error, 1);
    EXPECT_EQ(mem->bytes.size(), 40 * iso::kBlockBytes);
    EXPECT_EQ(mem->finishCalls, 1);
    EXPECT_TRUE(mem->finishedFailed);  // a disc would still close its session
    EXPECT_EQ(writer.message(), "the medium refused block 40");
    EXPECT_EQ(session.status, iso::kStatusIdle);
    EXPECT_FALSE(writer.busy());
}

TEST(ImageWriter, AFullDiskLeavesNoImageAndKeepsAnOlderOne) {
    TempDir dir;
    writeFile(dir / "src" / "big.bin", pattern(2 * 1024 * 1024, 'y'));
    writeFile(dir / "out" / "disc.iso", "an older image");
    // The disk fills while the metadata is written, or while the file is copied.
    for (int allowed : {0, 2}) {
        iso::IsoImage session;
        iso::clearImage(session);
        iso::addFolder(session, "\\", dir / "src", "*.*", true);
        ASSERT_GT(iso::computeLayout(session), 0u);
        ImageWriter writer(session);
        auto sink = std::make_unique<FullDiskSink>(dir / "out" / "disc.iso", allowed);
        ASSERT_TRUE(sink->create());
        Completion done;
        ASSERT_TRUE(writer.start(std::move(sink), done.callback()));
        writer.wait();
        EXPECT_EQ(done.error, 1) << allowed;
        EXPECT_NE(writer.message().find("No space left on device"), std::string::npos)
            << writer.message();
        EXPECT_EQ(folderNames(dir / "out"), std::vector<std::string>{"disc.iso"});
        EXPECT_EQ(readFile(dir / "out" / "disc.iso"), "an older image");
    }
}

TEST(ImageWriter, ImageFileThatCannotBeCreatedIsErrorCode3) {
    TempDir dir;
    writeFile(dir / "src" / "a.txt", "a");
    fs::create_directories(dir / "a folder.iso");
    fs::create_directories(dir / "read-only");
    std::vector<fs::path> targets = {dir / "missing" / "x.iso", dir / "a folder.iso"};
    // Permissions do not bind root.
    if (rondivo::test::permissionsBind()) {
        fs::permissions(dir / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
        targets.push_back(dir / "read-only" / "x.iso");
    }
    for (const auto& target : targets) {
        CDiscBurner burner;
        burner.AddFolder("\\", dir / "src", "*.*", true);
        ASSERT_GT(burner.ComputeLayout(), 0u);
        Completion done;
        EXPECT_EQ(burner.StartSaveImage(target, done.callback()), 0);
        EXPECT_EQ(burner.errorCode(), iso::kErrorImageFile);
        EXPECT_FALSE(burner.lastMessage().empty());
        EXPECT_EQ(done.calls, 0);
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_TRUE(fs::is_empty(dir / "a folder.iso"));
    EXPECT_TRUE(fs::is_empty(dir / "read-only"));
}

// Given partial files left by saves that were killed, the next save of that
// file removes them; one a running save is writing, and other files, stay.
TEST(ImageWriter, StalePartialFilesOfTheSameImageGoWhenTheNextSaveStarts) {
    TempDir dir;
    writeFile(dir / "src" / "a.txt", "a");
    const std::vector<std::string> stale = {".disc.iso.partial-123", ".disc.iso.partial-987654321"};
    const std::vector<std::string> kept = {".disc.iso.partial-12x", ".other.iso.partial-5",
                                           "disc.iso.partial-7", ".disc.iso.partial-"};
    for (const auto& n : stale) writeFile(dir / n, "killed");
    for (const auto& n : kept) writeFile(dir / n, "not ours");
    writeFile(dir / ".disc.iso.partial-555", "being written");
    const int running = rondivo::platform::openForReading(dir / ".disc.iso.partial-555");
    ASSERT_GE(running, 0);
    ASSERT_TRUE(rondivo::platform::markInUse(running));

    CDiscBurner burner;
    burner.AddFolder("\\", dir / "src", "*.*", true);
    ASSERT_GT(burner.ComputeLayout(), 0u);
    Completion done;
    ASSERT_EQ(burner.StartSaveImage(dir / "disc.iso", done.callback()), 1);
    burner.waitUntilDone();
    EXPECT_TRUE(fs::exists(dir / "disc.iso"));
    for (const auto& n : stale) EXPECT_FALSE(fs::exists(dir / n)) << n;
    for (const auto& n : kept) EXPECT_TRUE(fs::exists(dir / n)) << n;
#ifndef _WIN32
    EXPECT_TRUE(fs::exists(dir / ".disc.iso.partial-555")) << "a running save keeps its file";
#endif
    rondivo::platform::closeFile(running);
}

TEST(ImageWriter, StartWithoutLayoutIsRefusedWithErrorCode1) {
    TempDir dir;
    CDiscBurner burner;
    burner.AddFolder("\\", dir.path(), "*.*", true);
    Completion done;
    EXPECT_EQ(burner.StartSaveImage(dir / "x.iso", done.callback()), 0);
    EXPECT_EQ(burner.errorCode(), iso::kErrorNoLayout);
    EXPECT_FALSE(fs::exists(dir / "x.iso"));
}

TEST(ImageWriter, MissingSourceFileIsErrorCode2BeforeOrAfterTheStart) {
    TempDir dir;
    // Sorted: the parts come first, so the missing one lies beyond what the
    // queue holds before the writer starts. Parts below 256 KiB pass through
    // the queue's blocks.
    for (int i = 0; i < 40; ++i)
        writeFile(dir / "src" / ("a_part" + std::to_string(100 + i) + ".bin"),
                  pattern(240 * 1024, 'b'));
    writeFile(dir / "src" / "b_gone.txt", "gone");
    writeFile(dir / "early" / "gone.txt", "gone");

    {
        CDiscBurner burner;
        burner.AddFolder("\\", dir / "early", "*.*", true);
        ASSERT_GT(burner.ComputeLayout(), 0u);
        fs::remove(dir / "early" / "gone.txt");
        Completion done;
        EXPECT_EQ(burner.StartSaveImage(dir / "early.iso", done.callback()), 0);
        EXPECT_EQ(burner.errorCode(), iso::kErrorSourceFile);
        EXPECT_NE(burner.lastMessage().find("gone.txt"), std::string::npos) << burner.lastMessage();
        EXPECT_EQ(done.calls, 0);
    }
    {
        CDiscBurner burner;
        burner.AddFolder("\\", dir / "src", "*.*", true);
        ASSERT_GT(burner.ComputeLayout(), 0u);
        fs::remove(dir / "src" / "b_gone.txt");
        Completion done;
        ASSERT_EQ(burner.StartSaveImage(dir / "late.iso", done.callback()), 1);
        burner.waitUntilDone();
        EXPECT_EQ(done.calls, 1);
        EXPECT_EQ(done.error, 1);
        EXPECT_EQ(burner.errorCode(), iso::kErrorSourceFile);
    }
    EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"early", "src"}));
}

TEST(ImageWriter, FileThatShrankAfterTheLayoutIsAnError) {
    TempDir dir;
    writeFile(dir / "src" / "a.txt", std::string(10000, 'a'));
    CDiscBurner burner;
    burner.AddFolder("\\", dir / "src", "*.*", true);
    ASSERT_GT(burner.ComputeLayout(), 0u);
    writeFile(dir / "src" / "a.txt", "short");
    Completion done;
    EXPECT_EQ(burner.StartSaveImage(dir / "x.iso", done.callback()), 0);
    EXPECT_EQ(burner.errorCode(), iso::kErrorSourceFile);
    EXPECT_NE(burner.lastMessage().find("shorter"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.iso"));
}

// The image keeps the bytes the layout made room for, whether the file goes
// through blocks (small) or is copied as a range (large), and says so.
TEST(ImageWriter, FilesThatGrewAfterTheLayoutKeepTheirSizeAndAreNoted) {
    TempDir dir;
    const std::pair<std::string, std::string> files[] = {{"a_small.bin", pattern(5000, 's')},
                                                         {"b_large.bin", pattern(300000, 'l')}};
    for (const auto& [name, bytes] : files) writeFile(dir / "src" / name, bytes);
    CDiscBurner burner;
    burner.ClearImage();
    burner.AddFolder("\\", dir / "src", "*.*", true);
    const std::uint32_t volume = burner.ComputeLayout();
    ASSERT_GT(volume, 0u);
    for (const auto& [name, bytes] : files)
        std::ofstream(dir / "src" / name, std::ios::app) << std::string(70000, 'X');
    Completion done;
    ASSERT_EQ(burner.StartSaveImage(dir / "out.iso", done.callback()), 1) << burner.lastMessage();
    burner.waitUntilDone();
    EXPECT_EQ(done.error, 0) << burner.lastMessage();

    const std::string image = readFile(dir / "out.iso");
    ASSERT_EQ(image.size(), volume * 2048ull);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    const std::uint8_t* pvd = bytes + 16 * 2048;
    auto records =
        readDirectory(bytes + le32(pvd + 156 + 2) * 2048ull, le32(pvd + 156 + 10), false);
    ASSERT_EQ(records.size(), 4u);
    const std::vector<std::string> notes = burner.notes();
    ASSERT_EQ(notes.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& expected = files[i].second;
        const Record& r = records[i + 2];
        ASSERT_EQ(r.size, expected.size());
        const std::size_t at = r.extent * 2048ull;
        EXPECT_EQ(image.compare(at, r.size, expected), 0) << files[i].first;
        const std::size_t pad = iso::sectorsFor(r.size) * 2048 - r.size;
        EXPECT_EQ(image.substr(at + r.size, pad), std::string(pad, '\0')) << files[i].first;
        EXPECT_NE(notes[i].find(files[i].first +
                                "\" became longer while the image was written; "
                                "only its first " +
                                std::to_string(expected.size()) + " bytes"),
                  std::string::npos)
            << notes[i];
    }
}

TEST(ImageWriter, ASecondStartWhileBusyIsRefused) {
    TempDir dir;
    writeFile(dir / "src" / "a.txt", "a");
    CDiscBurner burner;
    burner.AddFolder("\\", dir / "src", "*.*", true);
    ASSERT_GT(burner.ComputeLayout(), 0u);
    auto sink = std::make_unique<MemorySink>();
    sink->holdWrites = true;
    MemorySink* mem = sink.get();
    Completion first, second;
    ASSERT_EQ(burner.startWriting(std::move(sink), 0, first.callback()), 1);
    EXPECT_TRUE(burner.isBusy());
    EXPECT_EQ(burner.StartSaveImage(dir / "x.iso", second.callback()), 0);
    EXPECT_NE(burner.lastMessage().find("already"), std::string::npos);
    burner.ClearImage();  // refused: the producer may still read the tree
    EXPECT_EQ(burner.session().entries.size(), 1u);
    mem->release();
    burner.waitUntilDone();
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.error, 0);
    EXPECT_EQ(second.calls, 0);
    EXPECT_FALSE(fs::exists(dir / "x.iso"));
    // Free again: the next start works.
    ASSERT_EQ(burner.ComputeLayout() > 0, true);
    ASSERT_EQ(burner.StartSaveImage(dir / "x.iso", second.callback()), 1);
    burner.waitUntilDone();
    EXPECT_EQ(second.error, 0);
    EXPECT_TRUE(fs::exists(dir / "x.iso"));
}

TEST(ImageWriter, ProducerPriorityFollowsTheQueue) {
    struct Case {
        std::size_t queued;
        int expected;
    };
    const Case cases[] = {{0, kPriorityHighest}, {31, kPriorityHighest}, {32, kPriorityNormal},
                          {63, kPriorityNormal}, {64, kPriorityLowest},  {127, kPriorityLowest}};
    for (const auto& c : cases) {
        for (int current : {kPriorityUnset, kPriorityHighest, kPriorityNormal, kPriorityLowest})
            EXPECT_EQ(nextProducerPriority(c.queued, 128, current), c.expected) << c.queued;
    }
}

TEST(IsoSaveCommand, SavesAFolderAndReportsProgress) {
    TempDir dir;
    writeFile(dir / "src" / "index.html", "<p>hello</p>");
    std::ostringstream out, err;
    ASSERT_EQ(saveIsoCommand(dir / "src", dir / "disc.iso", "Label", out, err, true), 0)
        << err.str();
    EXPECT_NE(err.str().find("100%"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("160 sectors"), std::string::npos) << out.str();
    EXPECT_EQ(fs::file_size(dir / "disc.iso"), 160u * 2048u);
    std::string image = readFile(dir / "disc.iso");
    EXPECT_EQ(image.compare(16 * 2048 + 40, 5, "LABEL"), 0);
}

TEST(IsoSaveCommand, FailuresAreReportedAndWriteNothing) {
    TempDir dir;
    writeFile(dir / "clash" / "Index.html", "1");
    writeFile(dir / "clash" / "INDEX.HTML", "2");
    writeFile(dir / "fine" / "a.txt", "a");
    // Windows would merge the two folders, or show only one.
    writeFile(dir / "folders" / "Pics" / "a.jpg", "a");
    writeFile(dir / "folders" / "pics" / "b.jpg", "b");
    const std::string folders = "The folders \"" + (dir / "folders" / "Pics").string() +
                                "\" and \"" + (dir / "folders" / "pics").string() +
                                "\" differ only in letter case";
    // A name in another encoding is shown as its bytes, never guessed at.
    writeFile(dir / "latin1" / "bad\xE9name.txt", "x");
    writeFile(dir / "long file" / (std::string(98, 'f') + ".txt"), "x");
    writeFile(dir / "long folder" / std::string(104, 'd') / "a.txt", "x");
    struct Case {
        fs::path folder;
        fs::path iso;
        const char* expected;
    };
    std::vector<Case> cases = {
        {dir / "nothing here", dir / "a.iso", "is not a folder"},
        {dir / "long file", dir / "f.iso", "is longer than 101 characters"},
        {dir / "long folder", dir / "g.iso", "is longer than 103 characters"},
        {dir / "fine", dir / "no such folder" / "c.iso",
         "Error while initiating saving of CD-ROM ISO."},
    };
    // Only a case-sensitive file system (not Windows') keeps both names, and
    // only a byte-named one a name that is not UTF-8.
    if (std::distance(fs::directory_iterator(dir / "clash"), fs::directory_iterator()) == 2) {
        cases.push_back({dir / "clash", dir / "b.iso", "differ only in letter case"});
        cases.push_back({dir / "folders", dir / "d.iso", folders.c_str()});
    }
#ifndef _WIN32
    cases.push_back({dir / "latin1", dir / "e.iso", "latin1/bad\\xE9name.txt\" is not UTF-8 text"});
#endif
    for (const auto& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(saveIsoCommand(c.folder, c.iso, "", out, err, false), 1);
        EXPECT_NE(err.str().find(c.expected), std::string::npos) << err.str();
        EXPECT_FALSE(fs::exists(c.iso));
    }
}

}  // namespace
}  // namespace rondivo::burn
