#include "burn/ui/burn_progress_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace rondivo::burn {

CBurnProgressDlg::CBurnProgressDlg(wxWindow* parent, CDiscBurner* burner)
    : wxDialog(parent, wxID_ANY, "Copying file(s) to CD-ROM"), timer_(this), burner_(burner) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    // A moving bar instead of a film: it shows the program is still at work.
    gauge_ = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(320, 18));
    top->Add(gauge_, 0, wxEXPAND | wxALL, 12);
    operation_ = new wxStaticText(this, wxID_ANY, "");
    top->Add(operation_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    top->Add(new wxStaticText(this, wxID_ANY,
                              "Please wait while file(s) are copied to your CD-ROM. This may take "
                              "several minutes.\n\nYour CD-ROM drive bay will open upon "
                              "completion."),
             0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    if (burner_) {
        top->Add(new wxButton(this, wxID_CANCEL, "&Cancel"), 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM,
                 12);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { cancel(); }, wxID_CANCEL);
    }
    SetSizerAndFit(top);
    CentreOnParent();
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { showProgress(); });
    // Closing it would leave the burn running unseen: it goes when the burn ends.
    Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent& e) { e.Veto(); });
    gauge_->Pulse();
    timer_.Start(80);
}

void CBurnProgressDlg::cancel() {
    if (!burner_ || cancelling_) return;
    cancelling_ = true;
    burner_->cancelBurn();
    if (auto* button = FindWindow(wxID_CANCEL)) button->Disable();
    showProgress();
}

// Erasing, formatting and closing report how far they are; writing only moves.
void CBurnProgressDlg::showProgress() {
    const std::string name = burner_ ? burner_->operationName() : std::string();
    const int percent = burner_ ? burner_->operationPercent() : -1;
    wxString label = name.empty() ? wxString() : wxString(name + "...");
    if (cancelling_) label = "Cancelling: closing what was written... " + label;
    operation_->SetLabel(label);
    if (!name.empty() && percent >= 0)
        gauge_->SetValue(percent);
    else
        gauge_->Pulse();
}

CBurnProgressDlg::~CBurnProgressDlg() {
    timer_.Stop();
}

}  // namespace rondivo::burn
