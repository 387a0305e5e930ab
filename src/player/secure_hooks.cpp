#include "player/secure_hooks.h"

#include "platform/special_folders.h"

namespace rondivo {

namespace {
SecureExtractionHook& extractionHook() {
    static SecureExtractionHook hook;
    return hook;
}
TempCleanupHook& cleanupHook() {
    static TempCleanupHook hook;
    return hook;
}
}  // namespace

void setSecureExtractionHook(SecureExtractionHook hook) {
    extractionHook() = std::move(hook);
}

void runSecureExtraction(SecureExtraction& extraction) {
    if (extractionHook()) extractionHook()(extraction);
}

std::filesystem::path secureTempRoot() {
    return platform::localAppDataFolder() / "RondivoTemp";
}

void setTempCleanupHook(TempCleanupHook hook) {
    cleanupHook() = std::move(hook);
}

void runTempCleanup() {
    if (cleanupHook()) {
        cleanupHook()();
        return;
    }
    std::error_code ec;
    std::filesystem::remove_all(secureTempRoot(), ec);
}

}  // namespace rondivo
