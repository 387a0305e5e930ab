#include "platform/debug_log.h"

#include <cstdio>
#include <cstdlib>

namespace rondivo::platform {
void debugLog(std::string_view message) {
    static const bool on = std::getenv("RONDIVO_DEBUG") != nullptr;
    if (on)
        std::fprintf(stderr, "rondivo: %.*s\n", static_cast<int>(message.size()), message.data());
}
}  // namespace rondivo::platform
