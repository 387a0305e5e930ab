#include "designer/ui/drive_copy_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>

#include <chrono>

#include "designer/drive_copy_command.h"
#include "platform/file_io.h"
#include "ui/message_box.h"

namespace rondivo {

namespace fs = std::filesystem;

DriveCopyPrompts DriveCopyPrompts::standard() {
    DriveCopyPrompts p;
    p.showMessage = [](wxWindow* parent, const std::string& text) {
        showProgramMessage(text, wxOK | wxICON_INFORMATION, parent);
    };
    p.ask = [](wxWindow* parent, const std::string& text) {
        return showProgramMessage(text, wxYES_NO | wxICON_QUESTION, parent) == wxYES;
    };
    return p;
}

DriveCopyDialog::DriveCopyDialog(wxWindow* parent, const fs::path& folder,
                                 platform::DriveService& drives, DriveCopyPrompts prompts)
    : wxDialog(parent, wxID_ANY, "Rondivo! - Copy to USB Drive"),
      folder_(folder),
      service_(drives),
      prompts_(std::move(prompts)),
      timer_(this) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* intro = new wxStaticText(
        this, wxID_ANY,
        "Choose the USB drive to copy the presentation to. It goes to the drive's root folder, "
        "where autorun.inf gives the drive its label and icon.");
    intro->Wrap(520);
    top->Add(intro, 0, wxALL, 10);
    list_ = new wxListCtrl(this, kDriveList, wxDefaultPosition, wxSize(540, 130),
                           wxLC_REPORT | wxLC_SINGLE_SEL);
    const char* columns[] = {"Drive", "Label", "File system", "Size", "Free", "Mounted at"};
    const int widths[] = {100, 100, 80, 70, 70, 120};
    for (int i = 0; i < 6; ++i) list_->AppendColumn(columns[i], wxLIST_FORMAT_LEFT, widths[i]);
    top->Add(list_, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);
    // An empty list alone reads as "still looking" or "broken": say why it is empty.
    noDrive_ = new wxStaticText(this, kNoDrive, kNoDriveText);
    noDrive_->Wrap(520);
    noDrive_->Hide();  // the first listing decides
    top->Add(noDrive_, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    auto* note = new wxStaticText(this, wxID_ANY, kUsbDriveWindowsNote);
    note->Wrap(520);
    top->Add(note, 0, wxALL, 10);
    gauge_ = new wxGauge(this, kProgress, 1000);
    top->Add(gauge_, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    status_ = new wxStaticText(this, kStatus, " ", wxDefaultPosition, wxSize(520, 96));
    top->Add(status_, 0, wxEXPAND | wxALL, 10);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(new wxButton(this, kRefresh, "R&efresh"), 0, wxRIGHT, 6);
    buttons->AddStretchSpacer();
    auto* copy = new wxButton(this, kCopy, "&Copy");
    copy->SetDefault();
    buttons->Add(copy, 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kRemove, "&Remove safely"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Close"), 0);
    top->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);

    Bind(wxEVT_BUTTON, &DriveCopyDialog::onCopy, this, kCopy);
    Bind(wxEVT_BUTTON, &DriveCopyDialog::onRemove, this, kRemove);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { refreshDrives(); }, kRefresh);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { onClose(); }, wxID_CANCEL);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { onClose(); });
    Bind(
        wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { enableButtons(); }, kDriveList);
    // Drives come and go: the list follows without a click.
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (state_ != State::Copying) refreshDrives();
    });
    refreshDrives();
    timer_.Start(2000);
}

DriveCopyDialog::~DriveCopyDialog() {
    timer_.Stop();
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
}

void DriveCopyDialog::refreshDrives() {
    std::vector<platform::RemovableDrive> now = service_.listDrives();
    auto same = [](const auto& a, const auto& b) {
        return a.device == b.device && a.mountPoint == b.mountPoint && a.label == b.label &&
               a.free == b.free && a.fileSystem == b.fileSystem;
    };
    if (listed_ && std::equal(now.begin(), now.end(), shown_.begin(), shown_.end(), same)) return;
    listed_ = true;
    const platform::RemovableDrive* before = selectedDrive();
    const std::string chosen = before ? before->device : std::string();
    shown_ = std::move(now);
    list_->DeleteAllItems();
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const auto& d = shown_[i];
        long row = list_->InsertItem(static_cast<long>(i), wxString::FromUTF8(d.device));
        list_->SetItem(row, 1, wxString::FromUTF8(d.label));
        list_->SetItem(row, 2, wxString::FromUTF8(d.fileSystem));
        list_->SetItem(row, 3, wxString::FromUTF8(platform::readableSize(d.size)));
        list_->SetItem(
            row, 4,
            d.mounted() ? wxString::FromUTF8(platform::readableSize(d.free)) : wxString("-"));
        list_->SetItem(row, 5,
                       d.mounted() ? wxString::FromUTF8(platform::u8string(d.mountPoint))
                                   : wxString("(not mounted)"));
        if (d.device == chosen || shown_.size() == 1)
            list_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    if (noDrive_->IsShown() != shown_.empty()) {
        noDrive_->Show(shown_.empty());
        Layout();
    }
    enableButtons();
}

