#pragma once
// The name rules of the Save As dialog for menus.
#include <string>
#include <string_view>

namespace rondivo::menucreator {

inline constexpr const char* kInvalidMenuNameMessage =
    "Invalid autoplay menu name. Please enter a name without special characters or dots.";
inline constexpr const char* kReplaceMenuQuestion = " already exists.\nDo you want to replace it?";

// The name shown in the dialog: a file name loses its extension.
std::string menuNameForDisplay(std::string_view name);
// True when the name can become a file name: no dots or special characters,
// and not empty (an empty name would write the hidden file ".html").
bool isValidMenuName(std::string_view name);
// The file name written for an accepted name.
std::string menuFileName(std::string_view name);

}  // namespace rondivo::menucreator
