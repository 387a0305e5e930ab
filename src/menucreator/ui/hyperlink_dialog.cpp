#include "menucreator/ui/hyperlink_dialog.h"

#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include "menucreator/hyperlink_action.h"

namespace rondivo::menucreator {

CHyperlinkDlg::CHyperlinkDlg(wxWindow* parent, MenuPrompts prompts)
    : wxDialog(parent, wxID_ANY, "Insert Hyperlink"), prompts_(std::move(prompts)) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "Image/Button Action");
    wxWindow* boxWin = box->GetStaticBox();
    box->Add(new wxStaticText(boxWin, wxID_ANY,
                              "Select an action to perform when the image or button is clicked."),
             0, wxALL, 6);
    list_ = new wxChoice(boxWin, kAction);
    for (const char* a : kHyperlinkActions) list_->Append(a);
    box->Add(list_, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
    edit_ = new wxTextCtrl(boxWin, kArgument, "", wxDefaultPosition, wxSize(300, -1));
    box->Add(edit_, 0, wxEXPAND | wxALL, 6);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    hint_ = new wxStaticText(boxWin, kHint, "Static");
    selectFile_ = new wxButton(boxWin, kSelectFile, "&Select File");
    row->Add(hint_, 1, wxALIGN_CENTER_VERTICAL);
    row->Add(selectFile_, 0, wxLEFT, 6);
    box->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, wxID_OK, "OK"), 0, wxALL, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxALL, 4);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(box, 1, wxEXPAND | wxALL, 8);
    top->Add(buttons, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    SetSizerAndFit(top);
    Centre();

    // Opening: the first action, the edit box enabled, nothing else yet.
    list_->SetSelection(0);
    actionName_ = kHyperlinkActions[0];
    selectFile_->Disable();
    edit_->Enable();
    showMembers();

    list_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { onActionChanged(); });
    repaintAfterPopups();
    selectFile_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onSelectFile(); });
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            if (confirm()) EndModal(wxID_OK);
        },
        wxID_OK);
}

#ifdef __WXGTK__
// The list's drop-down reaches past the dialog over the Menu Creator's page.
// When it closes, the page's web view is not redrawn where it lay (no
// compositing window manager to keep a copy): the engine leaves a grey block
// until something else repaints it. GTK tells when the drop-down shows or
// hides ("popup-shown"; wxChoice sends no close event), and then we ask the
// window behind for a full repaint. The calls are looked up in the loaded
// toolkit, as the page view does for the engine's.
void CHyperlinkDlg::repaintAfterPopups() {
    using Callback = void (*)(void* object, void* property, void* data);
    using Connect = unsigned long (*)(void* instance, const char* signal, Callback handler,
                                      void* data, void* destroy, int flags);
    auto connect = reinterpret_cast<Connect>(dlsym(RTLD_DEFAULT, "g_signal_connect_data"));
    if (!connect || !list_->GetHandle()) return;
    connect(
        list_->GetHandle(), "notify::popup-shown",
        [](void*, void*, void* data) {
            auto* dlg = static_cast<CHyperlinkDlg*>(data);
            dlg->CallAfter([dlg] {
                if (wxWindow* behind = dlg->GetParent()) behind->Refresh();
            });
        },
        this, nullptr, 0);
}
#else
void CHyperlinkDlg::repaintAfterPopups() {}
#endif

void CHyperlinkDlg::showMembers() {
    hint_->SetLabel(wxString::FromUTF8(hintText_));
    edit_->ChangeValue(wxString::FromUTF8(argument_));
}

void CHyperlinkDlg::onActionChanged() {
    actionName_ = list_->GetStringSelection().utf8_string();
    HyperlinkActionControls c = controlsForAction(actionName_);
    hintText_ = c.hint;
    edit_->Enable(c.argumentEnabled);
    selectFile_->Enable(c.selectFileEnabled);
    showMembers();
}

void CHyperlinkDlg::onSelectFile() {
    std::vector<wxString> files = prompts_.openFiles(this, "Select a file to open or run", "", "",
                                                     "", wxFD_OPEN | wxFD_MULTIPLE, false);
    if (files.empty()) return;
    std::vector<std::string> paths;
    for (const wxString& f : files) paths.push_back(f.utf8_string());
    // Typed text the author has not confirmed yet is kept, and the files added after it.
    argument_ = appendSelectedFiles(edit_->GetValue().utf8_string(), paths);
    showMembers();
}

bool CHyperlinkDlg::confirm() {
    actionName_ = list_->GetStringSelection().utf8_string();
    argument_ = edit_->GetValue().utf8_string();
    if (auto refusal = validateHyperlink(actionName_, argument_)) {
        prompts_.message(this, wxString::FromUTF8(*refusal), "Rondivo!", wxOK | wxICON_EXCLAMATION);
        edit_->SetFocus();
        return false;
    }
    return true;
}

std::string CHyperlinkDlg::url() const {
    return buildActionUrl(actionName_, argument_);
}

}  // namespace rondivo::menucreator
