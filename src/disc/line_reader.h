#pragma once
// Reads text lines through a fixed-size buffer, as the player always has: a
// line longer than the buffer comes back in pieces, so no input can make a
// reader hold more than one buffer. CR LF and bare LF both end a line.
#include <cstddef>
#include <istream>
#include <string>

namespace rondivo {

class LineReader {
  public:
    LineReader(std::istream& in, std::size_t bufferSize)
        : in_(in), max_(bufferSize > 1 ? bufferSize - 1 : 1) {}

    // False at the end of the input.
    bool next(std::string& line) {
        line.clear();
        int c = in_.get();
        if (c == std::char_traits<char>::eof()) return false;
        while (c != std::char_traits<char>::eof() && c != '\n') {
            line.push_back(static_cast<char>(c));
            if (line.size() >= max_) break;
            c = in_.get();
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }

  private:
    std::istream& in_;
    std::size_t max_;
};

}  // namespace rondivo
