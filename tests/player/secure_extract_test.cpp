#include "player/secure_extract.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "designer/secure_build.h"
#include "platform/file_io.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;

const std::string kLine = "autorun.exe data\\index.html.enc none 1 0 data\\default.jpg";

int countFiles(const fs::path& dir) {
    int n = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file()) ++n;
    return n;
}

// A secure disc built the way the designer builds it, and a temporary folder in a home of its own.
struct SecureDisc {
    TempDir disc;
    TempDir home;
    ScopedEnv xdg{"XDG_DATA_HOME", (home / "share").string()};
    fs::path temp = home / "share" / "RondivoTemp";

    explicit SecureDisc(bool dataFolder = true) {
        fs::path data = dataFolder ? disc / "data" : disc.path();
        std::string line = kLine;
        if (!dataFolder) line = "autorun.exe index.html.enc none 1 0 default.jpg";
        writeFile(disc / "autorun.inf", "[autorun]\r\nOPEN=" + line + "\r\n");
        writeFile(data / "index.html", "<html>the menu</html>");
        writeFile(data / "default.jpg", "JPG");
        writeFile(data / "docs" / "manual.txt", std::string(2500, 'm'));
        EXPECT_TRUE(encryptPresentationFolder(disc.path()));
    }

    ExtractionRequest request(bool dataFolderLayout = true) const {
        return requestFor(disc.path(), dataFolderLayout);
    }
    static ExtractionRequest requestFor(const fs::path& disc, bool dataFolderLayout = true) {
        ExtractionRequest r;
        r.executableFolder = disc;
        r.currentDirectory = disc;
        r.dataFolderLayout = dataFolderLayout;
        return r;
    }
};

TEST(SecureExtract, DecryptsTheDataFolderIntoTempDataAndPointsTheWindowThere) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    SecureDisc d;
    ExtractionControl control;
    ExtractionResult r = runExtractionWorker(d.request(), control);
    EXPECT_TRUE(control.done);
    EXPECT_EQ(r.folder, (d.temp / "data").string());
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(readFile(d.temp / "data" / "index.html"), "<html>the menu</html>");
    EXPECT_EQ(readFile(d.temp / "data" / "docs" / "manual.txt"), std::string(2500, 'm'));
    EXPECT_EQ(readFile(d.temp / "data" / "default.jpg"), "JPG");
    EXPECT_FALSE(fs::exists(d.temp / "data" / "index.html.enc"));
    EXPECT_FALSE(fs::exists(d.temp / "data" / "autorun.inf")) << "only the data folder is mirrored";
    EXPECT_EQ(control.files, 3);

    SecureWindowState window;
    window.address = (d.disc / "data\\index.html.enc").string();
    window.dataFolderLayout = false;
    EXPECT_EQ(applyExtraction(window, r), r.folder);
    EXPECT_EQ(window.address, (d.temp / "data" / "index.html").string());
    EXPECT_EQ(window.secureFolder, r.folder);
    EXPECT_TRUE(window.dataFolderLayout);

    removeSecureFolder(window);
    EXPECT_FALSE(fs::exists(d.temp));
}

// Names beyond ASCII survive encryption and decryption, and the window is
// sent to the decrypted page by its own name; closing removes it again.
TEST(SecureExtract, NamesBeyondAsciiSurviveTheRoundTrip) {
    TempDir disc, home;
    const auto at = [](const fs::path& root, const char* rel) {
        return (root / platform::u8path(rel)).make_preferred();
    };
    writeFile(disc / "autorun.inf",
              "[autorun]\r\nOPEN=autorun.exe data\\Grüße.html.enc none 1 0\r\n");
    const char* files[] = {"data/Grüße.html", "data/Bilder/Straße 1.jpg"};
    for (const char* f : files) writeFile(at(disc.path(), f), f);
    ASSERT_TRUE(encryptPresentationFolder(disc.path()));
    EXPECT_FALSE(fs::exists(at(disc.path(), files[0])));

    ExtractionRequest request = SecureDisc::requestFor(disc.path());
    request.tempFolder = home.path() / kSecureTempName;
    ExtractionControl control;
    ExtractionResult r = runExtractionWorker(request, control);
    EXPECT_TRUE(r.failed.empty());
    for (const char* f : files) EXPECT_EQ(readFile(at(request.tempFolder, f)), f);

    SecureWindowState window;
    window.address = at(disc.path(), "data/Grüße.html.enc").string();
    applyExtraction(window, r);
    EXPECT_EQ(window.address, at(request.tempFolder, files[0]).string());
    removeSecureFolder(window, request.tempFolder);
    EXPECT_FALSE(fs::exists(request.tempFolder));
}

