#include "burn/ui/burn_dialog.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "platform/user_folders.h"

// windows.h (through wx) turns the name into SetVolumeLabelW.
#ifdef SetVolumeLabel
#undef SetVolumeLabel
#endif

namespace rondivo::burn {

namespace fs = std::filesystem;

namespace {

constexpr int kBurnButton = wxID_HIGHEST + 144;
const wxString kCaption = "Rondivo!";

MessageShower& shower() {
    static MessageShower s;
    return s;
}
IsoPathChooser& chooser() {
    static IsoPathChooser c;
    return c;
}
CDiscBurner* g_burner = nullptr;
CBurnProgressDlg* g_progress = nullptr;
CBurnDlg* g_burnDialog = nullptr;
fs::path& isoPath() {
    static fs::path p;
    return p;
}

void say(const wxString& text, long icon, wxWindow* parent, const wxString& caption = kCaption) {
    if (shower())
        shower()(text, caption, icon, parent);
    else
        wxMessageBox(text, caption, wxOK | icon, parent);
}

// Messages of the completion handlers carry the application's name.
wxString appCaption() {
    return wxTheApp ? wxTheApp->GetAppName() : wxString("rondivo");
}

// Runs on the window thread once the writer has reported.
void burnFinished(CDiscBurner& burner, int error) {
    burner.WaitUntilDone();
    if (g_progress) g_progress->Hide();
    wxWindow* parent = g_burnDialog;
    if (error) {
        burner.TakeLastError();
        say(kBurnErrorText, wxICON_ERROR, parent, appCaption());
    } else {
        burner.EjectDisc();
        say(kBurnSuccessText, wxICON_INFORMATION, parent, appCaption());
    }
}

void saveFinished(CDiscBurner& burner, int error) {
    burner.WaitUntilDone();
    if (error)
        say("Error saving CD-ROM ISO.\n\n", wxICON_ERROR, nullptr, appCaption());
    else
        say("Saving complete!\n\nYou can use your favorite CD burning tool to write this ISO file "
            "to a CD and create a duplicate of your autoplay presentation.",
            wxICON_INFORMATION, nullptr, appCaption());
}

// The writer thread must not touch windows: the handler runs on the window thread.
CompletionCallback onWindowThread(CDiscBurner& burner, void (*handler)(CDiscBurner&, int)) {
    CDiscBurner* b = &burner;
    return [b, handler](int error, std::intptr_t) {
        if (wxTheApp) wxTheApp->CallAfter([b, handler, error] { handler(*b, error); });
    };
}

std::optional<fs::path> askIsoPath(wxWindow* parent) {
    wxFileDialog dlg(parent, "Select a Location to Save ISO", platform::desktopFolder().string(),
                     "MyCDImage", "ISO (*.iso)|*.iso", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dlg.ShowModal() != wxID_OK) return std::nullopt;
    return fs::path(dlg.GetPath().utf8_string());
}

}  // namespace

void setMessageShower(MessageShower s) {
    shower() = std::move(s);
}
void setIsoPathChooser(IsoPathChooser c) {
    chooser() = std::move(c);
}
void setDialogBurner(CDiscBurner* burner) {
    g_burner = burner;
}
CDiscBurner& dialogBurner() {
    return g_burner ? *g_burner : discBurner();
}
CBurnProgressDlg* burnProgressDialog() {
    return g_progress;
}
CBurnDlg* currentBurnDialog() {
    return g_burnDialog;
}
const fs::path& savedIsoPath() {
    return isoPath();
}

CBurnProgressDlg::CBurnProgressDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Copying file(s) to CD-ROM"), timer_(this) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    // A moving bar instead of a film: it shows the program is still at work.
    gauge_ = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxSize(320, 18));
    top->Add(gauge_, 0, wxEXPAND | wxALL, 12);
    top->Add(new wxStaticText(this, wxID_ANY,
                              "Please wait while file(s) are copied to your CD-ROM. This may take "
                              "several minutes.\n\nYour CD-ROM drive bay will open upon "
                              "completion."),
             0, wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(top);
    CentreOnParent();
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { gauge_->Pulse(); });
    // Closing it would leave the burn running unseen: it goes when the burn ends.
    Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent& e) { e.Veto(); });
    gauge_->Pulse();
    timer_.Start(80);
    g_progress = this;
}

