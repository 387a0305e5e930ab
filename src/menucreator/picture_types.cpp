#include "menucreator/picture_types.h"

#include "platform/paths.h"

namespace rondivo::menucreator {

bool isPictureFile(std::string_view path) {
    std::string name = platform::toLower(path.substr(path.find_last_of("\\/") + 1));
    for (std::string_view ext : kPictureExtensions)
        if (name.size() > ext.size() && name.ends_with(ext)) return true;
    return false;
}

std::string pictureFileFilter() {
    std::string patterns;
    for (const char* ext : kPictureExtensions)
        patterns += (patterns.empty() ? "*" : ";*") + std::string(ext);
    return "GIF/JPG/BMP/PNG/WebP/SVG (" + patterns + ")|" + patterns;
}

}  // namespace rondivo::menucreator
