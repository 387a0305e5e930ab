#include "disc/rc4.h"

#include <bit>
#include <cstring>

namespace rondivo {

namespace {
std::uint64_t byteSwap(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int n = 0; n < 8; ++n, v >>= 8) r = (r << 8) | (v & 0xff);
    return r;
}
}  // namespace

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
    auto next = [&]() -> std::uint64_t {
        i = (i + 1) & 0xff;
        std::uint32_t si = s[i];
        j = (j + si) & 0xff;
        std::uint32_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        return s[(si + sj) & 0xff];
    };
    // Eight key-stream bytes gathered into one word and XORed in a single
    // load and store: the byte-wise loop spends as long on the data as on the cipher.
    for (; size >= 8; data += 8, size -= 8) {
        std::uint64_t k = next();
        k |= next() << 8;
        k |= next() << 16;
        k |= next() << 24;
        k |= next() << 32;
        k |= next() << 40;
        k |= next() << 48;
        k |= next() << 56;
        if constexpr (std::endian::native == std::endian::big) k = byteSwap(k);
        std::uint64_t v;
        std::memcpy(&v, data, 8);
        v ^= k;
        std::memcpy(data, &v, 8);
    }
    for (; size; --size) *data++ ^= static_cast<std::uint8_t>(next());
    i_ = i;
    j_ = j;
}

}  // namespace rondivo
