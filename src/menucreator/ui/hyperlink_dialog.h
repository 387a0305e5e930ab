#pragma once
// CHyperlinkDlg: the action a picture or text link performs.
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "menucreator/ui/menu_prompts.h"

namespace rondivo::menucreator {

class CHyperlinkDlg : public wxDialog {
  public:
    enum { kSelectFile = 1016, kArgument = 1037, kAction = 1048, kHint = 1050 };

    CHyperlinkDlg(wxWindow* parent, MenuPrompts prompts);

    const std::string& actionName() const { return actionName_; }
    const std::string& argument() const { return argument_; }
    // The address to attach, built from the confirmed choice.
    std::string url() const;

    // The handlers, public so tests can drive them.
    void onActionChanged();
    void onSelectFile();
    bool confirm();  // OK: true when the dialog may close

    wxChoice* actionList() const { return list_; }
    wxTextCtrl* argumentEdit() const { return edit_; }
    wxButton* selectFileButton() const { return selectFile_; }
    wxStaticText* hintText() const { return hint_; }

  private:
    void showMembers();
    void repaintAfterPopups();

    wxChoice* list_ = nullptr;
    wxTextCtrl* edit_ = nullptr;
    wxStaticText* hint_ = nullptr;
    wxButton* selectFile_ = nullptr;
    std::string actionName_;
    std::string hintText_;
    std::string argument_;
    MenuPrompts prompts_;
};

}  // namespace rondivo::menucreator
