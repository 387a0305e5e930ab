#pragma once
// The image gallery generator: a page of 100x100 thumbnails, five to a row,
// each linking to its full picture in a new window.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo::menucreator {

inline constexpr char kGalleryPageName[] = "Image_Gallery.html";

// Where thumbnail n (from 0) sits.
struct ThumbnailPosition {
    int left = 0;
    int top = 0;
};
ThumbnailPosition thumbnailPosition(int index);

// The page text (line feeds as "\n") for these pictures, in this order.
std::string galleryPageText(const std::vector<std::string>& picturePaths);

struct GalleryResult {
    int pictureCount = 0;
    std::string pageName;  // "Image_Gallery.html"
    bool written = false;  // false when the page could not be written
};
// Writes html folder / Image_Gallery.html for the pictures in `pictureFolder`,
// in the order the folder lists them; the page is written even without pictures.
GalleryResult generateImageGallery(const std::filesystem::path& pictureFolder,
                                   const std::filesystem::path& htmlFolder);

}  // namespace rondivo::menucreator
