#include "menucreator/image_gallery.h"

#include <fstream>
#include <system_error>

#include "menucreator/picture_types.h"
#include "menucreator/templates.h"

namespace rondivo::menucreator {

ThumbnailPosition thumbnailPosition(int index) {
    return {15 + 130 * (index % 5), 80 + 130 * (index / 5)};
}

std::string galleryPageText(const std::vector<std::string>& picturePaths) {
    std::string page = "<HTML>\n<TITLE>My Image Gallery</TITLE>\n<BODY>\n" + standardStyleBlock();
    page +=
        "<P><BR><FONT SIZE=4 FACE=Verdana><FIELDSET style=\"LEFT: 200px; POSITION: absolute; TOP: "
        "20px\">My Image Gallery</FIELDSET></FONT><BR><P>\n";
    page +=
        "<P><BR><FONT SIZE=1 FACE=Verdana><FIELDSET style=\"LEFT: 190px; POSITION: absolute; TOP: "
        "45px\">Click a picture to view full image.</FIELDSET></FONT><BR><P>\n";
    int left = 15, top = 80, inRow = 0;
    for (const std::string& p : picturePaths) {
        page += "\r\n<BR><P>\r\n";
        page += "<A HREF=\"" + p + "\" target=_blank>\r\n<IMG SRC=\"" + p +
                "\" WIDTH=100 HEIGHT=100 BORDER=0 style=\"LEFT: " + std::to_string(left) +
                "px; POSITION: absolute; TOP: " + std::to_string(top) + "px\">\r\n</A>\n";
        page += "\r\n<BR><P>\r\n";
        if (++inRow < 5) {
            left += 130;
        } else {
            page += "\n<BR>\n";
            top += 130;
            left = 15;
            inRow = 0;
        }
    }
    page += "\n</BODY>\n</HTML>";
    return page;
}

GalleryResult generateImageGallery(const std::filesystem::path& pictureFolder,
                                   const std::filesystem::path& htmlFolder) {
    std::vector<std::string> pictures;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(pictureFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        // Folders are never pictures, whatever their names say.
        if (!it->is_regular_file(ec)) continue;
        std::string full = it->path().string();
        if (isPictureFile(full)) pictures.push_back(full);
    }
    GalleryResult result;
    result.pageName = kGalleryPageName;
    result.pictureCount = static_cast<int>(pictures.size());
    // Written the way a text-mode file stores it: each line feed becomes
    // CR LF, so the "\r\n" pieces reach the disk as CR CR LF.
    std::string text = galleryPageText(pictures), bytes;
    for (char c : text) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(c);
    }
    std::ofstream out(htmlFolder / kGalleryPageName, std::ios::binary | std::ios::trunc);
    if (out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        result.written = static_cast<bool>(out);
    }
    return result;
}

}  // namespace rondivo::menucreator
