// MD5 and RC4 against the published test vectors, and the whole .enc format
// against an independent implementation (openssl) when one is installed.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "disc/md5.h"
#include "disc/rc4.h"
#include "disc/secure_file.h"
#include "test_support.h"

namespace rondivo {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::string hex(const std::uint8_t* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
}

TEST(Md5, Rfc1321TestSuite) {
    struct Case {
        const char* text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        auto d = md5Digest(c.text);
        EXPECT_EQ(hex(d.data(), d.size()), c.digest) << '"' << c.text << '"';
    }
}

TEST(Md5, PiecesGiveTheSameDigestAsTheWhole) {
    // Lengths around the 56- and 64-byte padding edges, fed in uneven pieces.
    std::string data = randomBytes(1000, 7);
    for (std::size_t len : {55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
        std::string_view text(data.data(), len);
        Md5 h;
        for (std::size_t i = 0, step = 1; i < len; i += step, step = step % 13 + 1)
            h.update(text.substr(i, std::min(step, len - i)));
        EXPECT_EQ(h.finish(), md5Digest(text)) << len;
    }
}

TEST(Rc4, PublishedVectors) {
    struct Case {
        std::string key, plain, cipher;
    } cases[] = {
        {"Key", "Plaintext", "bbf316e8d940af0ad3"},
        {"Wiki", "pedia", "1021bf0420"},
        {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
    };
    for (auto c : cases) {
        Rc4 rc4(std::span(reinterpret_cast<const std::uint8_t*>(c.key.data()), c.key.size()));
        rc4.apply(reinterpret_cast<std::uint8_t*>(c.plain.data()), c.plain.size());
        EXPECT_EQ(hex(reinterpret_cast<const std::uint8_t*>(c.plain.data()), c.plain.size()),
                  c.cipher)
            << c.key;
    }
}

TEST(Rc4, Rfc6229KeyStreamAtLaterOffsets) {
    // RFC 6229, 128-bit key 0x0102...10: key stream bytes at offsets 0, 16, 240, 256 and 4096.
    std::uint8_t key[16];
    for (int i = 0; i < 16; ++i) key[i] = static_cast<std::uint8_t>(i + 1);
    Rc4 rc4(key);
    std::vector<std::uint8_t> stream(4112, 0);
    // Odd-sized pieces: the state must carry over exactly between calls.
    for (std::size_t i = 0, step = 1; i < stream.size(); i += step, step = step * 3 % 1001 + 1)
        rc4.apply(stream.data() + i, std::min(step, stream.size() - i));
    EXPECT_EQ(hex(stream.data(), 16), "9ac7cc9a609d1ef7b2932899cde41b97");
    EXPECT_EQ(hex(stream.data() + 16, 16), "5248c4959014126a6e8a84f11d1a9e1c");
    EXPECT_EQ(hex(stream.data() + 240, 16), "065902e4b620f6cc36c8589f66432f2b");
    EXPECT_EQ(hex(stream.data() + 256, 16), "d39d566bc6bce3010768151549f3873f");
    EXPECT_EQ(hex(stream.data() + 4096, 16), "a36a4c301ae8ac13610ccbc12256cacc");
}

// The key openssl must be given: the password's MD5 digest, as hex.
TEST(SecureFormat, EncFileEqualsOpensslRc4WithTheDigestAsKey) {
    if (test::runProgram({"sh", "-c", "command -v openssl"}).status != 0)
        GTEST_SKIP() << "openssl not installed";
    TempDir dir;
    const std::string password =
        "OPEN=autorun.exe data\\index.html.enc none 1 0 data\\default.jpg data\\default.wav";
    auto key = secureKeyFromPassword(password);
    for (std::size_t size : {2500u, 2000u, 1u, 70001u}) {
        std::string plain = randomBytes(size, static_cast<unsigned>(size));
        writeFile(dir / "plain", plain);
        ASSERT_TRUE(encryptFile(dir / "plain", dir / "plain.enc", password));
        // OpenSSL 3 keeps RC4 in its legacy provider; older versions have it built in.
        auto r =
            test::runProgram({"openssl", "enc", "-rc4", "-K", hex(key.data(), key.size()),
                              "-nosalt", "-provider", "legacy", "-provider", "default", "-in",
                              (dir / "plain").string(), "-out", (dir / "openssl.out").string()});
        if (r.status != 0)
            r = test::runProgram({"openssl", "enc", "-rc4", "-K", hex(key.data(), key.size()),
                                  "-nosalt", "-in", (dir / "plain").string(), "-out",
                                  (dir / "openssl.out").string()});
        if (r.status != 0) GTEST_SKIP() << "openssl has no RC4: " << r.output;
        EXPECT_EQ(readFile(dir / "plain.enc"), readFile(dir / "openssl.out")) << size;
    }
}

TEST(SecureFormat, KeyIsTheMd5OfThePasswordBytes) {
    auto key = secureKeyFromPassword("abc");
    EXPECT_EQ(hex(key.data(), key.size()), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
}  // namespace rondivo
