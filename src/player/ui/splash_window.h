#pragma once
// The splash: a picture in a borderless window just 5 pixels larger than
// the picture, centred on the screen.
#include <wx/frame.h>

#include <filesystem>
#include <string>

#include "player/ui/picture_control.h"

namespace rondivo {

inline constexpr const char* kSplashTitle = "Rondivo! splash";

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
