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

class CPresentationCompleteDlg;
// What "Burn to CD" and "Save ISO" do; the disc-writing part of the program
// sets them. Until then they say the feature is not available yet.
using PresentationAction =
    std::function<void(CPresentationCompleteDlg& dialog, const std::filesystem::path& folder)>;
void setBurnToCdAction(PresentationAction action);
void setSaveIsoAction(PresentationAction action);

class CPresentationCompleteDlg : public wxDialog {
  public:
    explicit CPresentationCompleteDlg(wxWindow* parent);
    // The build's results; then Show().
    void setResult(const std::filesystem::path& folder, const std::string& commandLine);
    const std::filesystem::path& folder() const { return folder_; }
    const std::string& commandLine() const { return commandLine_; }
    wxString shownFolder() const { return folderText_->GetLabel(); }

    // Starts the preview; tests replace it with a recorder.
    std::function<void(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::filesystem::path& workingDir)>
        launch;
    std::function<void(const std::string& text)> showMessage;

  private:
    void onPreview(wxCommandEvent&);
    std::filesystem::path folder_;
    std::string commandLine_;
    wxStaticText* folderText_ = nullptr;
};

}  // namespace rondivo
