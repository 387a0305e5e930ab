#pragma once
// Text files Windows reads as .ini files (autorun.inf). Explorer reads them
// in the ANSI code page unless they are UTF-16LE with a byte-order mark, so a
// name beyond ASCII must go into such a file as UTF-16LE; discs of earlier
// versions carry UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

// The bytes to write for `utf8Text`: the text itself when it is all ASCII
// (every reader ever made reads that), else FF FE and UTF-16LE.
std::string iniFileBytes(std::string_view utf8Text);

// The UTF-8 text of a file's bytes: UTF-16LE with its mark, UTF-8 with or
// without one, ASCII.
std::string iniFileText(std::string_view bytes);

// The lines of `text`; CR LF and bare LF both end a line.
std::vector<std::string> textLines(std::string_view text);

}  // namespace rondivo
