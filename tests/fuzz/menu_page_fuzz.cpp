// A menu page the Menu Creator reads back, and the marking of its links on save.
#include <sstream>

#include "fuzz_support.h"
#include "menucreator/menu_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo::menucreator;
    auto page = rondivo::fuzz::text(data, size);
    std::istringstream in{std::string(page)};
    MenuHeadValues head = readMenuHeadValues(in);
    toDiskText(addBlankTargets(buildMenuPage(page, head)));
    return 0;
}
