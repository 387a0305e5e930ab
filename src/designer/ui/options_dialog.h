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

namespace rondivo {

class COptionsDlg : public wxDialog {
  public:
    explicit COptionsDlg(wxWindow* parent);
    const OptionsValues& values() const { return values_; }
    OptionsValues& values() { return values_; }
    int ShowModal() override;

    // Message boxes and the help page go through these so tests can watch them.
    std::function<void(const std::string& text, long style)> showMessage;
    std::function<void()> showHelp;

    // Control values → a record (what OK gathers); public for tests.
    OptionsValues fromControls() const;
    void toControls();

  private:
    void onOk(wxCommandEvent&);
    void onCancel(wxCommandEvent&);
    void finish(int code);
    OptionsValues values_;
    wxChoice* splashTime_ = nullptr;
    wxCheckBox *rightClick_ = nullptr, *titleBar_ = nullptr, *resizing_ = nullptr,
               *noFolderCopy_ = nullptr, *dataFolder_ = nullptr, *topMost_ = nullptr,
               *centre_ = nullptr, *secure_ = nullptr;
    wxTextCtrl *startX_ = nullptr, *startY_ = nullptr;
};

}  // namespace rondivo
