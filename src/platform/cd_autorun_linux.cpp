#include "platform/cd_autorun.h"
#include "platform/debug_log.h"

namespace rondivo::platform {
CdAutorunReport setCdAutorun(bool enabled) {
    debugLog(enabled ? "CD autorun: nothing to switch on on this system"
                     : "CD autorun: nothing to switch off on this system");
    return {};
}
}  // namespace rondivo::platform
