#include "iso/iso_names.h"

#include <algorithm>
#include <cstring>

namespace rondivo::iso {

namespace {

// The code point of the UTF-8 sequence at `i` and its length in bytes; 0
// when the bytes there are not UTF-8 (stray continuation byte, cut sequence,
// overlong form, surrogate, value past U+10FFFF).
std::size_t decodeUtf8(std::string_view text, std::size_t i, std::uint32_t& cp) {
    auto b0 = static_cast<unsigned char>(text[i]);
    cp = b0;
    if (b0 < 0x80) return 1;
    std::size_t len = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
    }
    if (len == 0 || i + len > text.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return len;
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view text) {
    std::u16string out;
    // Most names are ASCII: widened byte by byte.
    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
    out.resize(ascii);
    for (std::size_t k = 0; k < ascii; ++k) out[k] = static_cast<char16_t>(text[k]);
    if (ascii == text.size()) return out;
    out.reserve(text.size());
    std::size_t i = ascii;
    while (i < text.size()) {
        std::uint32_t cp = 0;
        std::size_t len = decodeUtf8(text, i, cp);
        if (len == 0) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i])));  // Latin-1
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

bool isValidUtf8(std::string_view text) {
    std::uint32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = decodeUtf8(text, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::string escapeInvalidUtf8(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    std::uint32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = decodeUtf8(text, i, cp);
        if (len > 0) {
            out.append(text.substr(i, len));
            i += len;
            continue;
        }
        auto b = static_cast<unsigned char>(text[i++]);
        out += "\\x";
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

char16_t upperCase16(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A pairs upper/lower on even/odd code points, except
    // for the block around U+0138 where the pairing flips.
    if (c >= 0x100 && c <= 0x137 && (c & 1)) return static_cast<char16_t>(c - 1);
    if (c >= 0x139 && c <= 0x148 && !(c & 1)) return static_cast<char16_t>(c - 1);
    if (c >= 0x14A && c <= 0x177 && (c & 1)) return static_cast<char16_t>(c - 1);
    if ((c == 0x17A || c == 0x17C || c == 0x17E)) return static_cast<char16_t>(c - 1);
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

std::u16string upperCase16(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = upperCase16(c);
    return out;
}

namespace {

bool isDChar(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// Maps text to upper-case d-characters, keeping at most `keep` of them;
// `lossy` is set when anything was dropped or replaced (the characters past
// `keep` are still looked at for that).
std::string toDChars(std::u16string_view text, std::size_t keep, bool& lossy) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = upperCase16(text[i]);
        char d;
        if (c == u' ' || c == u'.') {
            lossy = true;
            continue;
        }
        if (isDChar(c)) {
            d = static_cast<char>(c);
        } else {
            lossy = true;
            // A surrogate pair is one character.
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) ++i;
            d = '_';
        }
        if (out.size() < keep) out.push_back(d);
    }
    return out;
}

}  // namespace

std::uint32_t& ShortNameTable::Table::at(std::string_view text, bool* inserted) {
    Key key{};
    std::memcpy(key.data(), text.data(), std::min(text.size(), key.size()));
    if ((size_ + 1) * 2 > slots_.size()) grow(std::max<std::size_t>(64, slots_.size() * 2));
    std::uint64_t a, b;
    std::memcpy(&a, key.data(), 8);
    std::memcpy(&b, key.data() + 8, 8);
    std::uint64_t h = (a * 0x9E3779B97F4A7C15ull) ^ (b + 0x632BE59BD9B4E019ull);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 32;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h) & mask;; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (!slot.used) {
            slot.used = true;
            slot.key = key;
            ++size_;
            if (inserted) *inserted = true;
            return slot.value;
        }
        if (slot.key == key) {
            if (inserted) *inserted = false;
            return slot.value;
        }
    }
}

void ShortNameTable::Table::reserve(std::size_t more) {
    std::size_t want = 64;
    while (want < (size_ + more) * 2) want *= 2;
    if (want > slots_.size()) grow(want);
}

void ShortNameTable::Table::grow(std::size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    size_ = 0;
    for (const Slot& slot : old) {
        if (!slot.used) continue;
        std::string_view text(slot.key.data(), strnlen(slot.key.data(), slot.key.size()));
        at(text) = slot.value;
    }
}

bool ShortNameTable::take(const std::string& name) {
    bool inserted = false;
    used_.at(name, &inserted);
    return inserted;
}

std::string ShortNameTable::assign(std::u16string_view longName, bool directory) {
    std::u16string_view rest = longName;
    bool lossy = false;
    while (!rest.empty() && rest.front() == u'.') {
        rest.remove_prefix(1);
        lossy = true;
    }
    std::u16string_view baseText = rest;
    std::u16string_view extText;
    if (!directory) {
        auto dot = rest.rfind(u'.');
        if (dot != std::u16string_view::npos) {
            baseText = rest.substr(0, dot);
            extText = rest.substr(dot + 1);
        }
    }
    // One character past the 8 and 3 kept tells a name that is too long.
    std::string base = toDChars(baseText, 9, lossy);
    std::string ext = toDChars(extText, 4, lossy);

    if (!lossy && !base.empty() && base.size() <= 8 && ext.size() <= 3) {
        std::string name = ext.empty() ? base : base + "." + ext;
        if (take(name)) return name;
    }

    if (base.empty()) base.assign(1, '_');
    if (ext.size() > 3) ext.resize(3);
    std::string key = base.substr(0, 6) + "." + ext;
    std::uint32_t& next = nextTail_.at(key);
    if (next == 0) next = 1;
    for (;; ++next) {
        std::string tail(1, '~');
        tail += std::to_string(next);
        std::size_t stemLength = 8 > tail.size() ? 8 - tail.size() : 0;
        if (stemLength == 0) break;
        std::string name = base.substr(0, stemLength) + tail;
        if (!ext.empty()) name += "." + ext;
        if (take(name)) {
            ++next;
            return name;
        }
    }
    // Ten million names sharing a stem cannot occur within the entry limit.
    return {};
}

}  // namespace rondivo::iso