CBurnProgressDlg::~CBurnProgressDlg() {
    timer_.Stop();
    if (g_progress == this) g_progress = nullptr;
}

CBurnDlg::CBurnDlg(wxWindow* parent, fs::path folder, CDiscBurner& burner)
    : wxDialog(parent, wxID_ANY, "Copying Files to CD-ROM"),
      folder_(std::move(folder)),
      burner_(burner) {
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
    box->Add(grid, 1, wxEXPAND | wxALL, 8);
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
    g_burnDialog = this;
    listDrives();
}

CBurnDlg::~CBurnDlg() {
    closeProgress();
    if (g_burnDialog == this) g_burnDialog = nullptr;
}

void CBurnDlg::closeProgress() {
    if (g_progress) {
        CBurnProgressDlg* p = g_progress;
        g_progress = nullptr;
        p->Destroy();
    }
}

void CBurnDlg::listDrives() {
    if (burner_.IsBusy()) return;  // the writer owns the drive
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

void CBurnDlg::burn() {
    const wxString title = title_->GetValue();
    const bool finalize = finalize_->GetValue();
    const int selected = drives_->GetSelection();
    if (selected == wxNOT_FOUND) {
        say(kNoRecordableDriveText, wxICON_ERROR, this);
        return;
    }
    // A burn or save already running keeps the engine: a second one cannot start.
    if (burner_.IsBusy()) {
        say("Error while initiating copying of file(s) to CD-ROM.", wxICON_ERROR, this);
        return;
    }
    const std::string item = drives_->GetString(selected).utf8_string();
    const auto space = item.find(' ');
    const int row = space == std::string::npos ? 0 : std::atoi(item.substr(0, space).c_str());
    if (!burner_.SelectDrive(row)) {
        say("Error opening CD-ROM device.", wxICON_ERROR, this);
        return;
    }
    burner_.ClearImage();
    burner_.SetVolumeLabel(title.utf8_string());
    burner_.SetFinalize(finalize);
    burner_.AddFolder("\\", folder_, "*.*", true);
    const int speedIndex = speeds_->GetSelection();
    const wxString speed =
        speedIndex == wxNOT_FOUND ? wxString("12") : speeds_->GetString(speedIndex);
    burner_.SetWriteSpeed(static_cast<std::uint8_t>(std::clamp(wxAtoi(speed), 0, 255)));
    if (burner_.ComputeLayout() == 0) {
        say("Error while beginning to copy file(s) to CD-ROM.", wxICON_ERROR, this);
        return;
    }
    if (!burner_.StartBurn(onWindowThread(burner_, burnFinished), 0)) {
        say("Error while initiating copying of file(s) to CD-ROM.", wxICON_ERROR, this);
        return;
    }
    closeProgress();
    auto* progress = new CBurnProgressDlg(this);
    progress->Show();
}

void burnToCd(wxWindow* parent, const fs::path& folder) {
    CBurnDlg dlg(parent, folder, dialogBurner());
    dlg.ShowModal();
}

void saveIso(wxWindow* parent, const fs::path& folder) {
    CDiscBurner& burner = dialogBurner();
    if (burner.IsBusy()) {
        say("Error while initiating saving of CD-ROM ISO.", wxICON_ERROR, parent);
        return;
    }
    burner.ClearImage();
    burner.AddFolder("\\", folder, "*.*", true);
    if (burner.ComputeLayout() == 0) {
        say("Error while beginning to save CD-ROM ISO.", wxICON_ERROR, parent);
        return;
    }
    const auto path = chooser() ? chooser()(parent) : askIsoPath(parent);
    if (!path) return;
    isoPath() = *path;
    if (!burner.StartSaveImage(*path, onWindowThread(burner, saveFinished), 0))
        say("Error while initiating saving of CD-ROM ISO.", wxICON_ERROR, parent);
}

}  // namespace rondivo::burn
