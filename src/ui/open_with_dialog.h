#pragma once
// Our "Open With" chooser: shows the file and lets the user pick one of the
// desktop's programs, or any program file, to open it with.
#include <wx/dialog.h>
#include <wx/listbox.h>

#include <filesystem>
#include <vector>

#include "platform/shell.h"

namespace rondivo {

// "Open With" for `file`: the system's own dialog where it has one (Windows),
// else ours.
void offerOpenWith(wxWindow* parent, const std::filesystem::path& file);

class OpenWithDialog : public wxDialog {
  public:
    OpenWithDialog(wxWindow* parent, const std::filesystem::path& file);
    bool launched() const { return launched_; }

  private:
    void onOpen();
    void onBrowse();
    std::filesystem::path file_;
    std::vector<platform::DesktopApplication> apps_;
    wxListBox* list_ = nullptr;
    bool launched_ = false;
};

}  // namespace rondivo
