#pragma once
// Numeric field encodings of ECMA-119 §7 (7.1.1 to 7.3.3), written into a
// byte buffer at a given position. Pure: no I/O, no allocation.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rondivo::iso {

inline constexpr std::size_t kSectorSize = 2048;

// 7.1.1: 8-bit unsigned.
inline void put711(std::uint8_t* p, std::uint8_t v) {
    p[0] = v;
}

// 7.2.1 / 7.2.2: 16-bit little- / big-endian.
inline void put721(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put722(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}
// 7.2.3: both byte orders, little-endian first.
inline void put723(std::uint8_t* p, std::uint16_t v) {
    put721(p, v);
    put722(p + 2, v);
}

// 7.3.1 / 7.3.2: 32-bit little- / big-endian.
inline void put731(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put732(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}
// 7.3.3: both byte orders.
inline void put733(std::uint8_t* p, std::uint32_t v) {
    put731(p, v);
    put732(p + 4, v);
}

inline void putBytes(std::uint8_t* p, std::string_view s) {
    for (char c : s) *p++ = static_cast<std::uint8_t>(c);
}

// Joliet identifiers: UCS-2 code units, big-endian.
inline void putUcs2(std::uint8_t* p, std::u16string_view s) {
    for (char16_t c : s) {
        put722(p, static_cast<std::uint16_t>(c));
        p += 2;
    }
}

inline std::uint64_t sectorsFor(std::uint64_t bytes) {
    return (bytes + kSectorSize - 1) / kSectorSize;
}

}  // namespace rondivo::iso
