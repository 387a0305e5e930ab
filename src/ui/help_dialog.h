#pragma once
// The help dialog: the program's own manual from the program folder, in a web view.
#include <wx/dialog.h>

#include <string>

namespace rondivo {

// The program's own manual in the program folder, or "" when it is not installed.
std::string helpManualPage(const std::string& programFolder);

class HelpDialog : public wxDialog {
  public:
    // `page`: the manual's file ("" when it is not installed); `anchor`: a section to open at.
    HelpDialog(wxWindow* parent, const std::string& page, const std::string& anchor = {});
};

}  // namespace rondivo
