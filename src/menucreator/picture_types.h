#pragma once
// The pictures the Menu Creator puts into pages: every type the web engine
// shows, for "Insert Image", "Insert Background Image" and the image gallery.
#include <array>
#include <string>
#include <string_view>

namespace rondivo::menucreator {

inline constexpr std::array<const char*, 7> kPictureExtensions = {".gif", ".jpg",  ".jpeg", ".bmp",
                                                                  ".png", ".webp", ".svg"};

// True when the file name ends in one of the picture extensions, in any case.
bool isPictureFile(std::string_view path);

// The open-file dialog's filter for pictures ("description|patterns").
std::string pictureFileFilter();

}  // namespace rondivo::menucreator
