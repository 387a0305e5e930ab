#pragma once
// Scripts that every page of a web view gets. WebKitGTK injects them itself;
// wxWidgets' IE view has no user scripts, so there they run when each page
// has loaded.
#include <wx/webview.h>

#include <string>

namespace rondivo {

void addPageScript(wxWebView* view, const std::string& script,
                   wxWebViewUserScriptInjectionTime when = wxWEBVIEW_INJECT_AT_DOCUMENT_START);

// RunScript whose failures go to the debug log: wxWidgets reports a script
// that throws (or a document that is no HTML page) as a warning box, which
// the disc's audience must never see.
bool runPageScript(wxWebView* view, const wxString& script, wxString* output = nullptr);

}  // namespace rondivo