// Files copied from a disc are read-only, and Windows refuses to delete
// those: closing the window must still leave nothing behind.
TEST(SecureExtract, CopiesOfReadOnlyFilesAreRemovedWhenTheWindowCloses) {
    TempDir disc, home;
    writeFile(disc / "autorun.inf", "[autorun]\r\nOPEN=" + kLine + "\r\n");
    writeFile(disc / "data" / "index.html", "<html>the menu</html>");
    writeFile(disc / "data" / "docs" / "manual.txt", "plain");
    ASSERT_TRUE(encryptPresentationFolder(disc.path()));
    writeFile(disc / "data" / "default.jpg", "JPG");  // stays plain: copied as it is
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    for (const char* f : {"data/default.jpg", "data/index.html.enc", "data/docs/manual.txt.enc"})
        fs::permissions(disc / f, readOnly);

    ExtractionRequest request = SecureDisc::requestFor(disc.path());
    request.tempFolder = home.path() / kSecureTempName;
    ExtractionControl control;
    ExtractionResult r = runExtractionWorker(request, control);
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(readFile(request.tempFolder / "data" / "default.jpg"), "JPG");

    SecureWindowState window;
    window.address = (disc / "data" / "index.html.enc").string();
    applyExtraction(window, r);
    removeSecureFolder(window, request.tempFolder);
    EXPECT_FALSE(fs::exists(request.tempFolder));
    for (const char* f : {"data/default.jpg", "data/index.html.enc", "data/docs/manual.txt.enc"})
        fs::permissions(disc / f, fs::perms::owner_write, fs::perm_options::add);
}

TEST(SecureExtract, WhereTheFilesGoForEachLayout) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    struct Case {
        const char* what;
        bool discHasDataFolder;
        bool appDataFolderLayout;
        const char* destination;  // below the temporary folder
        bool windowDataFolderLayout;
    } cases[] = {
        {"data folder on the disc", true, true, "data", true},
        {"layout expected but the disc has none", false, true, "", false},
        {"root layout: the current directory still goes to T/data", false, false, "data", true},
    };
    for (const auto& c : cases) {
        SecureDisc d(c.discHasDataFolder);
        ExtractionControl control;
        ExtractionResult r = runExtractionWorker(d.request(c.appDataFolderLayout), control);
        fs::path dest = *c.destination ? d.temp / c.destination : d.temp;
        EXPECT_EQ(r.folder, dest.string()) << c.what;
        EXPECT_EQ(r.dataFolderLayout, c.windowDataFolderLayout) << c.what;
        EXPECT_EQ(readFile(dest / "index.html"), "<html>the menu</html>") << c.what;
    }
}

TEST(SecureExtract, APlainDiscIsMirroredButNotUsed) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    TempDir disc, home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    writeFile(disc / "data" / "index.html", "<html></html>");
    ExtractionRequest req;
    req.executableFolder = req.currentDirectory = disc.path();
    ExtractionControl control;
    ExtractionResult r = runExtractionWorker(req, control);
    EXPECT_EQ(r.folder, "");
    EXPECT_TRUE(fs::exists(home / "RondivoTemp" / "data" / "index.html"));
    SecureWindowState window;
    window.address = "/disc/data/index.html";
    applyExtraction(window, r);
    EXPECT_EQ(window.address, "/disc/data/index.html");
    EXPECT_EQ(window.secureFolder, "");
}

TEST(SecureExtract, CancelEndsThePassAfterTheCurrentFile) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    TempDir disc, home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    for (int i = 0; i < 20; ++i) writeFile(disc / "data" / ("f" + std::to_string(i) + ".txt"), "x");
    ExtractionControl control;
    ExtractionRequest req;
    req.executableFolder = req.currentDirectory = disc.path();
    req.afterFile = [&](int n) {
        if (n == 2) control.cancel = true;
    };
    ExtractionResult r = runExtractionWorker(req, control);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.files, 2);
    EXPECT_EQ(countFiles(home / "RondivoTemp"), 2);
    EXPECT_TRUE(control.done);
}

