#pragma once
// The splash's picture.
#include <wx/bitmap.h>
#include <wx/window.h>

#include <filesystem>

namespace rondivo {

// Draws a JPEG, GIF (first frame) or BMP unscaled from its top-left corner.
class CPictureCtrl : public wxWindow {
  public:
    CPictureCtrl(wxWindow* parent, wxWindowID id);
    // False only when the file cannot be opened; a file that is no picture
    // leaves the control empty.
    bool loadFromFile(const std::filesystem::path& path);
    wxSize pictureSizePixels() const;
    bool hasPainted() const { return painted_; }

  private:
    void onPaint(wxPaintEvent& event);
    void onErase(wxEraseEvent& event);
    wxBitmap picture_;
    bool painted_ = false;
};

}  // namespace rondivo
