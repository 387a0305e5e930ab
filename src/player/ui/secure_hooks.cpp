#include "player/ui/secure_hooks.h"

namespace rondivo {

namespace {
SecureExtractionHook& extractionHook() {
    static SecureExtractionHook hook;
    return hook;
}
}  // namespace

void setSecureExtractionHook(SecureExtractionHook hook) {
    extractionHook() = std::move(hook);
}

void runSecureExtraction(SecureExtraction& extraction) {
    if (extractionHook()) extractionHook()(extraction);
}

}  // namespace rondivo
