#pragma once
// The message dialog of the action links.
#include <wx/dialog.h>

#include <string>

namespace rondivo {

// A message with one "Close" button, captioned like the browser window.
class PlayerMessageDialog : public wxDialog {
  public:
    enum Id : int { kText = 1037, kClose = 1016 };

    PlayerMessageDialog(wxWindow* parent, const std::string& caption, const std::string& text);
};

}  // namespace rondivo
