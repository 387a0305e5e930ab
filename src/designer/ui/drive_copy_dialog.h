#pragma once
// "Copy to USB Drive": the removable drives, refreshed as they come and go;
// the copy runs off the window thread with its progress shown, and ends with
// the drive's label set and "Remove safely".
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "designer/drive_copy.h"
#include "platform/removable_drives.h"

namespace rondivo {

struct DriveCopyPrompts {
    std::function<void(wxWindow* parent, const std::string& text)> showMessage;
    // A yes/no question; true for yes.
    std::function<bool(wxWindow* parent, const std::string& text)> ask;
    static DriveCopyPrompts standard();
};

class DriveCopyDialog : public wxDialog {
  public:
    enum Id : int { kDriveList = 4001, kCopy, kRemove, kRefresh, kStatus, kProgress, kNoDrive };
    static constexpr const char* kNoDriveText =
        "No removable drive is connected. Plug one in: this list refreshes by itself.";
    enum class State { Choosing, Copying, Copied, Failed };

    DriveCopyDialog(wxWindow* parent, const std::filesystem::path& folder,
                    platform::DriveService& drives, DriveCopyPrompts prompts);
    ~DriveCopyDialog() override;

    void refreshDrives();
    const std::vector<platform::RemovableDrive>& drives() const { return shown_; }
    State state() const { return state_; }
    wxString statusText() const { return status_->GetLabel(); }
    // The line under the list that says no drive is there, when it is shown.
    wxString noDriveText() const { return noDrive_->IsShown() ? noDrive_->GetLabel() : wxString(); }
    const DriveCopyResult& result() const { return result_; }

  private:
    platform::RemovableDrive* selectedDrive();
    void onCopy(wxCommandEvent&);
    void onRemove(wxCommandEvent&);
    void onClose();
    void startCopy(DriveCopyPlan plan);
    void showProgress(const DriveCopyProgress& progress);
    void finish(DriveCopyResult result);
    void setStatus(const std::string& text);
    void enableButtons();

    std::filesystem::path folder_;
    platform::DriveService& service_;
    DriveCopyPrompts prompts_;
    std::vector<platform::RemovableDrive> shown_;
    platform::RemovableDrive target_;
    State state_ = State::Choosing;
    DriveCopyResult result_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    wxListCtrl* list_ = nullptr;
    wxStaticText* status_ = nullptr;
    wxStaticText* noDrive_ = nullptr;
    bool listed_ = false;
    wxGauge* gauge_ = nullptr;
    wxTimer timer_;
};

}  // namespace rondivo
