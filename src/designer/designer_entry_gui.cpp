// The designer's entry point: until the main designer window is built this
// shows a plain window with the program's title, so a second instance can
// find and raise it.
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/button.h>

#include "app/window_seams.h"

namespace rondivo {

void runDesignerWindow() {
    wxDialog dlg(nullptr, wxID_ANY, kProgramTitle, wxDefaultPosition, wxSize(420, 200));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(&dlg, wxID_ANY, "The designer window is not available in this build."), 1,
               wxALL | wxALIGN_CENTER, 20);
    sizer->Add(new wxButton(&dlg, wxID_CANCEL, "Close"), 0, wxALL | wxALIGN_CENTER, 10);
    dlg.SetSizer(sizer);
    dlg.Centre();
    dlg.ShowModal();
}

}  // namespace rondivo
