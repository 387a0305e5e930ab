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
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "designer/build_pipeline.h"
#include "designer/designer_settings.h"
#include "designer/ui/designer_prompts.h"
#include "designer/ui/presentation_complete_dialog.h"

namespace rondivo {

class COptionsDlg;
class CPreparingFilesDlg;

// The Menu Creator: runs modally on the html folder and gives the saved
// page's full path, or nothing when it was cancelled.
using MenuCreatorRunner = std::function<std::optional<std::string>(
    wxWindow* parent, const std::filesystem::path& htmlFolder)>;

// What the main window works with, handed over when it is made: by the
// composition root for the program, with fakes by the window tests.
struct DesignerCollaborators {
    std::filesystem::path programFolder;  // relative source paths are taken from here
    std::filesystem::path ownExecutable;  // copied as autorun.exe
    std::filesystem::path desktopFolder;  // empty: the user's desktop
    DesignerPrompts prompts;
    // Empty: the button says the Menu Creator is not available.
    MenuCreatorRunner runMenuCreator;
    PresentationCompleteActions presentationComplete = PresentationCompleteActions::standard();
    BuildHooks buildHooks;
    // Called after each new text of the wait dialog.
    std::function<void(CPreparingFilesDlg& wait)> onProgressShown;
};

class CDesignerDlg : public wxDialog {
  public:
    // Control identifiers; tests find controls by them.
    enum Id : int {
        kSelectOpenFile = 1000,
        kSelectFailSafe = 1001,
        kOpenCombo = 1005,
        kHelp = 1006,
        kFailSafeEdit = 1008,
        kOptions = 1009,
        kSplashCheck = 1015,
        kSelectImage = 1016,
        kSoundCheck = 1017,
        kSplashName = 1018,
        kSoundName = 1019,
        kSelectSound = 1020,
        kIconCheck = 1021,
        kSelectIcon = 1022,
        kIconName = 1023,
        kPlaySound = 1024,
        kBrowserCheck = 1026,
        kWindowSizeCombo = 1028,
        kWindowSizeLabel = 1029,
        kMenuCreator = 1044,
        kBody = 1055,
        kHeader = 1056,
        kHeaderIcon = 1057,
        kAbout = 1100,
        kHeaderTimer = 1101,
        kFlashTimer = 1102,
    };

    CDesignerDlg(wxWindow* parent, DesignerCollaborators collaborators);
    ~CDesignerDlg() override;

    DesignerSettings& settings() { return settings_; }
    COptionsDlg& options() { return *options_; }
    CPresentationCompleteDlg& presentationComplete() { return *complete_; }
    const BuildResult& lastBuild() const { return lastBuild_; }
    // True from "Create CD" until its result has been shown.
    bool building() const { return run_ != nullptr; }

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
    struct BuildRun;

    wxSizer* buildOpenBox();
    wxSizer* buildFailSafeBox();
    wxSizer* buildSettingsBox();
    wxSizer* buildSoundsBox();
    wxSizer* buildButtonRow();
    wxSizer* buildHeaderPanel();
    void addMediaRow(wxWindow* box, wxSizer* grid, int checkId, const char* checkText, int nameId,
                     int buttonId, const char* buttonText, wxCheckBox*& check, wxStaticText*& name,
                     wxButton*& button);
    void bindEvents();
    void bindFileChoice(int buttonId, FileChoice which,
                        void (*apply)(DesignerSettings&, const std::string&));

    void build();
    BuildHooks workerHooks();
    void showBuildProgress();
    void showBuildMessage(const BuildMessage& message);
    void finishBuild(const BuildResult& result);
    void showBuildOutcome();
    void quit();

    void onExample(wxCommandEvent&);
    bool selectOpenFile();
    void onMenuCreator();
    void onPlaySound();
    void onWindowSize(wxCommandEvent&);
    void onMediaCheck(wxCommandEvent&);
    void onFailSafeFocusLost(wxFocusEvent&);
    void onFlashTimer(wxTimerEvent&);
    void startFlashing();
    void setFlashColours(bool on);
    void enableControls();
    std::optional<std::string> pick(FileChoice which);
    void showMessage(const std::string& text, long style);
    void showAbout();

    DesignerCollaborators collaborators_;
    DesignerSettings settings_;
    BuildResult lastBuild_;
    COptionsDlg* options_ = nullptr;
    CPresentationCompleteDlg* complete_ = nullptr;
    CPreparingFilesDlg* wait_ = nullptr;
    // The build in progress: shared with its worker thread.
    std::shared_ptr<BuildRun> run_;
    std::thread buildThread_;
    bool quitAfterBuild_ = false;

    wxComboBox* openCombo_ = nullptr;
    wxTextCtrl* failSafe_ = nullptr;
    wxStaticText* openFolder_ = nullptr;  // where the file to open is
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
