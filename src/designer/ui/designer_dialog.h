#pragma once
// The main designer window: the author's choices for one presentation and
// "Create CD". Its decisions live in designer_settings.h; this class turns
// events into calls on them and shows the results.
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "designer/build_pipeline.h"
#include "designer/designer_settings.h"

namespace rondivo {

class COptionsDlg;
class CPresentationCompleteDlg;
class CPreparingFilesDlg;

// The Menu Creator: runs modally on the html folder and gives the saved
// page's full path, or nothing when it was cancelled. Set by the Menu Creator's part.
using MenuCreatorRunner = std::function<std::optional<std::string>(
    wxWindow* parent, const std::filesystem::path& htmlFolder)>;
void setMenuCreatorRunner(MenuCreatorRunner runner);

class CDesignerDlg : public wxDialog {
  public:
    CDesignerDlg(wxWindow* parent, const std::filesystem::path& programFolder,
                 const std::filesystem::path& ownExecutable);
    ~CDesignerDlg() override;

    DesignerSettings& settings() { return settings_; }
    COptionsDlg& options() { return *options_; }
    CPresentationCompleteDlg& presentationComplete() { return *complete_; }
    const BuildResult& lastBuild() const { return lastBuild_; }

    // Seams: dialogs the window opens, replaced by tests.
    std::function<std::optional<std::string>(const FileChooser&)> chooseFile;
    std::function<void(const std::string& text, long style)> showMessage;
    std::function<std::optional<std::pair<int, int>>(std::pair<int, int> start)> askCustomSize;
    std::function<int()> runOptions;
    std::function<void()> showHelp;
    std::function<void(const std::string& path)> playSound;
    std::function<void(CPreparingFilesDlg& wait)> onProgressShown;  // after each new wait text
    std::filesystem::path desktopFolder;                            // empty: the user's desktop
    BuildHooks buildHooks;

    // Control values ↔ settings (dialog data exchange).
    void gather();
    void refresh();
    // The header panel for a point on the screen (the 150 ms timer's work).
    void updateHeaderFor(const wxPoint& screenPoint);
    wxString headerText() const { return header_->GetLabel(); }
    wxString bodyText() const { return body_->GetLabel(); }
    bool flashing() const { return flashTimer_.IsRunning(); }
    void stopFlashing() { stopFlash_ = true; }

  private:
    void build();
    void onCreateCd(wxCommandEvent&);
    void onExample(wxCommandEvent&);
    bool selectOpenFile();
    void onWindowSize(wxCommandEvent&);
    void onMediaCheck(wxCommandEvent&);
    void onFailSafeFocusLost(wxFocusEvent&);
    void onFlashTimer(wxTimerEvent&);
    void startFlashing();
    void setFlashColours(bool on);
    void enableControls();
    std::optional<std::string> pick(FileChoice which);
    void showAbout();

    std::filesystem::path programFolder_;
    std::filesystem::path ownExecutable_;
    DesignerSettings settings_;
    BuildResult lastBuild_;
    COptionsDlg* options_ = nullptr;
    CPresentationCompleteDlg* complete_ = nullptr;
    CPreparingFilesDlg* wait_ = nullptr;

    wxComboBox* openCombo_ = nullptr;
    wxTextCtrl* failSafe_ = nullptr;
    wxCheckBox *splashCheck_ = nullptr, *soundCheck_ = nullptr, *iconCheck_ = nullptr,
               *browserCheck_ = nullptr;
    wxStaticText *splashName_ = nullptr, *soundName_ = nullptr, *iconName_ = nullptr;
    wxButton *createCd_ = nullptr, *selectImage_ = nullptr, *selectSound_ = nullptr,
             *selectIcon_ = nullptr;
    wxChoice* windowSize_ = nullptr;
    wxStaticText *header_ = nullptr, *body_ = nullptr;
    wxTimer headerTimer_;
    wxTimer flashTimer_;
    int flashRound_ = 0;
    bool flashOn_ = false;
    bool stopFlash_ = false;
};

}  // namespace rondivo
