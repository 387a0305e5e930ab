#pragma once
// Secure-disc files: "name.ext.enc" is the RC4 encryption of "name.ext" with
// the 16-byte MD5 digest of a password as key: no header, no padding, the
// same length as the plain file. The password is the OPEN= line of the
// disc's autorun.inf, so designer and player derive the same key from it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

inline constexpr std::size_t kSecureBlockSize = 1000;
inline constexpr std::size_t kSecurePasswordBuffer = 5000;
inline constexpr char kSecureExtension[] = ".enc";

// Line 2 of folder/autorun.inf as a 5000-byte line buffer reads it, without
// its line end. Nothing when the file or the line is missing.
std::optional<std::string> readSecurePassword(const std::filesystem::path& folder);

// The RC4 key: the MD5 digest of the password's bytes, no salt.
std::array<std::uint8_t, 16> secureKeyFromPassword(std::string_view password);

// Encrypts `source` into `destination` (created or truncated) in blocks of
// 1000 bytes. False when a file cannot be opened, read or written, or the
// password is empty; a destination left half written is removed.
bool encryptFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                 std::string_view password);

// The mirror image. With an empty password the file carries its own key: a
// 4-byte little-endian length N, an N-byte key blob, then the body. Only a
// blob that holds the key in plain text can be imported; any other makes the
// file fail. On failure the destination is removed, so no partial page is
// ever shown as if it were the real one.
bool decryptFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                 std::string_view password);

// The key held by a key blob, or nothing when it cannot be imported (an
// encrypted session key needs the author's key-exchange key, which no player has).
std::optional<std::vector<std::uint8_t>> importKeyBlob(std::span<const std::uint8_t> blob);

}  // namespace rondivo
