#include "ui/help_dialog.h"

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include <filesystem>

#include "platform/file_io.h"

namespace rondivo {

HelpDialog::HelpDialog(wxWindow* parent, const std::string& page, const std::string& anchor)
    : wxDialog(parent, wxID_ANY, "Rondivo! Help", wxDefaultPosition, wxSize(760, 600),
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    wxWebView* view = wxWebView::New(this, 1085);
    if (page.empty()) {
        view->SetPage(
            "<html><body style='font-family:sans-serif'><h2>Rondivo! Help</h2><p>The manual is not "
            "installed in the program folder (help/index.html).</p></body></html>",
            "");
    } else {
        wxString url = wxFileName::FileNameToURL(wxFileName(wxString::FromUTF8(page)));
        if (!anchor.empty()) url += "#" + wxString::FromUTF8(anchor);
        view->LoadURL(url);
    }
    top->Add(view, 1, wxEXPAND);
    top->Add(CreateButtonSizer(wxCLOSE), 0, wxEXPAND | wxALL, 8);
    SetSizer(top);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CLOSE); }, wxID_CLOSE);
    SetEscapeId(wxID_CLOSE);
}

std::string helpManualPage(const std::string& programFolder) {
    const std::filesystem::path p = platform::u8path(programFolder);
    for (const char* rel : {"help/index.html", "pages/186.html", "html/help/index.html"}) {
        std::error_code ec;
        const std::filesystem::path page = p / platform::u8path(rel);
        if (std::filesystem::is_regular_file(page, ec)) return page.string();
    }
    return {};
}

}  // namespace rondivo
