#pragma once
// How the author starts a menu: the chooser page's choices, the template
// pages behind them, and the blank template.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rondivo::menucreator {

// Built-in pages. The chooser test looks for ".exe/23/182", the blank-template
// test for ".exe/23/179", so the program name stays part of the address; its
// blank is written as "%20" because the web engine refuses a blank in a host.
inline constexpr const char* kBuiltInPageBase = "res://Rondivo!%202.6.exe/23/";
inline constexpr const char* kChooserPageUrl = "res://Rondivo!%202.6.exe/23/182";
inline constexpr const char* kBlankTemplateUrl = "res://Rondivo!%202.6.exe/23/179";
inline constexpr const char* kChooserMarker = ".exe/23/182";
inline constexpr const char* kBlankTemplateMarker = ".exe/23/179";
inline constexpr const char* kBeginEditingWord = "MENUCREATOR_BEGIN_EDITING";

// The list on the chooser page, in the order it offers them.
inline constexpr std::array<const char*, 6> kChooserOptions = {
    "Blank Template",     "Generic CD Template", "Simple Template",
    "High Tech Template", "XP Blue Template",    "Image Gallery Wizard"};

// Where the chooser's DoLocation() sends the page for an option.
std::string doLocationFor(std::string_view optionText);

// The number of a built-in page address ("182" for the chooser), or empty.
std::string builtInPageNumber(std::string_view url);

// Built-in page 186 is the manual: for its address, the chapter asked for
// (the part after "#", possibly empty); nothing for any other address.
std::optional<std::string> helpChapterOf(std::string_view url);

enum class TemplateKind { Blank, Page, ImageGallery };
struct TemplateChoice {
    TemplateKind kind = TemplateKind::Blank;
    std::string page;  // address or file to open
};
// The page an intercepted begin-editing address asks for; the first template
// word the address holds wins (letter case ignored, the engine lower-cases hosts).
TemplateChoice templateForAddress(std::string_view address,
                                  const std::filesystem::path& htmlFolder);

// The style block every new page carries: invisible text-box borders and
// blue Arial links without underline, red under the mouse.
std::string standardStyleBlock();
// The blank template page (built-in page 179).
std::string blankTemplatePage();

}  // namespace rondivo::menucreator
