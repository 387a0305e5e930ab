#include "menucreator/ui/save_menu_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include "menucreator/save_menu_name.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace rondivo::menucreator {

CSaveMenuDlg::CSaveMenuDlg(wxWindow* parent, const std::string& menuName, MenuFileFor fileFor,
                           bool offerDiscard, MenuPrompts prompts)
    : wxDialog(parent, wxID_ANY, "Save As"),
      fileFor_(std::move(fileFor)),
      prompts_(std::move(prompts)) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "Enter a Name for this Autoplay Menu");
    edit_ =
        new wxTextCtrl(box->GetStaticBox(), kName, wxString::FromUTF8(menuNameForDisplay(menuName)),
                       wxDefaultPosition, wxSize(280, -1));
    box->Add(edit_, 0, wxEXPAND | wxALL, 8);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    auto* discard = new wxButton(this, kDiscard, "Discard");
    buttons->Add(ok, 0, wxALL, 4);
    buttons->Add(discard, 0, wxALL, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxALL, 4);
    discard->Show(offerDiscard);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(box, 1, wxEXPAND | wxALL, 8);
    top->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    SetSizerAndFit(top);
    ok->SetDefault();
    Centre();
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (confirm()) EndModal(wxID_OK);
        },
        wxID_OK);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kDiscard); }, kDiscard);
}

bool CSaveMenuDlg::confirm() {
    std::string name = edit_->GetValue().utf8_string();
    if (!isValidMenuName(name)) {
        prompts_.message(this, kInvalidMenuNameMessage, "Rondivo!", wxOK | wxICON_INFORMATION);
        return false;
    }
    name = menuFileName(name);
    if (std::filesystem::exists(fileFor_(name))) {
        int answer = prompts_.message(this, wxString::FromUTF8(name + kReplaceMenuQuestion),
                                      "Save As", wxYES_NO | wxICON_WARNING);
        if (answer != wxYES) return false;
    }
    name_ = name;
    return true;
}

CSaveMenuDlg::Result CSaveMenuDlg::run() {
    int code = ShowModal();
    if (code == wxID_OK) return Result::Save;
    if (code == kDiscard) return Result::Discard;
    return Result::Cancel;
}

}  // namespace rondivo::menucreator
