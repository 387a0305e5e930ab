#pragma once
// Small text passes shared by the player's action links, the linked-file
// scanner and the Menu Creator.
#include <string>
#include <string_view>

namespace rondivo {

// Replaces each "%20" by a blank and each "&amp;" (any letter case) by "&",
// once: "&amp;amp;" becomes "&amp;".
std::string decodeEntities(std::string_view text);

bool containsText(std::string_view text, std::string_view part);
void replaceAllText(std::string& text, std::string_view from, std::string_view to);

}  // namespace rondivo
