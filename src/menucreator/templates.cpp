#include "menucreator/templates.h"

#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo::menucreator {

std::string doLocationFor(std::string_view optionText) {
    struct Row {
        std::string_view option, location;
    };
    static constexpr Row kRows[] = {
        {"Simple Template", "http://MENUCREATOR_BEGIN_EDITING_SIMPLE"},
        {"Generic CD Template", "http://MENUCREATOR_BEGIN_EDITING_GENERIC"},
        {"High Tech Template", "http://MENUCREATOR_BEGIN_EDITING_HIGHTECH"},
        {"XP Blue Template", "http://MENUCREATOR_BEGIN_EDITING_XPBLUE"},
        {"Install Software Template", "http://MENUCREATOR_BEGIN_EDITING_SOFTWARE"},
        {"Image Gallery Wizard", "http://MENUCREATOR_BEGIN_EDITING_IMAGEGALLERY"},
    };
    for (const Row& r : kRows)
        if (optionText == r.option) return std::string(r.location);
    return "http://MENUCREATOR_BEGIN_EDITING";
}

std::string builtInPageNumber(std::string_view url) {
    std::size_t at = url.find(".exe/23/");
    if (at == std::string_view::npos) return {};
    std::string_view rest = url.substr(at + 8);
    std::size_t n = 0;
    while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') ++n;
    return std::string(rest.substr(0, n));
}

std::optional<std::string> helpChapterOf(std::string_view url) {
    if (builtInPageNumber(url) != "186") return std::nullopt;
    const std::size_t hash = url.find('#');
    return std::string(hash == std::string_view::npos ? "" : url.substr(hash + 1));
}

TemplateChoice templateForAddress(std::string_view address,
                                  const std::filesystem::path& htmlFolder) {
    struct Row {
        std::string_view word, file;
    };
    static constexpr Row kRows[] = {
        {"GENERAL", "1_Demo_General_Menu.html"}, {"SOFTWARE", "2_Demo_Software_Installation.html"},
        {"SIMPLE", "Template_Simple.html"},      {"GENERIC", "Template_Generic.html"},
        {"HIGHTECH", "Template_HighTech.html"},  {"XPBLUE", "Template_XPBlue.html"},
        {"IMAGEGALLERY", "Image_Gallery.html"},
    };
    const std::string upper = platform::toUpper(address);
    for (const Row& r : kRows) {
        if (upper.find(r.word) == std::string::npos) continue;
        TemplateKind kind =
            r.word == "IMAGEGALLERY" ? TemplateKind::ImageGallery : TemplateKind::Page;
        return {kind, (htmlFolder / platform::u8path(r.file)).string()};
    }
    return {TemplateKind::Blank, kBlankTemplateUrl};
}

std::string standardStyleBlock() {
    return "<style type=\"text/css\">\n"
           "fieldset {\n"
           "   border: #ffffff 0px solid;\n"
           "}\n"
           "a:link {  font-family: Arial, Helvetica, sans-serif; color: #0000FF; text-decoration: "
           "none}\n"
           "a:active {  font-family: Arial, Helvetica, sans-serif; color: #0000FF; "
           "text-decoration: none}\n"
           "a:visited { font-family: Arial, Helvetica, sans-serif; color: #0000FF; "
           "text-decoration: none}\n"
           "a:hover { font-family: Arial, Helvetica, sans-serif; color: #FF0000; text-decoration: "
           "none}\n"
           "</style>\n";
}

std::string blankTemplatePage() {
    return "<HTML>\n<BODY>\n" + standardStyleBlock() + "</BODY>\n</HTML>\n";
}

}  // namespace rondivo::menucreator