platform::RemovableDrive* DriveCopyDialog::selectedDrive() {
    long row = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return nullptr;
    return &shown_[static_cast<std::size_t>(row)];
}

void DriveCopyDialog::enableButtons() {
    const bool copying = state_ == State::Copying;
    FindWindow(kCopy)->Enable(!copying && selectedDrive() != nullptr);
    FindWindow(kRemove)->Enable(state_ == State::Copied);
    FindWindow(kRefresh)->Enable(!copying);
    FindWindow(wxID_CANCEL)->SetLabel(copying ? "Cancel" : "Close");
    list_->Enable(!copying);
}

void DriveCopyDialog::setStatus(const std::string& text) {
    status_->SetLabel(wxString::FromUTF8(text));
    status_->Wrap(520);
}

void DriveCopyDialog::onCopy(wxCommandEvent&) {
    platform::RemovableDrive* drive = selectedDrive();
    if (!drive || state_ == State::Copying) return;
    std::string why;
    if (!drive->mounted() && !service_.mount(*drive, why)) {
        prompts_.showMessage(this,
                             "The drive " + drive->device + " cannot be opened (" + why + ").");
        return;
    }
    target_ = *drive;
    DriveCopyPlan plan = planDriveCopy(folder_, drive->mountPoint);
    if (!plan.problem.empty()) {
        setStatus(plan.problem + " Nothing was written.");
        prompts_.showMessage(this, plan.problem + "\n\nNothing was written.");
        return;
    }
    if (!plan.replaced().empty() &&
        !prompts_.ask(this, replacedFilesText(plan) + "\nReplace them with the presentation's?")) {
        setStatus("Nothing was written.");
        return;
    }
    startCopy(std::move(plan));
}

void DriveCopyDialog::startCopy(DriveCopyPlan plan) {
    state_ = State::Copying;
    cancel_ = false;
    enableButtons();
    setStatus("Copying...");
    gauge_->SetValue(0);
    if (worker_.joinable()) worker_.join();
    worker_ = std::thread([this, plan = std::move(plan)] {
        DriveCopyOptions options;
        options.replace = true;  // asked above
        options.cancel = &cancel_;
        auto last = std::chrono::steady_clock::now() - std::chrono::seconds(1);
        options.onProgress = [this, &last](const DriveCopyProgress& p) {
            // A tenth of a second between updates keeps the window responsive.
            auto now = std::chrono::steady_clock::now();
            if (now - last < std::chrono::milliseconds(100)) return;
            last = now;
            CallAfter([this, p] { showProgress(p); });
        };
        DriveCopyResult r = copyToDrive(plan, options);
        CallAfter([this, r = std::move(r)]() mutable { finish(std::move(r)); });
    });
}

void DriveCopyDialog::showProgress(const DriveCopyProgress& p) {
    if (state_ != State::Copying) return;
    // Copying fills the first half of the bar, reading back the second.
    const double share = p.bytesTotal ? double(p.bytesDone) / double(p.bytesTotal) : 1.0;
    const bool verifying = p.phase == DriveCopyProgress::Phase::Verifying;
    gauge_->SetValue(static_cast<int>(500 * share) + (verifying ? 500 : 0));
    setStatus(progressText(p));
}

void DriveCopyDialog::finish(DriveCopyResult r) {
    if (worker_.joinable()) worker_.join();
    result_ = std::move(r);
    state_ = result_.ok() ? State::Copied : State::Failed;
    std::string text = result_.message;
    if (!result_.ok() && !result_.copied.empty() &&
        result_.outcome != DriveCopyResult::Outcome::Mismatch)
        text += "\n" + std::to_string(result_.copied.size()) +
                " files were copied completely and stay on the drive.";
    if (result_.ok()) {
        gauge_->SetValue(1000);
        const std::string wanted = driveLabelFromFolder(folder_);
        const DriveLabel label = fitDriveLabel(wanted, target_.fileSystem);
        const std::string note = driveLabelNote(wanted, label, target_.fileSystem);
        if (!note.empty()) text += "\n" + note;
        std::string why;
        if (!service_.setLabel(target_, label.text, why))
            text += "\nThe drive's label could not be set (" + why + ").";
        text += "\nPress \"Remove safely\" before you pull the drive out.";
    }
    setStatus(text);
    enableButtons();
    if (result_.outcome == DriveCopyResult::Outcome::Failed ||
        result_.outcome == DriveCopyResult::Outcome::Mismatch)
        prompts_.showMessage(this, text);
}

void DriveCopyDialog::onRemove(wxCommandEvent&) {
    std::string why;
    if (service_.removeSafely(target_, why)) {
        state_ = State::Choosing;
        refreshDrives();
        setStatus("The drive " + target_.device + " can be removed now.");
    } else {
        prompts_.showMessage(this, "The drive " + target_.device +
                                       " could not be prepared for removal (" + why + ").");
    }
    enableButtons();
}

void DriveCopyDialog::onClose() {
    if (state_ == State::Copying) {
        cancel_ = true;  // the worker ends and reports what stays on the drive
        return;
    }
    timer_.Stop();
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

}  // namespace rondivo
