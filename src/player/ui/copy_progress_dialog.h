#pragma once
// The progress of the action links' copies.
#include <wx/dialog.h>

#include <string>

class wxStaticText;

namespace rondivo {

// Shown, modeless, while files are copied on the window's thread; each
// change is painted at once because no events run during a copy.
class CopyProgressDialog : public wxDialog {
  public:
    enum Id : int { kHeading = 1030, kDetail = 1031 };

    CopyProgressDialog(wxWindow* parent, const std::string& caption);
    void setHeading(const std::string& text);
    void setDetail(const std::string& text);

  private:
    void paintNow();
    wxStaticText* heading_ = nullptr;
    wxStaticText* detail_ = nullptr;
};

}  // namespace rondivo
