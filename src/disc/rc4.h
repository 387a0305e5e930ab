#pragma once
// RC4 stream cipher. The secure-disc format is one RC4 key stream over the
// whole file, so a cipher object keeps its state between blocks.
#include <cstddef>
#include <cstdint>
#include <span>

namespace rondivo {

class Rc4 {
  public:
    // Key schedule; the key is 1 to 256 bytes (an empty key is taken as one zero byte).
    explicit Rc4(std::span<const std::uint8_t> key);
    // XORs the next `size` bytes of the key stream into `data`.
    void apply(std::uint8_t* data, std::size_t size);
    void apply(std::span<std::uint8_t> data) { apply(data.data(), data.size()); }

  private:
    // 32-bit cells: byte-sized loads and stores of the state cost more than they save.
    std::uint32_t s_[256];
    std::uint32_t i_ = 0;
    std::uint32_t j_ = 0;
};

}  // namespace rondivo
