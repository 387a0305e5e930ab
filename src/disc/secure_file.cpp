#include "disc/secure_file.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include "disc/autorun_inf.h"
#include "disc/md5.h"
#include "disc/rc4.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/regular_file.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Large stdio buffers: the block loop reads 1000 bytes at a time, and the
// buffers keep that from becoming one system call per block.
constexpr std::size_t kIoBuffer = 1 << 18;

File openFile(const fs::path& p, const char* mode) {
    File f(platform::openFile(p, mode));
    if (f) std::setvbuf(f.get(), nullptr, _IOFBF, kIoBuffer);
    return f;
}

bool samePlace(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// The block loop of both directions: a short read is the final block (an
// exact multiple of 1000 ends with an empty one); any failure ends the loop.
bool transformBlocks(std::FILE* in, std::FILE* out, Rc4& cipher) {
    std::uint8_t buffer[kSecureBlockSize + 8];  // room to spare, as the format's writers always had
    for (;;) {
        std::size_t got = std::fread(buffer, 1, kSecureBlockSize, in);
        if (got < kSecureBlockSize && std::ferror(in)) return false;
        bool final = got < kSecureBlockSize;
        cipher.apply(buffer, got);
        if (got && std::fwrite(buffer, 1, got, out) != got) return false;
        if (final) return true;
    }
}

// A failed pass leaves no file that could pass for the real one. Only plain
// files are removed: a device given as destination stays where it is.
bool discard(const fs::path& destination) {
    std::error_code ec;
    if (fs::is_regular_file(fs::symlink_status(destination, ec))) fs::remove(destination, ec);
    return false;
}

// Runs the loop and closes the output; removes the output unless all went well.
bool finishInto(std::FILE* in, File out, const fs::path& destination, Rc4& cipher) {
    bool ok = transformBlocks(in, out.get(), cipher);
    if (std::fclose(out.release()) != 0) ok = false;
    return ok || discard(destination);
}

std::uint32_t loadLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

std::optional<std::string> readSecurePassword(const fs::path& folder) {
    // Decoded as every reader decodes it, so designer and player derive one key.
    return autorunInfLine(folder, 1, kSecurePasswordBuffer);
}

std::array<std::uint8_t, 16> secureKeyFromPassword(std::string_view password) {
    return md5Digest(password);
}

bool encryptFile(const fs::path& source, const fs::path& destination, std::string_view password) {
    // An empty password would give every disc the same key; the designer never has one.
    if (password.empty() || samePlace(source, destination)) return false;
    File in = openFile(source, "rb");
    if (!in) return false;
    File out = openFile(destination, "wb");  // truncates: old bytes must not survive a shorter file
    if (!out) return false;
    platform::debugLog("encrypting " + source.string());
    auto key = secureKeyFromPassword(password);
    Rc4 cipher(key);
    return finishInto(in.get(), std::move(out), destination, cipher);
}

std::optional<std::vector<std::uint8_t>> importKeyBlob(std::span<const std::uint8_t> blob) {
    // BLOBHEADER: type, version, reserved word, algorithm id (little-endian).
    constexpr std::uint8_t kPlainTextKeyBlob = 0x08;
    constexpr std::uint32_t kAlgRc4 = 0x6801;
    if (blob.size() < 12) return std::nullopt;
    if (blob[0] != kPlainTextKeyBlob || loadLe32(blob.data() + 4) != kAlgRc4) return std::nullopt;
    std::uint32_t keySize = loadLe32(blob.data() + 8);
    if (keySize == 0 || keySize > 256 || keySize > blob.size() - 12) return std::nullopt;
    return std::vector<std::uint8_t>(blob.begin() + 12, blob.begin() + 12 + keySize);
}

bool decryptFile(const fs::path& source, const fs::path& destination, std::string_view password) {
    if (samePlace(source, destination)) return false;
    File in(platform::openRegularFileStream(source));
    if (!in) return discard(destination);
    std::setvbuf(in.get(), nullptr, _IOFBF, kIoBuffer);
    std::vector<std::uint8_t> key;
    if (password.empty()) {
        std::uint8_t lengthBytes[4];
        if (std::fread(lengthBytes, 1, 4, in.get()) != 4) return discard(destination);
        std::uint32_t n = loadLe32(lengthBytes);
        if (n > 64 * 1024) return discard(destination);
        std::vector<std::uint8_t> blob(n);
        if (std::fread(blob.data(), 1, n, in.get()) != n) return discard(destination);
        auto imported = importKeyBlob(blob);
        if (!imported) {
            platform::debugLog("key blob cannot be imported: " + source.string());
            return discard(destination);
        }
        key = std::move(*imported);
    } else {
        auto digest = secureKeyFromPassword(password);
        key.assign(digest.begin(), digest.end());
    }
    File out = openFile(destination, "wb");
    if (!out) return discard(destination);
    Rc4 cipher(key);
    return finishInto(in.get(), std::move(out), destination, cipher);
}

}  // namespace rondivo
