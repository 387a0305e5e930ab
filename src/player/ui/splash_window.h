#pragma once
// The splash: a picture in a borderless window just 5 pixels larger than
// the picture, centred on the screen.
#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/window.h>

#include <filesystem>
#include <string>

namespace rondivo {

inline constexpr const char* kSplashTitle = "Rondivo! splash";

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

class SplashWindow : public wxFrame {
  public:
    enum Id : int { kPicture = 1014 };

    // `imagePath` relative to the current directory; empty means "default.gif".
    explicit SplashWindow(const std::string& imagePath);
    // Shows the window and returns once it has been painted.
    void showNow();
    void hideSplash() { Hide(); }
    CPictureCtrl* picture() const { return picture_; }

  private:
    CPictureCtrl* picture_ = nullptr;
};

}  // namespace rondivo
