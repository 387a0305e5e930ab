#include "player/ui/splash_window.h"

#include <chrono>
#include <thread>

#include "platform/paths.h"
#include "ui/gui_pump.h"

namespace rondivo {

namespace fs = std::filesystem;

SplashWindow::SplashWindow(const std::string& imagePath)
    : wxFrame(nullptr, wxID_ANY, kSplashTitle, wxDefaultPosition, wxSize(342, 223),
              wxBORDER_NONE | wxFRAME_NO_TASKBAR) {
    picture_ = new CPictureCtrl(this, kPicture);
    std::error_code ec;
    const std::string name = imagePath.empty() ? "default.gif" : imagePath;
    picture_->loadFromFile(platform::resolvePath(fs::current_path(ec), name));
    const wxSize pic = picture_->pictureSizePixels();
    const wxSize size(pic.x + 5, pic.y + 5);
    SetMinSize(wxSize(1, 1));
    SetSize(size);
    Centre();
    picture_->SetSize(0, 0, size.x, size.y);
}

void SplashWindow::showNow() {
    Show();
    Raise();
    // The window has to reach the screen before the caller blocks, so the
    // events that map and paint it run here.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (!picture_->hasPainted() && std::chrono::steady_clock::now() < deadline) {
        pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pumpPendingEvents();
}

}  // namespace rondivo
