#pragma once
// "Presentation Complete": shown after each build with the folder, Preview,
// Burn to CD and Save ISO. Created hidden with the main window and reused.
#include <wx/dialog.h>
#include <wx/stattext.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace rondivo {

// What the buttons of Presentation Complete do, given when it is made.
struct PresentationCompleteActions {
    // "Burn to CD" and "Save ISO": the disc dialogs. Left empty, the buttons
    // say the feature is not available yet.
    std::function<void(wxWindow* parent, const std::filesystem::path& folder)> burnToCd;
    std::function<void(wxWindow* parent, const std::filesystem::path& folder)> saveIso;
    // "Copy to USB Drive...": the drive window (standard() opens it on the system's drives).
    std::function<void(wxWindow* parent, const std::filesystem::path& folder)> copyToDrive;
    // The player Preview starts for a distributable folder.
    std::function<std::filesystem::path(const std::filesystem::path& folder)> previewPlayer;
    // Starts the built player for Preview.
    std::function<void(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::filesystem::path& workingDir)>
        launchPreview;
    std::function<void(wxWindow* parent, const std::string& text)> showMessage;

    // Preview and messages for real; no disc actions.
    static PresentationCompleteActions standard();
};

class CPresentationCompleteDlg : public wxDialog {
  public:
    enum Id : int {
        kPreview = 1034,
        kBurn = 3,
        kSaveIso = 1016,
        kFolderText = 1033,
        kToDrive = 1040
    };

    CPresentationCompleteDlg(wxWindow* parent, PresentationCompleteActions actions);
    // The build's results; then ShowModal().
    void setResult(const std::filesystem::path& folder, const std::string& commandLine);
    const std::filesystem::path& folder() const { return folder_; }
    const std::string& commandLine() const { return commandLine_; }
    wxString shownFolder() const { return folderText_->GetLabel(); }

  private:
    void dismiss();
    void onPreview(wxCommandEvent&);
    void onDiscAction(const std::function<void(wxWindow*, const std::filesystem::path&)>& action,
                      const char* unavailableText);
    PresentationCompleteActions actions_;
    std::filesystem::path folder_;
    std::string commandLine_;
    wxStaticText* folderText_ = nullptr;
};

}  // namespace rondivo
