#pragma once
// "Custom Window Size": the width and height of the player's browser window.
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>

namespace rondivo {

class CustomSizeDialog : public wxDialog {
  public:
    enum Id : int { kWidth = 1067, kHeight = 1068 };

    // `message` says why a value is refused (a message box, or a test's record).
    CustomSizeDialog(
        wxWindow* parent, int width, int height,
        std::function<void(wxWindow* parent, const std::string& text, long style)> message);
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    void onOk(wxCommandEvent&);
    std::function<void(wxWindow*, const std::string&, long)> message_;
    int width_, height_;
    wxTextCtrl *widthEdit_ = nullptr, *heightEdit_ = nullptr;
};

}  // namespace rondivo
