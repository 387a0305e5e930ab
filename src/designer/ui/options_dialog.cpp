#include "designer/ui/options_dialog.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace rondivo {

COptionsDlg::COptionsDlg(wxWindow* parent, DesignerPrompts prompts)
    : wxDialog(parent, wxID_ANY, "Options"), prompts_(std::move(prompts)) {
    auto* top = new wxBoxSizer(wxVERTICAL);

    auto* adv = new wxStaticBoxSizer(wxVERTICAL, this, "Advanced Options");
    wxWindow* box = adv->GetStaticBox();
    auto* timeRow = new wxBoxSizer(wxHORIZONTAL);
    timeRow->Add(new wxStaticText(box, wxID_ANY, "Splash screen display time"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
    wxArrayString times;
    for (const char* t : kSplashTimeEntries) times.Add(t);
    splashTime_ = new wxChoice(box, kSplashTime, wxDefaultPosition, wxDefaultSize, times);
    timeRow->Add(splashTime_, 0);
    adv->Add(timeRow, 0, wxALL, 6);
    auto check = [&](int id, const char* text) {
        auto* c = new wxCheckBox(box, id, text);
        adv->Add(c, 0, wxLEFT | wxRIGHT | wxTOP, 6);
        return c;
    };
    rightClick_ = check(kRightClick, "Disable right-click menu in built-in web browser.");
    titleBar_ = check(kTitleBar, "Disable title bar in built-in web browser.");
    resizing_ = check(kResizing, "Disable resizing of the built-in web browser.");
    topMost_ = check(kTopMost, "Set built-in web browser to always be the top-most window.");
    noFolderCopy_ =
        check(kNoFolderCopy, "Disable copying all files/folders in target file location.");
    dataFolder_ =
        check(kDataFolder, "Place data files in separate directory on CD for clean look.");
    adv->Add(
        new wxStaticText(
            box, wxID_ANY,
            "Starting window position in pixels or percent of resolution.\nExample: 100, 100 or "
            "50%, 100"),
        0, wxLEFT | wxRIGHT | wxTOP, 6);
    auto* pos = new wxBoxSizer(wxHORIZONTAL);
    pos->Add(new wxStaticText(box, wxID_ANY, "X"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    startX_ = new wxTextCtrl(box, kStartX, "", wxDefaultPosition, wxSize(70, -1));
    pos->Add(startX_, 0, wxRIGHT, 12);
    pos->Add(new wxStaticText(box, wxID_ANY, "Y"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    startY_ = new wxTextCtrl(box, kStartY, "", wxDefaultPosition, wxSize(70, -1));
    pos->Add(startY_, 0, wxRIGHT, 12);
    centre_ = new wxCheckBox(box, kCentre, "Center window on starting point");
    pos->Add(centre_, 0, wxALIGN_CENTER_VERTICAL);
    adv->Add(pos, 0, wxALL, 6);
    top->Add(adv, 0, wxEXPAND | wxALL, 8);

    auto* sec = new wxStaticBoxSizer(wxVERTICAL, this, "Security");
    secure_ = new wxCheckBox(sec->GetStaticBox(), kSecure, "Secure CD to protect files.");
    sec->Add(secure_, 0, wxALL, 6);
    top->Add(sec, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, "OK"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kHelp, "Help"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0);
    top->Add(buttons, 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);

    Bind(wxEVT_BUTTON, &COptionsDlg::onOk, this, wxID_OK);
    Bind(wxEVT_BUTTON, &COptionsDlg::onCancel, this, wxID_CANCEL);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { prompts_.help(this, "SECURITY"); }, kHelp);
    toControls();
}

int COptionsDlg::ShowModal() {
    toControls();
    return wxDialog::ShowModal();
}

OptionsValues COptionsDlg::fromControls() const {
    OptionsValues v;
    v.splashTimeIndex = splashTime_->GetSelection();
    v.disableRightClick = rightClick_->GetValue();
    v.disableTitleBar = titleBar_->GetValue();
    v.disableResizing = resizing_->GetValue();
    v.noWholeFolderCopy = noFolderCopy_->GetValue();
    v.dataFolder = dataFolder_->GetValue();
    v.topMost = topMost_->GetValue();
    v.startX = startX_->GetValue().utf8_string();
    v.startY = startY_->GetValue().utf8_string();
    v.centreOnStart = centre_->GetValue();
    v.secure = secure_->GetValue();
    return v;
}

void COptionsDlg::toControls() {
    splashTime_->SetSelection(values_.splashTimeIndex);
    rightClick_->SetValue(values_.disableRightClick);
    titleBar_->SetValue(values_.disableTitleBar);
    resizing_->SetValue(values_.disableResizing);
    noFolderCopy_->SetValue(values_.noWholeFolderCopy);
    dataFolder_->SetValue(values_.dataFolder);
    topMost_->SetValue(values_.topMost);
    startX_->ChangeValue(wxString::FromUTF8(values_.startX));
    startY_->ChangeValue(wxString::FromUTF8(values_.startY));
    centre_->SetValue(values_.centreOnStart);
    secure_->SetValue(values_.secure);
}

void COptionsDlg::onOk(wxCommandEvent&) {
    OptionsValues v = fromControls();
    switch (acceptStartPosition(v)) {
        case StartField::X:
            prompts_.message(this, kStartPositionMessage, wxICON_STOP);
            startX_->SetFocus();
            return;
        case StartField::Y:
            prompts_.message(this, kStartPositionMessage, wxICON_STOP);
            startY_->SetFocus();
            return;
        case StartField::None:
            break;
    }
    values_ = v;
    toControls();
    finish(wxID_OK);
}

void COptionsDlg::onCancel(wxCommandEvent&) {
    toControls();
    finish(wxID_CANCEL);
}

void COptionsDlg::finish(int code) {
    if (IsModal())
        EndModal(code);
    else {
        SetReturnCode(code);
        Hide();
    }
}

}  // namespace rondivo
