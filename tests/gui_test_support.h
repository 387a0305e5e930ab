#pragma once
// What the window tests share: running the window loop for a while or until
// something happened, and pictures of the screen for a person to look at.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

namespace rondivo::test {

// Runs the window loop until `done` holds or `ms` milliseconds have passed.
inline bool waitUntil(const std::function<bool()>& done, int ms = 15000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        wxTheApp->Yield(true);
        if (done()) return true;
        wxMilliSleep(10);
    }
    return done();
}

inline void pump(int ms) {
    waitUntil([] { return false; }, ms);
}

// With RONDIVO_SHOTS set, saves the screen as <name>.png in that folder:
// after showing and raising `window` when one is given, cut to it when `crop`,
// once the window loop has run `settleMs` (0: only for what is pending, for a
// test that must not let anything else happen first).
inline void screenshot(const std::string& name, wxWindow* window = nullptr, bool crop = false,
                       int settleMs = 300) {
    const char* dir = std::getenv("RONDIVO_SHOTS");
    if (!dir) return;
    if (window) {
        window->Show();
        window->Raise();
    }
    if (settleMs > 0)
        pump(settleMs);
    else
        for (int i = 0; i < 5; ++i) wxTheApp->Yield(true);
    std::string cmd = "import -window root ";
    if (window && crop) {
        wxRect r = window->GetScreenRect();
        cmd += "-crop " + std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
               std::to_string(r.x) + "+" + std::to_string(r.y) + " +repage ";
    }
    cmd += "'" + std::string(dir) + "/" + name + ".png'";
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
}

}  // namespace rondivo::test
