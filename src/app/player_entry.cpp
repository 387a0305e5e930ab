// The player's part of the start-up routine: splash, start-up sound and the
// built-in browser window.
#include <wx/app.h>

#include <chrono>
#include <memory>
#include <thread>

#include "app/window_seams.h"
#include "player/sound_job.h"
#include "player/ui/browser_window.h"
#include "player/ui/splash_window.h"
#include "ui/gui_pump.h"

namespace rondivo {

namespace {
// Both live until the process ends, as the start-up routine expects.
std::shared_ptr<SoundJob> g_soundJob;
SplashWindow* g_designerSplash = nullptr;
}  // namespace

void showDesignerSplashWindow(const std::filesystem::path& image) {
    g_designerSplash = new SplashWindow(image.string());
    g_designerSplash->showNow();
    auto job = std::make_shared<SplashTimerJob>();
    job->displayMs = 2000;
    // Windows belong to the main thread: the worker asks it to hide the splash.
    job->hide = [] {
        wxTheApp->CallAfter([] {
            if (g_designerSplash) g_designerSplash->hideSplash();
        });
    };
    std::thread([job] { runSplashTimer(*job); }).detach();
}

void showPlayerSplash(const std::string& image, int displayMs) {
    auto* splash = new SplashWindow(image);
    splash->showNow();
    // The wait keeps the splash painted (a compositor may ask for it again).
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(splashDisplayTime(displayMs));
    while (std::chrono::steady_clock::now() < until) {
        pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    splash->hideSplash();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pumpPendingEvents();
    pumpPendingEvents();
}

void startStartupSound(const std::string& path) {
    g_soundJob = startSoundJob(path);
}

bool startupSoundFinished() {
    return !g_soundJob || g_soundJob->finished;
}

void runBrowserWindow(const BrowserLaunch& launch) {
    BrowserWindow window(launch);
    window.run();
}

}  // namespace rondivo
