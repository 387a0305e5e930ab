#include "player/ui/picture_control.h"

#include <wx/dcclient.h>
#include <wx/image.h>

#include <algorithm>
#include <vector>

#include "platform/regular_file.h"
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

}  // namespace rondivo
