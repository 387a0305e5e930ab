#pragma once
// "Custom Window Size": the width and height of the player's browser window.
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>

namespace rondivo {

class CCustomSizeDlg : public wxDialog {
  public:
    CCustomSizeDlg(wxWindow* parent, int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    std::function<void(const std::string& text)> showMessage;

  private:
    void onOk(wxCommandEvent&);
    int width_, height_;
    wxTextCtrl *widthEdit_ = nullptr, *heightEdit_ = nullptr;
};

}  // namespace rondivo
