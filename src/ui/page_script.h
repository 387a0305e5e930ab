#pragma once
// Scripts that every page of a web view gets. WebKitGTK injects them itself;
// wxWidgets' IE view has no user scripts, so there they run when each page
// has loaded.
#include <wx/webview.h>

#include <string>

namespace rondivo {

void addPageScript(wxWebView* view, const std::string& script,
                   wxWebViewUserScriptInjectionTime when = wxWEBVIEW_INJECT_AT_DOCUMENT_START);

}  // namespace rondivo
