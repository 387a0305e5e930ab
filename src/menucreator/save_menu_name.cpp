#include "menucreator/save_menu_name.h"

namespace rondivo::menucreator {

namespace {
// Characters that would break the name on some file system, in a URL, or in
// the OPEN= line of autorun.inf.
constexpr std::string_view kForbidden = ".,<>/?\\|'\";:][{}=-`~!@#$%^&*()+\t";
static_assert(kForbidden.size() == 32);
}  // namespace

std::string menuNameForDisplay(std::string_view name) {
    std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool isValidMenuName(std::string_view name) {
    return !name.empty() && name.find_first_of(kForbidden) == std::string_view::npos;
}

std::string menuFileName(std::string_view name) {
    return std::string(name) + ".html";
}

}  // namespace rondivo::menucreator
