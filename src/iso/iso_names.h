#pragma once
// Names in the image: the 16-bit long names of the Joliet hierarchy and the
// upper-case 8.3 names of the ISO 9660 hierarchy.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo::iso {

// File names on Linux are UTF-8; bytes that are not valid UTF-8 are taken as
// Latin-1 so every name still converts. Characters beyond the BMP become
// surrogate pairs.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);
bool isValidUtf8(std::string_view text);
// The text with each byte that is not part of valid UTF-8 written as "\xE9",
// so a name can be shown as it is on disk without guessing its encoding.
std::string escapeInvalidUtf8(std::string_view text);

// Case folding for the case-insensitive child lookup: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic, as Windows' upcase table does them.
char16_t upperCase16(char16_t c);
std::u16string upperCase16(std::u16string_view text);

// Short names unique within one directory, made the way Windows makes them
// when the file system has none to offer: a name that already is 8.3 in
// d-characters (A-Z 0-9 _) keeps its form upper-cased ("readme.txt" ->
// "README.TXT"); any other gets the first characters of its base, "~n" and the
// first three characters of its extension ("Long name.html" ->
// "LONGNA~1.HTM", then "~2", ...). Directories get 8 characters and no
// extension. Characters outside the d-characters become "_".
class ShortNameTable {
  public:
    std::string assign(std::u16string_view longName, bool directory);
    void reserve(std::size_t more) {
        used_.reserve(more);
        nextTail_.reserve(more);
    }

  private:
    // Short names are at most 12 characters: an open-addressing table of
    // fixed-size keys, with no allocation per name (a folder of 20,000 files
    // makes two lookups per file).
    class Table {
      public:
        // The value stored for `key`, inserted as 0 when new.
        std::uint32_t& at(std::string_view key, bool* inserted = nullptr);
        void reserve(std::size_t more);

      private:
        using Key = std::array<char, 16>;
        struct Slot {
            Key key{};
            std::uint32_t value = 0;
            bool used = false;
        };
        void grow(std::size_t capacity);
        std::vector<Slot> slots_;
        std::size_t size_ = 0;
    };

    bool take(const std::string& name);

    Table used_;
    // Next "~n" to try per stem and extension, so that thousands of names
    // sharing six characters stay linear.
    Table nextTail_;
};

}  // namespace rondivo::iso
