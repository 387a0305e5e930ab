#include "burn/ui/burn_dialog.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "platform/file_io.h"
#include "platform/user_folders.h"
#include "ui/message_box.h"

// windows.h (through wx) turns the name into SetVolumeLabelW.
#ifdef SetVolumeLabel
#undef SetVolumeLabel
#endif

namespace rondivo::burn {

namespace fs = std::filesystem;

namespace {

// Messages of the completion handlers carry the application's name.
wxString appCaption() {
    return wxTheApp ? wxTheApp->GetAppName() : wxString("rondivo");
}

// Why the image could not be made or written, below the fixed text.
wxString withReason(wxString text, const CDiscBurner& burner) {
    const std::string reason = burner.lastMessage();
    if (!reason.empty()) text += "\n\n" + wxString::FromUTF8(reason);
    return text;
}

// How the image differs from the folder (left out, taken from outside, the
// label as written, files that grew), after the outcome.
wxString withNotes(wxString text, const CDiscBurner& burner) {
    const std::vector<std::string> notes = burner.notes();
    if (notes.empty()) return text;
    constexpr std::size_t kShown = 10;
    text += "\n\nPlease note:";
    for (std::size_t i = 0; i < notes.size() && i < kShown; ++i)
        text += "\n- " + wxString::FromUTF8(notes[i]);
    if (notes.size() > kShown) text += wxString::Format("\n(and %zu more)", notes.size() - kShown);
    return text;
}

void saveFinished(CDiscBurner& burner, const DiscDialogs& dialogs, int error) {
    burner.waitUntilDone();
    if (error)
        dialogs.say(withNotes(withReason("Error saving CD-ROM ISO.", burner), burner), appCaption(),
                    wxICON_ERROR, nullptr);
    else
        dialogs.say(withNotes("Saving complete!\n\nYou can use your favorite CD burning tool to "
                              "write this ISO file to a CD and create a duplicate of your "
                              "autoplay presentation.",
                              burner),
                    appCaption(), wxICON_INFORMATION, nullptr);
}

// The writer thread must not touch windows: `handler` runs on the window thread.
CompletionCallback onWindowThread(std::function<void(int error)> handler) {
    return [handler = std::move(handler)](int error) {
        if (wxTheApp) wxTheApp->CallAfter([handler, error] { handler(error); });
    };
}

std::optional<fs::path> askIsoPath(wxWindow* parent) {
    wxFileDialog dlg(parent, "Select a Location to Save ISO",
                     wxString::FromUTF8(platform::desktopFolder().string()), "MyCDImage",
                     "ISO (*.iso)|*.iso", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dlg.ShowModal() != wxID_OK) return std::nullopt;
    return platform::u8path(dlg.GetPath().utf8_string());
}

}  // namespace

DiscDialogs DiscDialogs::standard() {
    DiscDialogs d;
    d.say = [](const wxString& text, const wxString& caption, long style, wxWindow* parent) {
        wxMessageBox(text, caption, wxOK | style, parent);
    };
    d.chooseIsoPath = askIsoPath;
    d.ask = [](const wxString& text, const wxString& caption, wxWindow* parent) {
        return wxMessageBox(text, caption, wxYES_NO | wxICON_QUESTION, parent) == wxYES;
    };
    return d;
}

CBurnDlg::CBurnDlg(wxWindow* parent, fs::path folder, CDiscBurner& burner, DiscDialogs dialogs)
    : wxDialog(parent, wxID_ANY, "Copying Files to CD-ROM"),
      folder_(std::move(folder)),
      burner_(burner),
      dialogs_(std::move(dialogs)),
      alive_(std::make_shared<CBurnDlg*>(this)) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "CD Burner Settings");
    auto* grid = new wxFlexGridSizer(2, wxSize(10, 8));
    grid->AddGrowableCol(1);
    wxWindow* area = box->GetStaticBox();
    drives_ = new wxChoice(area, wxID_ANY, wxDefaultPosition, wxSize(320, -1));
    const wxString speeds[] = {"1", "8", "12", "16", "20"};
    speeds_ = new wxChoice(area, wxID_ANY, wxDefaultPosition, wxDefaultSize, 5, speeds);
    title_ = new wxTextCtrl(area, wxID_ANY, "My CD_ROM");
    finalize_ = new wxCheckBox(area, wxID_ANY, "Finalize the CD to read-only");
    grid->Add(new wxStaticText(area, wxID_ANY, "CD Drive"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(drives_, 1, wxEXPAND);
    grid->Add(new wxStaticText(area, wxID_ANY, "CD Write Speed"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(speeds_, 0);
    grid->Add(new wxStaticText(area, wxID_ANY, "CD Disc Title"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(title_, 1, wxEXPAND);
    grid->AddSpacer(0);
    grid->Add(finalize_, 0);
    erase_ = new wxCheckBox(area, wxID_ANY, "Erase the disc first (everything on it is lost)");
    erase_->Hide();
    grid->AddSpacer(0);
    grid->Add(erase_, 0);
    box->Add(grid, 1, wxEXPAND | wxALL, 8);
    // What is in the drive, said as soon as the disc is read.
    disc_ = new wxStaticText(area, wxID_ANY, "", wxDefaultPosition, wxSize(420, -1));
    box->Add(disc_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    top->Add(box, 1, wxEXPAND | wxALL, 10);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    auto* burnButton = new wxButton(this, kBurnButton, "&Burn");
    burnButton->SetDefault();
    buttons->Add(burnButton, 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, wxID_CANCEL, "&Cancel"), 0);
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { burn(); }, kBurnButton);
    drives_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { checkDisc(); });
    listDrives();
    checkDisc();
}

CBurnDlg::~CBurnDlg() {
    *alive_ = nullptr;
    closeProgress();
}

void CBurnDlg::closeProgress() {
    if (!progress_) return;
    CBurnProgressDlg* p = progress_;
    progress_ = nullptr;
    p->Destroy();
}

void CBurnDlg::listDrives() {
    if (burner_.isBusy()) return;  // the writer owns the drive
    wxString first;
    for (int row = 0; row < 20; ++row) {
        const std::string description = burner_.GetDriveDescription(row);
        if (description.empty()) break;
        if (!burner_.SelectDrive(row) || !burner_.IsDriveRecordable()) continue;
        // Later drives go above the first one; the first one stays selected.
        const wxString item = wxString::Format("%d ", row) + wxString::FromUTF8(description);
        drives_->Insert(item, 0);
        if (drives_->GetCount() == 1) {
            first = item;
            const wxString current = wxString::Format("%d", burner_.GetCurrentWriteSpeed());
            const wxString max = wxString::Format("%d", burner_.GetMaxWriteSpeed());
            if (speeds_->FindString(current, true) == wxNOT_FOUND) speeds_->Append(current);
            if (speeds_->FindString(max, true) == wxNOT_FOUND) speeds_->Append(max);
            speeds_->SetSelection(speeds_->FindString(current, true));
        }
    }
    if (!first.empty()) drives_->SetSelection(drives_->FindString(first, true));
}

int CBurnDlg::chosenRow() const {
    const int selected = drives_->GetSelection();
    if (selected == wxNOT_FOUND) return -1;
    const std::string item = drives_->GetString(selected).utf8_string();
    const auto space = item.find(' ');
    return space == std::string::npos ? 0 : std::atoi(item.substr(0, space).c_str());
}

bool CBurnDlg::layOutImage() {
    burner_.ClearImage();
    burner_.SetVolumeLabel(title_->GetValue().utf8_string());
    burner_.AddFolder("\\", folder_, "*.*", true);
    return burner_.ComputeLayout() != 0;
}

void CBurnDlg::checkDisc() {
    const int row = chosenRow();
    if (row < 0 || burner_.isBusy() || !burner_.SelectDrive(row)) return;
    wxString text;
    burner_.setErase(false);  // the disc as it is: erasing is offered below when it would do
    if (!layOutImage()) {
        text = wxString::FromUTF8(burner_.lastMessage());
    } else {
        const std::string problem = burner_.checkDisc();
        text = problem.empty()
                   ? wxString::Format("The disc in the drive can take the image (%u MB).",
                                      (burner_.volumeSize() * 2048u + 1048575u) / 1048576u)
                   : wxString::FromUTF8(problem);
    }
    erase_->Show(burner_.needsErasing());
    disc_->SetLabel(text);
    disc_->Wrap(420);
    Layout();
    Fit();
}

void CBurnDlg::burn() {
    const bool finalize = finalize_->GetValue();
    const int row = chosenRow();
    if (row < 0) {
        dialogs_.say(kNoRecordableDriveText, kProgramTitle, wxICON_ERROR, this);
        return;
    }
    // A burn or save already running keeps the engine: a second one cannot start.
    if (burner_.isBusy()) {
        dialogs_.say("Error while initiating copying of file(s) to CD-ROM.", kProgramTitle,
                     wxICON_ERROR, this);
        return;
    }
    if (!burner_.SelectDrive(row)) {
        dialogs_.say("Error opening CD-ROM device.", kProgramTitle, wxICON_ERROR, this);
        return;
    }
    burner_.SetFinalize(finalize);
    burner_.setErase(erase_->IsShown() && erase_->GetValue());
    const int speedIndex = speeds_->GetSelection();
    const wxString speed =
        speedIndex == wxNOT_FOUND ? wxString("12") : speeds_->GetString(speedIndex);
    burner_.SetWriteSpeed(static_cast<std::uint8_t>(std::clamp(wxAtoi(speed), 0, 255)));
    if (!layOutImage()) {
        dialogs_.say(withReason("Error while beginning to copy file(s) to CD-ROM.", burner_),
                     kProgramTitle, wxICON_ERROR, this);
        return;
    }
    if (!startBurn()) return;
    closeProgress();
    progress_ = new CBurnProgressDlg(this, &burner_);
    progress_->Show();
}

// Starts the burn; a used rewritable disc is erased first when the author agrees.
bool CBurnDlg::startBurn() {
    if (burner_.StartBurn(onWindowThread(finishedHandler()))) return true;
    if (burner_.needsErasing() && dialogs_.ask &&
        dialogs_.ask(wxString::FromUTF8(burner_.lastMessage()) +
                         "\n\nErase the disc (everything on it is lost) and burn?",
                     kProgramTitle, this)) {
        burner_.setErase(true);
        if (burner_.StartBurn(onWindowThread(finishedHandler()))) return true;
    }
    dialogs_.say(withReason("Error while initiating copying of file(s) to CD-ROM.", burner_),
                 kProgramTitle, wxICON_ERROR, this);
    return false;
}

// Runs on the window thread once the writer has reported. A burn may outlive
// its dialog (Cancel while it writes): the message then comes without one.
std::function<void(int)> CBurnDlg::finishedHandler() {
    return [alive = alive_, burner = &burner_, dialogs = dialogs_](int error) {
        CBurnDlg* dialog = *alive;
        burner->waitUntilDone();
        if (dialog && dialog->progress_) dialog->progress_->Hide();
        if (error && burner->wasCancelled()) {
            dialogs.say(withNotes(wxString::FromUTF8(burner->lastMessage()), *burner), appCaption(),
                        wxICON_INFORMATION, dialog);
        } else if (error) {
            burner->TakeLastError();
            // The drive's own words after the fixed advice.
            dialogs.say(withNotes(withReason(kBurnErrorText, *burner), *burner), appCaption(),
                        wxICON_ERROR, dialog);
        } else {
            burner->EjectDisc();
            dialogs.say(withNotes(kBurnSuccessText, *burner), appCaption(), wxICON_INFORMATION,
                        dialog);
        }
    };
}

void burnToCd(wxWindow* parent, const fs::path& folder, CDiscBurner& burner,
              const DiscDialogs& dialogs) {
    CBurnDlg dlg(parent, folder, burner, dialogs);
    dlg.ShowModal();
}

void saveIso(wxWindow* parent, const fs::path& folder, CDiscBurner& burner,
             const DiscDialogs& dialogs) {
    if (burner.isBusy()) {
        dialogs.say("Error while initiating saving of CD-ROM ISO.", kProgramTitle, wxICON_ERROR,
                    parent);
        return;
    }
    burner.ClearImage();
    burner.AddFolder("\\", folder, "*.*", true);
    if (burner.ComputeLayout() == 0) {
        dialogs.say(withReason("Error while beginning to save CD-ROM ISO.", burner), kProgramTitle,
                    wxICON_ERROR, parent);
        return;
    }
    const auto path = dialogs.chooseIsoPath(parent);
    if (!path) return;
    auto finished = [&burner, dialogs](int error) { saveFinished(burner, dialogs, error); };
    if (!burner.StartSaveImage(*path, onWindowThread(finished)))
        dialogs.say("Error while initiating saving of CD-ROM ISO.", kProgramTitle, wxICON_ERROR,
                    parent);
}

}  // namespace rondivo::burn
