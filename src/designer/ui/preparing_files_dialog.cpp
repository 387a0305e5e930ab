#include "designer/ui/preparing_files_dialog.h"

#include <wx/sizer.h>

namespace rondivo {

CPreparingFilesDlg::CPreparingFilesDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Please wait, Preparing Files ..", wxDefaultPosition,
               wxDefaultSize, wxCAPTION) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, "Reading linked objects:"), 0, wxALL, 10);
    text_ = new wxStaticText(this, kWaitText, "", wxDefaultPosition, wxSize(480, 60),
                             wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    top->Add(text_, 1, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);
    CentreOnParent();
}

void CPreparingFilesDlg::setText(const std::string& text) {
    text_->SetLabel(wxString::FromUTF8(text));
}

}  // namespace rondivo
