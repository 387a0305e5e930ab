#pragma once
// CSaveMenuDlg: names the menu file; offers Discard when the window closes.
#include <wx/dialog.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <functional>
#include <string>

#include "menucreator/ui/menu_prompts.h"

namespace rondivo::menucreator {

// Where the menu is written under a file name ("My Menu.html"): each menu has a folder of its own.
using MenuFileFor = std::function<std::filesystem::path(const std::string& fileName)>;

class CSaveMenuDlg : public wxDialog {
  public:
    enum { kName = 1005, kDiscard = 1016 };
    enum class Result { Save, Discard, Cancel };

    CSaveMenuDlg(wxWindow* parent, const std::string& menuName, MenuFileFor fileFor,
                 bool offerDiscard, MenuPrompts prompts);
    // Runs modally; on Save, name() is the file name with ".html".
    Result run();
    const std::string& name() const { return name_; }

    // The OK step: true when the dialog may close with Save.
    bool confirm();
    wxTextCtrl* nameEdit() const { return edit_; }

  private:
    wxTextCtrl* edit_ = nullptr;
    MenuFileFor fileFor_;
    std::string name_;
    MenuPrompts prompts_;
};

}  // namespace rondivo::menucreator
