#pragma once
// Developer diagnostics on standard error when RONDIVO_DEBUG is set; never
// shown to the author or the disc's user.
#include <string_view>

namespace rondivo::platform {
void debugLog(std::string_view message);
}
