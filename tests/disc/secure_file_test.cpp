#include "disc/secure_file.h"

#include <gtest/gtest.h>

#include <random>

#include "disc/rc4.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

const std::string kPassword = "OPEN=autorun.exe index.html.enc none 1 0 default.jpg default.wav";

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
}

// The reference: one RC4 stream over the whole buffer.
std::string oneShot(std::string data, std::span<const std::uint8_t> key) {
    Rc4 rc4(key);
    rc4.apply(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
    return data;
}

TEST(SecureFile, RoundTripsWithTheSameLengthAcrossBlockEdges) {
    TempDir dir;
    auto key = secureKeyFromPassword(kPassword);
    // 2500: blocks of 1000, 1000, 500; 2000: 1000, 1000 and an empty final block.
    for (std::size_t size : {0u, 1u, 999u, 1000u, 1001u, 2000u, 2500u, 123457u}) {
        std::string plain = randomBytes(size, static_cast<unsigned>(size) + 1);
        writeFile(dir / "f", plain);
        ASSERT_TRUE(encryptFile(dir / "f", dir / "f.enc", kPassword)) << size;
        std::string enc = readFile(dir / "f.enc");
        EXPECT_EQ(enc.size(), size);
        EXPECT_EQ(enc, oneShot(plain, key)) << "one key stream over the whole file, size " << size;
        if (size) {
            EXPECT_NE(enc, plain);
        }
        ASSERT_TRUE(decryptFile(dir / "f.enc", dir / "back", kPassword)) << size;
        EXPECT_EQ(readFile(dir / "back"), plain) << size;
    }
}

TEST(SecureFile, AShorterFileReplacesAllOfAnOlderDestination) {
    TempDir dir;
    writeFile(dir / "f.enc", std::string(5000, 'x'));
    writeFile(dir / "f", randomBytes(2500, 3));
    ASSERT_TRUE(encryptFile(dir / "f", dir / "f.enc", kPassword));
    EXPECT_EQ(fs::file_size(dir / "f.enc"), 2500u);
    writeFile(dir / "back", std::string(9000, 'y'));
    ASSERT_TRUE(decryptFile(dir / "f.enc", dir / "back", kPassword));
    EXPECT_EQ(readFile(dir / "back"), readFile(dir / "f"));
}

TEST(SecureFile, AWrongPasswordGivesGarbageOfTheRightLength) {
    TempDir dir;
    writeFile(dir / "f", "<html>hello</html>");
    ASSERT_TRUE(encryptFile(dir / "f", dir / "f.enc", kPassword));
    ASSERT_TRUE(decryptFile(dir / "f.enc", dir / "back", kPassword + " "));
    std::string back = readFile(dir / "back");
    EXPECT_EQ(back.size(), 18u);
    EXPECT_NE(back, "<html>hello</html>");
}

TEST(SecureFile, FailuresReportFalseAndLeaveNoPartialFile) {
    TempDir dir;
    writeFile(dir / "f", "plain");
    fs::create_directory(dir / "folder");
    writeFile(dir / "stale", "an old page from an earlier run");
    struct Case {
        const char* what;
        fs::path source;
        fs::path destination;
        bool encrypt;
        std::string password;
    } cases[] = {
        {"missing source", dir / "nothing", dir / "out1", true, kPassword},
        {"empty password when encrypting", dir / "f", dir / "out2", true, ""},
        {"source and destination the same file", dir / "f", dir / "f", true, kPassword},
        // Opening a folder works on Linux; reading it fails half way into the pass.
        {"unreadable source (encrypt)", dir / "folder", dir / "out3", true, kPassword},
        {"unreadable source (decrypt)", dir / "folder", dir / "out4", false, kPassword},
        {"decrypt failure over an older file", dir / "folder", dir / "stale", false, kPassword},
        {"destination cannot be created", dir / "f", dir / "no" / "such" / "folder", false,
         kPassword},
    };
    for (const auto& c : cases) {
        bool ok = c.encrypt ? encryptFile(c.source, c.destination, c.password)
                            : decryptFile(c.source, c.destination, c.password);
        EXPECT_FALSE(ok) << c.what;
        if (c.destination != c.source) {
            EXPECT_FALSE(fs::exists(c.destination)) << c.what;
        }
    }
    EXPECT_EQ(readFile(dir / "f"), "plain");
}

std::string le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

TEST(SecureFile, KeyFileVariantWithAnEmptyPassword) {
    TempDir dir;
    const std::string body = "<html>decrypted with the key in the file</html>";
    std::vector<std::uint8_t> key = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 11, 12, 13, 14, 15, 16};
    std::string encrypted = oneShot(body, key);

    // A plain-text key blob: header (type 8, version 2, RC4), key size, key.
    std::string plainBlob = std::string("\x08\x02\x00\x00", 4) + le32(0x6801) + le32(16) +
                            std::string(key.begin(), key.end());
    writeFile(dir / "plainkey.enc",
              le32(static_cast<std::uint32_t>(plainBlob.size())) + plainBlob + encrypted);
    ASSERT_TRUE(decryptFile(dir / "plainkey.enc", dir / "plainkey", ""));
    EXPECT_EQ(readFile(dir / "plainkey"), body);

    // A session key encrypted under the author's exchange key cannot be imported here.
    std::string simpleBlob =
        std::string("\x01\x02\x00\x00", 4) + le32(0x6801) + le32(0xa400) + std::string(64, 'k');
    writeFile(dir / "simple.enc",
              le32(static_cast<std::uint32_t>(simpleBlob.size())) + simpleBlob + encrypted);
    EXPECT_FALSE(decryptFile(dir / "simple.enc", dir / "simple", ""));
    EXPECT_FALSE(fs::exists(dir / "simple"));

    // A length that runs past the end of the file.
    writeFile(dir / "short.enc", le32(4000) + "abc");
    EXPECT_FALSE(decryptFile(dir / "short.enc", dir / "short", ""));
    EXPECT_FALSE(fs::exists(dir / "short"));
}

TEST(SecureFile, PasswordIsLineTwoAsA5000ByteBufferReadsIt) {
    TempDir dir;
    struct Case {
        std::string inf;
        std::optional<std::string> password;
    } cases[] = {
        {"[autorun]\r\nOPEN=autorun.exe a.htm none 1 0\r\nICON=x.ico\r\n",
         "OPEN=autorun.exe a.htm none 1 0"},
        {"[autorun]\nOPEN=x\n", "OPEN=x"},
        {"[autorun]\r\n", std::nullopt},
        {"[autorun]\r\nOPEN=" + std::string(6000, 'w') + "\r\n", "OPEN=" + std::string(4994, 'w')},
    };
    for (const auto& c : cases) {
        writeFile(dir / "autorun.inf", c.inf);
        EXPECT_EQ(readSecurePassword(dir.path()), c.password) << c.inf.substr(0, 40);
    }
    fs::remove(dir / "autorun.inf");
    EXPECT_EQ(readSecurePassword(dir.path()), std::nullopt);
}

}  // namespace
}  // namespace rondivo
