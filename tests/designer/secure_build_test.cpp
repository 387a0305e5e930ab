#include "designer/secure_build.h"

#include <gtest/gtest.h>

#include "disc/secure_file.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(SecureBuild, ExclusionsAreTheCommandLineWithoutTheAutoplayWord) {
    struct Case {
        const char* line;
        const char* exclusions;
    } cases[] = {
        {"OPEN=autorun.exe data\\index.html.enc data\\Error_Page.html 1 0 data\\default.jpg "
         "data\\default.wav",
         "OPEN=autorun.exe  data\\Error_Page.html 1 0 data\\default.jpg data\\default.wav"},
        {"OPEN=autorun.exe none none 1 0 a.jpg",
         "OPEN=autorun.exe none none 1 0 a.jpg"},  // no "." in "none"
        {"OPEN=autorun.exe .enc x 1 0",
         "OPEN=autorun.exe .enc x 1 0"},  // "." only as first character
        {"OPEN=autorun.exe", "OPEN=autorun.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(secureExclusions(c.line), c.exclusions) << c.line;
}

TEST(SecureBuild, WhichFilesStayPlain) {
    const std::string ex = secureExclusions(
        "OPEN=autorun.exe data\\index.html.enc data\\Error_Page.html 1 0 data\\default.jpg "
        "data\\default.wav");
    struct Case {
        const char* name;
        bool plain;
    } cases[] = {
        {"index.html", false},
        {"Error_Page.html", true},
        {"default.jpg", true},
        {"default.wav", true},
        {"autorun.inf", true},
        {"shfolder.dll", true},
        {"SHFOLDER.DLL", false},
        {"old_autorun.exe", true},
        {"COPY_ALL_TO_CDROM_ROOT.txt", true},
        {"page2.htm", false},
        {"logo.gif", false},
        {"fault.jpg", true},  // a substring of "default.jpg"
        {"index.html.bak", false},
    };
    for (const auto& c : cases) EXPECT_EQ(keepsPlain(c.name, ex), c.plain) << c.name;
}

// A distributable folder as the build leaves it with the data folder and "Secure CD" on.
void makeDataLayout(const fs::path& root, const std::string& line) {
    writeFile(root / "autorun.inf", "[autorun]\r\nOPEN=" + line + "\r\nICON=disc.ico\r\n");
    writeFile(root / "autorun.exe", "EXE");
    writeFile(root / "autorun.dat", "DAT");
    writeFile(root / "disc.ico", "ICO");
    writeFile(root / "drivers" / "SHFOLDER.DLL", "DLL");
    writeFile(root / "data" / "autorun.inf", "[autorun]\r\nOPEN=" + line + "\r\n");
    writeFile(root / "data" / "index.html", "<html><img src=\"pics/a.gif\"></html>");
    writeFile(root / "data" / "Error_Page.html", "<html>sorry</html>");
    writeFile(root / "data" / "default.jpg", "JPG");
    writeFile(root / "data" / "default.wav", "WAV");
    writeFile(root / "data" / "pics" / "a.gif", std::string(2500, 'g'));
    writeFile(root / "data" / "drivers" / "x.dll", "keep");
    writeFile(root / "data" / "COPY_ALL_TO_CDROM_ROOT.txt", "copy");
}

TEST(SecureBuild, EncryptsTheAutoplayPageAndLeavesWhatThePlayerNeedsPlain) {
    TempDir dir;
    const std::string line =
        "autorun.exe data\\index.html.enc data\\Error_Page.html 1 0 data\\default.jpg "
        "data\\default.wav";
    makeDataLayout(dir.path(), line);
    const std::string page = readFile(dir / "data" / "index.html");

    SecureBuildReport report;
    EXPECT_TRUE(encryptPresentationFolder(dir.path(), &report));
    EXPECT_TRUE(report.passwordRead);
    EXPECT_EQ(report.encrypted.size(), 2u);

    const fs::path d = dir / "data";
    EXPECT_FALSE(fs::exists(d / "index.html"));
    EXPECT_FALSE(fs::exists(d / "pics" / "a.gif"));
    ASSERT_TRUE(fs::exists(d / "index.html.enc"));
    EXPECT_EQ(fs::file_size(d / "pics" / "a.gif.enc"), 2500u);
    for (const char* plain : {"Error_Page.html", "default.jpg", "default.wav", "autorun.inf",
                              "drivers/x.dll", "COPY_ALL_TO_CDROM_ROOT.txt"})
        EXPECT_TRUE(fs::exists(d / plain)) << plain;
    for (const char* root : {"autorun.exe", "autorun.dat", "disc.ico", "drivers/SHFOLDER.DLL"})
        EXPECT_TRUE(fs::exists(dir / root)) << root;

    // The key is line 2 of autorun.inf as written.
    ASSERT_TRUE(decryptFile(d / "index.html.enc", dir / "check.html", "OPEN=" + line));
    EXPECT_EQ(readFile(dir / "check.html"), page);
}

TEST(SecureBuild, WithoutDataFolderTheRootIsEncryptedButTheDiscIconStaysPlain) {
    TempDir dir;
    writeFile(dir / "autorun.inf",
              "[autorun]\r\nOPEN=autorun.exe index.htm.enc none 1 0 s.jpg\r\nICON=disc.ico\r\n");
    writeFile(dir / "autorun.exe", "EXE");
    writeFile(dir / "disc.ico", "ICO");
    writeFile(dir / "index.htm", "<html></html>");
    writeFile(dir / "s.jpg", "JPG");
    writeFile(dir / "drivers" / "SHFOLDER.DLL", "DLL");
    EXPECT_TRUE(encryptPresentationFolder(dir.path()));
    EXPECT_TRUE(fs::exists(dir / "index.htm.enc"));
    EXPECT_FALSE(fs::exists(dir / "index.htm"));
    for (const char* plain :
         {"autorun.exe", "autorun.inf", "disc.ico", "s.jpg", "drivers/SHFOLDER.DLL"})
        EXPECT_TRUE(fs::exists(dir / plain)) << plain;
}

TEST(SecureBuild, NothingIsEncryptedWithoutAPassword) {
    TempDir dir;
    writeFile(dir / "index.htm", "<html></html>");
    SecureBuildReport report;
    EXPECT_FALSE(encryptPresentationFolder(dir.path(), &report));
    EXPECT_FALSE(report.passwordRead);
    EXPECT_TRUE(fs::exists(dir / "index.htm"));
    EXPECT_FALSE(fs::exists(dir / "index.htm.enc"));
}

}  // namespace
}  // namespace rondivo
