#include "player/ui/player_message_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace rondivo {

PlayerMessageDialog::PlayerMessageDialog(wxWindow* parent, const std::string& caption,
                                         const std::string& text)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* message = new wxStaticText(this, kText, wxString::FromUTF8(text));
    message->Wrap(360);
    sizer->Add(message, 1, wxALL | wxEXPAND, 16);
    auto* close = new wxButton(this, kClose, "Close");
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kClose); });
    sizer->Add(close, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetEscapeId(kClose);
    SetAffirmativeId(kClose);
    close->SetDefault();
    SetSizer(sizer);
    sizer->SetMinSize(260, -1);
    Fit();
    CentreOnParent();
}

}  // namespace rondivo
