#include "ui/page_script.h"

namespace rondivo {

void addPageScript(wxWebView* view, const std::string& script,
                   wxWebViewUserScriptInjectionTime when) {
    const wxString code = wxString::FromUTF8(script);
    if (view->AddUserScript(code, when)) return;
    // Bound to the view, so the handler goes with it; Skip lets the
    // window's own handlers see the event too.
    view->Bind(wxEVT_WEBVIEW_LOADED, [view, code](wxWebViewEvent& e) {
        view->RunScript(code);
        e.Skip();
    });
}

}  // namespace rondivo
