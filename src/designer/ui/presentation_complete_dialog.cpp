#include "designer/ui/presentation_complete_dialog.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include "designer/build_pipeline.h"
#include "designer/ui/drive_copy_dialog.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/player_files.h"
#include "platform/process.h"
#include "ui/message_box.h"

namespace rondivo {

namespace fs = std::filesystem;

PresentationCompleteActions PresentationCompleteActions::standard() {
    PresentationCompleteActions a;
    a.showMessage = [](wxWindow* parent, const std::string& text) {
        showProgramMessage(text, wxOK | wxICON_INFORMATION, parent);
    };
    a.previewPlayer = [](const fs::path& folder) { return platform::previewPlayer(folder); };
    a.launchPreview = [](const fs::path& program, const std::vector<std::string>& args,
                         const fs::path& cwd) {
        std::vector<std::string> argv{program.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        auto started = platform::spawnProcess(argv, cwd);
        if (started.started())
            platform::waitForExit(started.pid,
                                  std::chrono::milliseconds(0));  // reaped when it ends
        else
            platform::debugLog("preview could not start " + program.string());
    };
    a.copyToDrive = [](wxWindow* parent, const fs::path& folder) {
        auto drives = platform::systemDriveService();
        DriveCopyDialog(parent, folder, *drives, DriveCopyPrompts::standard()).ShowModal();
    };
    return a;
}

CPresentationCompleteDlg::CPresentationCompleteDlg(wxWindow* parent,
                                                   PresentationCompleteActions actions)
    : wxDialog(parent, wxID_ANY, "Rondivo! - Presentation Complete"), actions_(std::move(actions)) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* group = new wxStaticBoxSizer(
        wxVERTICAL, this, "Your files have been created and placed on your desktop in");
    folderText_ = new wxStaticText(group->GetStaticBox(), kFolderText, "", wxDefaultPosition,
                                   wxSize(460, -1), wxST_ELLIPSIZE_MIDDLE);
    wxFont bold = folderText_->GetFont();
    bold.SetWeight(wxFONTWEIGHT_BOLD);
    folderText_->SetFont(bold);
    group->Add(folderText_, 0, wxEXPAND | wxALL, 8);
    top->Add(group, 0, wxEXPAND | wxALL, 10);
    for (const char* line :
         {"1. Copy any additional files to be placed on the CD into the folder listed above.",
          "2. Preview your presentation.",
          "3. Burn to CD. If using 3rd-party CD writing software, do not burn the actual folder "
          "itself, just the "
          "files within the folder to your CD root directory."}) {
        auto* t = new wxStaticText(this, wxID_ANY, line);
        t->Wrap(470);
        top->Add(t, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
    }
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* preview = new wxButton(this, kPreview, "&Preview");
    preview->SetDefault();
    buttons->Add(preview, 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kBurn, "&Burn to CD"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kSaveIso, "&Save ISO"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kToDrive, "Copy to &USB Drive..."), 0, wxRIGHT, 6);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0);
    top->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);

    Bind(wxEVT_BUTTON, &CPresentationCompleteDlg::onPreview, this, kPreview);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            onDiscAction(actions_.burnToCd,
                         "Burning to CD is not available yet in this version of Rondivo!.");
        },
        kBurn);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            onDiscAction(actions_.saveIso,
                         "Saving an ISO image is not available yet in this version of Rondivo!.");
        },
        kSaveIso);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            onDiscAction(actions_.copyToDrive, "Copying to a USB drive is not available.");
        },
        kToDrive);
    // The dialog is kept for the next build: Cancel, Escape and closing only
    // end its own loop (or hide it), never the designer's.
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { dismiss(); }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { dismiss(); });
}

void CPresentationCompleteDlg::setResult(const fs::path& folder, const std::string& commandLine) {
    folder_ = folder;
    commandLine_ = commandLine;
    folderText_->SetLabel(wxString::FromUTF8(folder.string()));
    folderText_->SetToolTip(wxString::FromUTF8(folder.string()));
}

void CPresentationCompleteDlg::dismiss() {
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

void CPresentationCompleteDlg::onPreview(wxCommandEvent&) {
    if (wxTopLevelWindow* parent = dynamic_cast<wxTopLevelWindow*>(GetParent()))
        parent->Iconize(true);
    const fs::path workingDir = platform::u8path(shownFolder().utf8_string());
    actions_.launchPreview(actions_.previewPlayer(workingDir),
                           platform::splitCommandLine(previewParameters(commandLine_)), workingDir);
}

void CPresentationCompleteDlg::onDiscAction(
    const std::function<void(wxWindow*, const fs::path&)>& action, const char* unavailableText) {
    if (action)
        action(this, folder_);
    else
        actions_.showMessage(this, unavailableText);
}

}  // namespace rondivo
