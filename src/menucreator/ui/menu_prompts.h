#pragma once
// The questions the Menu Creator and its dialogs put to the author, behind
// functions so window tests can answer them without a modal box.
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/msgdlg.h>
#include <wx/string.h>
#include <wx/window.h>

#include <functional>
#include <optional>
#include <vector>

namespace rondivo::menucreator {

struct MenuPrompts {
    // wxMessageBox-style: returns wxOK, wxYES, wxNO ...
    std::function<int(wxWindow* parent, const wxString& text, const wxString& caption, long style)>
        message;
    // Full paths chosen in an open-file dialog; empty when cancelled.
    std::function<std::vector<wxString>(wxWindow* parent, const wxString& title,
                                        const wxString& folder, const wxString& defaultName,
                                        const wxString& filter, long style, bool picturePreview)>
        openFiles;
    std::function<std::optional<wxColour>(wxWindow* parent)> colour;
    // Face name and point size.
    std::function<std::optional<std::pair<wxString, int>>(wxWindow* parent)> font;
    std::function<std::optional<wxString>(wxWindow* parent, const wxString& title)> folder;
    // A text dialog (caption, group title, initial text).
    std::function<std::optional<wxString>(wxWindow* parent, const wxString& caption,
                                          const wxString& group, const wxString& initial)>
        text;

    static MenuPrompts standard();
};

}  // namespace rondivo::menucreator
