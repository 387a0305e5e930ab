#include "ui/open_with_dialog.h"

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "platform/file_io.h"

namespace rondivo {

void offerOpenWith(wxWindow* parent, const std::filesystem::path& file) {
    if (platform::showSystemOpenWith(file)) return;
    OpenWithDialog(parent, file).ShowModal();
}

OpenWithDialog::OpenWithDialog(wxWindow* parent, const std::filesystem::path& file)
    : wxDialog(parent, wxID_ANY, "Open With", wxDefaultPosition, wxSize(460, 420),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      file_(file),
      apps_(platform::listDesktopApplications()) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(
        new wxStaticText(this, wxID_ANY, "Choose the program you want to use to open this file:"),
        0, wxALL, 10);
    auto* name = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(file.string()));
    name->SetFont(name->GetFont().Bold());
    top->Add(name, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
    list_ = new wxListBox(this, wxID_ANY);
    for (const auto& app : apps_) list_->Append(wxString::FromUTF8(app.name));
    if (!apps_.empty()) list_->SetSelection(0);
    top->Add(list_, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* browse = new wxButton(this, wxID_ANY, "&Browse...");
    auto* ok = new wxButton(this, wxID_OK, "&Open");
    auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
    buttons->Add(browse, 0, wxRIGHT, 20);
    buttons->AddStretchSpacer();
    buttons->Add(ok, 0, wxRIGHT, 6);
    buttons->Add(cancel);
    top->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizer(top);
    ok->Enable(!apps_.empty());
    ok->SetDefault();
    ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onOpen(); });
    list_->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { onOpen(); });
    browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onBrowse(); });
    Centre();
}

void OpenWithDialog::onOpen() {
    int sel = list_->GetSelection();
    if (sel == wxNOT_FOUND || sel >= static_cast<int>(apps_.size())) return;
    if (!platform::openWithApplication(apps_[sel], file_)) {
        wxMessageBox("The program could not be started.", "Open With", wxOK | wxICON_ERROR, this);
        return;
    }
    launched_ = true;
    EndModal(wxID_OK);
}

void OpenWithDialog::onBrowse() {
    wxFileDialog dlg(this, "Open With", "/usr/bin", "", "All files (*)|*",
                     wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dlg.ShowModal() != wxID_OK) return;
    if (!platform::openWithProgram(platform::u8path(dlg.GetPath().utf8_string()), file_)) {
        wxMessageBox("The program could not be started.", "Open With", wxOK | wxICON_ERROR, this);
        return;
    }
    launched_ = true;
    EndModal(wxID_OK);
}

}  // namespace rondivo
