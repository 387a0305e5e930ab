#pragma once
// "Please wait, Preparing Files ..": shown while a build copies, naming each file.
#include <wx/dialog.h>
#include <wx/stattext.h>

#include <string>

namespace rondivo {

class CPreparingFilesDlg : public wxDialog {
  public:
    enum Id : int { kWaitText = 1031 };

    explicit CPreparingFilesDlg(wxWindow* parent);
    void setText(const std::string& text);
    wxString text() const { return text_->GetLabel(); }

  private:
    wxStaticText* text_ = nullptr;
};

}  // namespace rondivo
