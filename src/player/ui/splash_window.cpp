#include "player/ui/splash_window.h"

#include <wx/dcbuffer.h>
#include <wx/image.h>
#include <wx/log.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/regular_file.h"
#include "ui/gui_pump.h"
#include "ui/picture.h"

namespace rondivo {

namespace fs = std::filesystem;

CPictureCtrl::CPictureCtrl(wxWindow* parent, wxWindowID id)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CPictureCtrl::onPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &CPictureCtrl::onErase, this);
}

bool CPictureCtrl::loadFromFile(const fs::path& path) {
    std::vector<char> bytes;
    if (!platform::readRegularFile(path, bytes, kLargestPicture)) return false;
    picture_ = wxBitmap();
    // A broken picture is an empty control, not an error box.
    wxImage image = decodePicture(bytes.data(), bytes.size());
    if (image.IsOk()) picture_ = wxBitmap(image);
    Refresh();
    return true;
}

wxSize CPictureCtrl::pictureSizePixels() const {
    return picture_.IsOk() ? wxSize(picture_.GetWidth(), picture_.GetHeight()) : wxSize(0, 0);
}

void CPictureCtrl::onPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize client = GetClientSize();
    const wxSize pic = pictureSizePixels();
    // Only the area outside the picture is filled, so the picture never flickers.
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(GetParent()->GetBackgroundColour()));
    if (client.x > pic.x) dc.DrawRectangle(pic.x, 0, client.x - pic.x, client.y);
    if (client.y > pic.y) dc.DrawRectangle(0, pic.y, std::min(pic.x, client.x), client.y - pic.y);
    if (picture_.IsOk()) {
        dc.SetClippingRegion(0, 0, std::min(pic.x, client.x), std::min(pic.y, client.y));
        dc.DrawBitmap(picture_, 0, 0);
    }
    painted_ = true;
}

void CPictureCtrl::onErase(wxEraseEvent&) {}

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
