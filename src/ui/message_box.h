#pragma once
// Every message the program shows carries its name as the caption.
#include <wx/msgdlg.h>
#include <wx/string.h>

#include <string>

namespace rondivo {

inline constexpr const char* kProgramTitle = "Rondivo!";

inline int showProgramMessage(const std::string& text, long style, wxWindow* parent = nullptr) {
    return wxMessageBox(wxString::FromUTF8(text), kProgramTitle, style, parent);
}

}  // namespace rondivo
