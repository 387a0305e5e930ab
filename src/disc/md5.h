#pragma once
// MD5 (RFC 1321). Secure discs take their RC4 key from the MD5 digest of the
// autorun.inf command line, so the digest must match the published algorithm.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rondivo {

using Md5Digest = std::array<std::uint8_t, 16>;

class Md5 {
  public:
    Md5();
    void update(const void* data, std::size_t size);
    void update(std::string_view text) { update(text.data(), text.size()); }
    // Ends the hash; the object must not be updated afterwards.
    Md5Digest finish();

  private:
    void block(const std::uint8_t* p);

    std::array<std::uint32_t, 4> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::uint64_t length_ = 0;  // bytes hashed so far
};

Md5Digest md5Digest(std::string_view text);

}  // namespace rondivo
