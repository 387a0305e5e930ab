#pragma once
// Reading back what the image builder wrote, independent of its code.
#include <cstdint>
#include <string>
#include <vector>

namespace rondivo::iso::test {

inline std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint16_t be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

struct Record {
    std::size_t offset;  // within the directory
    std::uint8_t length;
    std::uint32_t extent;
    std::uint32_t size;
    std::uint8_t flags;
    std::string name;  // ISO bytes, or Joliet decoded to ASCII-only text ('?' otherwise)
    std::uint8_t gmtOffset;
    std::uint8_t year;
};

// Walks a directory the way readers do: a zero length byte means "go to the
// next sector".
inline std::vector<Record> readDirectory(const std::uint8_t* dir, std::size_t bytes, bool joliet) {
    std::vector<Record> out;
    std::size_t pos = 0;
    while (pos < bytes) {
        std::uint8_t len = dir[pos];
        if (len == 0) {
            pos = (pos / 2048 + 1) * 2048;
            continue;
        }
        const std::uint8_t* p = dir + pos;
        Record r{pos, len, le32(p + 2), le32(p + 10), p[25], {}, p[24], p[18]};
        std::uint8_t n = p[32];
        if (joliet && n > 1) {
            for (std::uint8_t i = 0; i + 1 < n; i += 2) {
                std::uint16_t c = be16(p + 33 + i);
                r.name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            }
        } else {
            r.name.assign(reinterpret_cast<const char*>(p + 33), n);
        }
        out.push_back(r);
        pos += len;
    }
    return out;
}

struct PathRecord {
    std::string name;
    std::uint32_t extent;
    std::uint16_t parent;
};

inline std::vector<PathRecord> readPathTable(const std::uint8_t* table, std::size_t bytes,
                                             bool bigEndian, bool joliet) {
    std::vector<PathRecord> out;
    std::size_t pos = 0;
    while (pos < bytes) {
        const std::uint8_t* p = table + pos;
        std::uint8_t n = p[0];
        PathRecord r{
            {}, bigEndian ? be32(p + 2) : le32(p + 2), bigEndian ? be16(p + 6) : le16(p + 6)};
        if (joliet && n > 1) {
            for (std::uint8_t i = 0; i + 1 < n; i += 2)
                r.name.push_back(static_cast<char>(be16(p + 8 + i)));
        } else {
            r.name.assign(reinterpret_cast<const char*>(p + 8), n);
        }
        out.push_back(r);
        pos += 8 + n + (n % 2);
    }
    return out;
}

}  // namespace rondivo::iso::test
