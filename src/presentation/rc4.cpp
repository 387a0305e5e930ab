#include "presentation/rc4.h"

namespace rondivo {

Rc4::Rc4(std::span<const std::uint8_t> key) {
    static const std::uint8_t zero = 0;
    if (key.empty()) key = std::span<const std::uint8_t>(&zero, 1);
    for (std::uint32_t n = 0; n < 256; ++n) s_[n] = n;
    std::uint32_t j = 0;
    for (std::uint32_t n = 0; n < 256; ++n) {
        j = (j + s_[n] + key[n % key.size()]) & 0xff;
        std::uint32_t t = s_[n];
        s_[n] = s_[j];
        s_[j] = t;
    }
}

void Rc4::apply(std::uint8_t* data, std::size_t size) {
    std::uint32_t i = i_, j = j_;
    std::uint32_t* s = s_;
    auto step = [&]() -> std::uint8_t {
        i = (i + 1) & 0xff;
        std::uint32_t si = s[i];
        j = (j + si) & 0xff;
        std::uint32_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        return static_cast<std::uint8_t>(s[(si + sj) & 0xff]);
    };
    std::size_t n = 0;
    // Four bytes a round lets the compiler keep more of the work in registers.
    for (; n + 4 <= size; n += 4) {
        std::uint8_t k0 = step();
        std::uint8_t k1 = step();
        std::uint8_t k2 = step();
        std::uint8_t k3 = step();
        data[n] ^= k0;
        data[n + 1] ^= k1;
        data[n + 2] ^= k2;
        data[n + 3] ^= k3;
    }
    for (; n < size; ++n) data[n] ^= step();
    i_ = i;
    j_ = j;
}

}  // namespace rondivo
