// Given a FIFO where the player expects one of the disc's files, the player
// should treat it as missing and go on, never wait in open() or read().
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <functional>
#include <future>

#include "app/startup.h"
#include "disc/autorun_dat.h"
#include "disc/autorun_inf.h"
#include "disc/secure_file.h"
#include "platform/regular_file.h"
#include "platform/sound.h"
#include "player/secure_extract.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

#ifndef _WIN32
void makeFifo(const fs::path& p) {
    ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
}

// Runs `step` and fails when it has not returned after two seconds; a reader
// blocked on `fifo` is then released (a writer opens and closes it) so that
// the test run itself ends.
void expectPrompt(const fs::path& fifo, const std::function<void()>& step) {
    auto done = std::async(std::launch::async, step);
    if (done.wait_for(std::chrono::seconds(2)) == std::future_status::ready) return;
    ADD_FAILURE() << "waited on the FIFO " << fifo;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
}
#endif

TEST(RegularFile, ReadsFilesAndLinksToThemAndRefusesEverythingElse) {
    RONDIVO_LINUX_ONLY("FIFOs and symbolic links");
#ifndef _WIN32
    TempDir t;
    test::writeFile(t / "plain.txt", "one\ntwo\n");
    fs::create_symlink(t / "plain.txt", t / "link.txt");
    makeFifo(t / "pipe");
    fs::create_symlink(t / "pipe", t / "link-to-pipe");
    fs::create_directory(t / "folder");
    struct Case {
        const char* name;
        bool readable;
    } cases[] = {{"plain.txt", true},     {"link.txt", true}, {"pipe", false},
                 {"link-to-pipe", false}, {"folder", false},  {"missing", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path p = t / c.name;
        expectPrompt(t / "pipe", [&] {
            std::vector<char> bytes;
            EXPECT_EQ(platform::readRegularFile(p, bytes, 1000), c.readable);
            platform::RegularFileStream in(p);
            std::string line;
            EXPECT_EQ(static_cast<bool>(std::getline(in, line)), c.readable);
            if (c.readable) {
                EXPECT_EQ(line, "one");
            }
            std::FILE* f = platform::openRegularFileStream(p);
            EXPECT_EQ(f != nullptr, c.readable);
            if (f) std::fclose(f);
            EXPECT_FALSE(platform::isWaveFile(p));
        });
    }
    std::vector<char> bytes;
    EXPECT_FALSE(platform::readRegularFile(t / "plain.txt", bytes, 3)) << "over the limit";
#endif
}

TEST(RegularFile, PlayerStartsWithFifosAsItsSettingsFiles) {
    RONDIVO_LINUX_ONLY("FIFOs");
#ifndef _WIN32
    TempDir t;
    makeFifo(t / "autorun.inf");
    makeFifo(t / kPresentationFileName);
    expectPrompt(t / "autorun.inf", [&] {
        EXPECT_FALSE(commandLineFromAutorunInf(t.path()));
        EXPECT_EQ(iconFromAutorunInf(t.path()), "");
        EXPECT_FALSE(labelFromAutorunInf(t.path()));
        EXPECT_FALSE(readSecurePassword(t.path()));
        const char* argv[] = {"autorun.exe"};
        EXPECT_EQ(decideStartup(1, argv, t.path()).mode, StartupMode::Information);
    });
    expectPrompt(t / kPresentationFileName, [&] {
        PresentationSettings s;
        s.splashDisplayMs = 1234;
        readPresentationFile(t / kPresentationFileName, s);
        EXPECT_EQ(s.splashDisplayMs, 1234) << "the defaults stay";
    });
#endif
}

TEST(RegularFile, SecurePagesThatAreFifosAreSkipped) {
    RONDIVO_LINUX_ONLY("FIFOs");
#ifndef _WIN32
    TempDir disc, temp;
    test::writeFile(disc / "autorun.inf", "[autorun]\r\npassword\r\n");
    fs::create_directory(disc / "data");
    makeFifo(disc / "data/index.html.enc");
    makeFifo(disc / "data/notes.txt");
    ASSERT_TRUE(encryptFile(disc / "autorun.inf", disc / "data/page.html.enc", "password"));
    expectPrompt(disc / "data/index.html.enc", [&] {
        EXPECT_FALSE(decryptFile(disc / "data/index.html.enc", temp / "out.html", "password"));
    });
    ExtractionRequest request;
    request.executableFolder = disc.path();
    request.currentDirectory = disc.path();
    request.tempFolder = temp / "T";
    expectPrompt(disc / "data/index.html.enc", [&] {
        ExtractionControl control;
        ExtractionResult r = runExtractionWorker(request, control);
        EXPECT_TRUE(control.done.load());
        EXPECT_TRUE(fs::exists(temp / "T/data/page.html"));
        EXPECT_FALSE(fs::exists(temp / "T/data/index.html"));
    });
#endif
}

}  // namespace
}  // namespace rondivo
