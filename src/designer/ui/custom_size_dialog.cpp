#include "designer/ui/custom_size_dialog.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/valtext.h>

#include <optional>

#include "designer/designer_settings.h"

namespace rondivo {

namespace {
std::optional<int> sizeValue(const wxString& text) {
    long v = 0;
    if (!text.ToLong(&v) || !customSizeValid(static_cast<int>(v)) || v > kCustomSizeMax)
        return std::nullopt;
    return static_cast<int>(v);
}
}  // namespace

CustomSizeDialog::CustomSizeDialog(
    wxWindow* parent, int width, int height,
    std::function<void(wxWindow* parent, const std::string& text, long style)> message)
    : wxDialog(parent, wxID_ANY, "Custom Window Size"),
      message_(std::move(message)),
      width_(width),
      height_(height) {
    auto* grid = new wxFlexGridSizer(2, 8, 8);
    wxTextValidator digits(wxFILTER_DIGITS);
    grid->Add(new wxStaticText(this, wxID_ANY, "Width"), 0, wxALIGN_CENTER_VERTICAL);
    widthEdit_ = new wxTextCtrl(this, kWidth, wxString::Format("%d", width), wxDefaultPosition,
                                wxSize(90, -1), 0, digits);
    grid->Add(widthEdit_);
    grid->Add(new wxStaticText(this, wxID_ANY, "Height"), 0, wxALIGN_CENTER_VERTICAL);
    heightEdit_ = new wxTextCtrl(this, kHeight, wxString::Format("%d", height), wxDefaultPosition,
                                 wxSize(90, -1), 0, digits);
    grid->Add(heightEdit_);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(grid, 0, wxALL, 12);
    top->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);
    Bind(wxEVT_BUTTON, &CustomSizeDialog::onOk, this, wxID_OK);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (IsModal())
                EndModal(wxID_CANCEL);
            else {
                SetReturnCode(wxID_CANCEL);
                Hide();
            }
        },
        wxID_CANCEL);
}

void CustomSizeDialog::onOk(wxCommandEvent&) {
    // The integer check of a Windows dialog: a whole number in range, or the field again.
    for (wxTextCtrl* edit : {widthEdit_, heightEdit_}) {
        if (!sizeValue(edit->GetValue())) {
            message_(this, "Please enter an integer between 1 and 10000.", wxICON_EXCLAMATION);
            edit->SetFocus();
            edit->SelectAll();
            return;
        }
    }
    width_ = *sizeValue(widthEdit_->GetValue());
    height_ = *sizeValue(heightEdit_->GetValue());
    if (IsModal())
        EndModal(wxID_OK);
    else {
        SetReturnCode(wxID_OK);
        Hide();
    }
}

}  // namespace rondivo
