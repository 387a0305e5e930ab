// A menu page saved and read back gives the head values it was saved with,
// whatever text the title and paths hold ("<a " included), as long as the
// format can carry them: one line each, no quotes in paths, none of the
// page's own tags. Fields are separated by 0x01: title, music, background,
// colour (any bytes: a colour is made of them), body.
#include <cstdlib>
#include <vector>

#include "fuzz_support.h"
#include "menucreator/menu_page.h"
#include "platform/paths.h"

namespace {

bool carriesPageTags(std::string_view text) {
    const std::string lower = rondivo::platform::toLower(text);
    for (const char* tag : {"<title>", "</title>", "<bgsound", "<body", "bgcolor="})
        if (lower.find(tag) != std::string::npos) return true;
    return false;
}

bool fitsOneLine(std::string_view field, bool path) {
    if (field.size() > 1000 || field.find_first_of("\r\n") != std::string_view::npos) return false;
    if (path && field.find('"') != std::string_view::npos) return false;
    return !carriesPageTags(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo::menucreator;
    const auto input = rondivo::fuzz::text(data, size);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (fields.size() < 4) {
        const std::size_t cut = input.find('\x01', start);
        if (cut == std::string_view::npos) return 0;
        fields.push_back(input.substr(start, cut - start));
        start = cut + 1;
    }
    const std::string_view body = input.substr(start);
    if (!fitsOneLine(fields[0], false) || !fitsOneLine(fields[1], true) ||
        !fitsOneLine(fields[2], true) || carriesPageTags(body) ||
        body.find("</HTML>") != std::string_view::npos)
        return 0;
    std::uint32_t colour = 0;
    for (char c : fields[3]) colour = colour * 131 + static_cast<unsigned char>(c);
    MenuHeadValues head{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                        fields[3].empty() ? std::string() : colourText(colour)};
    const auto file = rondivo::fuzz::scratch() / "menu.html";
    if (!saveMenuPage(file, body, head)) std::abort();
    if (!(readMenuHeadValuesFrom(file.string()) == head)) std::abort();
    return 0;
}
