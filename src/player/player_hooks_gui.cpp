// Start-up hooks of the player until its windows arrive: the splash time is
// waited out, there is no start-up sound, and pages open with the desktop's
// browser instead of the built-in window.
#include <chrono>
#include <thread>

#include "app/window_seams.h"
#include "platform/debug_log.h"
#include "platform/shell.h"

namespace rondivo {

void showDesignerSplashWindow(const std::filesystem::path&) {}

void showPlayerSplash(const std::string& image, int displayMs) {
    platform::debugLog("splash window not built yet: " + image);
    std::this_thread::sleep_for(std::chrono::milliseconds(displayMs));
}

void startStartupSound(const std::string& path) { platform::debugLog("start-up sound not built yet: " + path); }
bool startupSoundFinished() { return true; }

void runBrowserWindow(const BrowserLaunch& launch) {
    platform::debugLog("built-in browser not built yet; using the desktop's browser");
    platform::shellExecute(launch.address.string(), "");
}

std::string extractSecureFilesForShell() { return "."; }

}  // namespace rondivo
