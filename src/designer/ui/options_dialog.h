#pragma once
// The Options dialog: advanced settings of the presentation. The main window
// keeps one for its whole life; OK stores the values, Cancel keeps the old ones.
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <functional>
#include <string>

#include "designer/designer_settings.h"
#include "designer/ui/designer_prompts.h"

namespace rondivo {

class COptionsDlg : public wxDialog {
  public:
    enum Id : int {
        kSplashTime = 1041,
        kRightClick = 1042,
        kTitleBar = 1043,
        kResizing = 1044,
        kTopMost = 1045,
        kNoFolderCopy = 1080,
        kDataFolder = 1085,
        kStartX = 1086,
        kSecure = 1087,
        kStartY = 1089,
        kCentre = 1090,
        kHelp = 1006,
    };

    // Its messages and its help page go through `prompts`.
    COptionsDlg(wxWindow* parent, DesignerPrompts prompts);
    const OptionsValues& values() const { return values_; }
    OptionsValues& values() { return values_; }
    int ShowModal() override;

    // Control values → a record (what OK gathers); public for tests.
    OptionsValues fromControls() const;
    void toControls();

  private:
    void onOk(wxCommandEvent&);
    void onCancel(wxCommandEvent&);
    void finish(int code);
    DesignerPrompts prompts_;
    OptionsValues values_;
    wxChoice* splashTime_ = nullptr;
    wxCheckBox *rightClick_ = nullptr, *titleBar_ = nullptr, *resizing_ = nullptr,
               *noFolderCopy_ = nullptr, *dataFolder_ = nullptr, *topMost_ = nullptr,
               *centre_ = nullptr, *secure_ = nullptr;
    wxTextCtrl *startX_ = nullptr, *startY_ = nullptr;
};

}  // namespace rondivo