TEST(SecureExtract, AFileThatCannotBeDecryptedLeavesNothingAndThePassGoesOn) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    TempDir disc, home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    // No autorun.inf: the password is empty, so each ".enc" must carry its own key, which these do
    // not.
    writeFile(disc / "data" / "broken.html.enc", "not a key blob");
    writeFile(disc / "data" / "plain.txt", "plain");
    ExtractionRequest req;
    req.executableFolder = req.currentDirectory = disc.path();
    ExtractionControl control;
    ExtractionResult r = runExtractionWorker(req, control);
    EXPECT_EQ(r.failed.size(), 1u);
    EXPECT_FALSE(fs::exists(home / "RondivoTemp" / "data" / "broken.html"));
    EXPECT_EQ(readFile(home / "RondivoTemp" / "data" / "plain.txt"), "plain");
    EXPECT_EQ(r.files, 2);
}

TEST(SecureExtract, ADiscFolderHoldingTheTemporaryFolderIsNotMirroredIntoItself) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    TempDir home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    writeFile(home / "page.html", "<html></html>");
    writeFile(home / "RondivoTemp" / "left.txt", "from an earlier run");
    fs::create_directory_symlink(home.path(), home / "loop");
    ExtractionRequest req;
    req.executableFolder = req.currentDirectory = home.path();
    req.dataFolderLayout = false;
    ExtractionControl control;
    ExtractionResult r = runExtractionWorker(req, control);
    EXPECT_EQ(r.files, 1);
    EXPECT_TRUE(fs::exists(home / "RondivoTemp" / "data" / "page.html"));
    EXPECT_FALSE(fs::exists(home / "RondivoTemp" / "data" / "RondivoTemp"));
}

TEST(SecureExtract, WorkerThreadReportsDoneAndItsCount) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    SecureDisc d;
    ExtractionWorker extraction(d.request());
    extraction.start();
    for (int i = 0; i < 2000 && !extraction.done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(extraction.done());
    EXPECT_EQ(extraction.fileCount(), 3);
    EXPECT_EQ(extraction.finish().folder, (d.temp / "data").string());
}

TEST(SecureCleanup, NeverDeletesOutsideTheTemporaryFolder) {
    RONDIVO_LINUX_ONLY(
        "the temporary folder is redirected through XDG_DATA_HOME; Windows asks the shell");
    TempDir home, outside;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    const fs::path temp = home / "RondivoTemp";
    writeFile(outside / "precious.txt", "keep me");
    writeFile(outside / "sub" / "also.txt", "keep me too");

    // Links inside the temporary folder go as links; what they point to stays.
    writeFile(temp / "data" / "page.html", "x");
    writeFile(temp / "data" / "sub" / "pic.gif", "x");
    fs::create_directory_symlink(outside.path(), temp / "data" / "linkdir");
    fs::create_symlink(outside / "precious.txt", temp / "data" / "linkfile");
    SecureWindowState window;
    window.secureFolder = (temp / "data").string();
    removeSecureFolder(window);
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(readFile(outside / "precious.txt"), "keep me");
    EXPECT_EQ(readFile(outside / "sub" / "also.txt"), "keep me too");

    // A secure folder that is not inside the temporary folder is left alone.
    window.secureFolder = outside.path().string();
    removeSecureFolder(window);
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));
    window.secureFolder = (temp / ".." / fs::path(outside.path()).filename()).string();
    removeSecureFolder(window);
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));

    // Nor is a temporary folder that is itself a link, nor a secure folder reached through one.
    fs::create_directory_symlink(outside.path(), temp);
    window.secureFolder = temp.string();
    removeSecureFolder(window);
    EXPECT_TRUE(fs::exists(outside / "sub" / "also.txt"));
    fs::remove(temp);
    fs::create_directories(temp);
    fs::create_directory_symlink(outside.path(), temp / "data");
    window.secureFolder = (temp / "data").string();
    removeSecureFolder(window);
    EXPECT_TRUE(fs::exists(outside / "sub" / "also.txt"));

    // Nothing at all without a secure folder, nor with the clean-up off.
    writeFile(temp / "x.txt", "x");
    window.secureFolder = temp.string();
    window.cleanupTempOnClose = false;
    removeSecureFolder(window);
    EXPECT_TRUE(fs::exists(temp / "x.txt"));
    window.cleanupTempOnClose = true;
    window.secureFolder.clear();
    removeSecureFolder(window);
    EXPECT_TRUE(fs::exists(temp / "x.txt"));
}

}  // namespace
}  // namespace rondivo
