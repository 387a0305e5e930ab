#include "ui/web_view_script.h"

#include <wx/log.h>

#include "platform/debug_log.h"

namespace rondivo {

namespace {

// Takes every log message while it is the active target.
class DebugLogTarget : public wxLog {
  protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override {
        platform::debugLog("page script: " + text.utf8_string());
    }
};

class ScopedDebugLog {
  public:
    ScopedDebugLog() : previous_(wxLog::SetActiveTarget(&target_)) {}
    ~ScopedDebugLog() { wxLog::SetActiveTarget(previous_); }
    ScopedDebugLog(const ScopedDebugLog&) = delete;
    ScopedDebugLog& operator=(const ScopedDebugLog&) = delete;

  private:
    DebugLogTarget target_;
    wxLog* previous_;
};

// A picture, a text or another document the engine shows without a page of
// its own: the IE view has no script object there.
bool holdsNoPage(const wxString& url) {
    wxString path = url.BeforeFirst('?').BeforeFirst('#');
    const wxString extension = path.AfterLast('.').Lower();
    if (extension == path || extension.Contains("/") || extension.Contains("\\")) return false;
    static const char* const documents[] = {"txt", "xml", "svg", "jpg", "jpeg", "jpe",
                                            "gif", "png", "bmp", "ico", "pdf",  "webp"};
    for (const char* d : documents)
        if (extension == d) return true;
    return false;
}

}  // namespace

bool runPageScript(wxWebView* view, const wxString& script, wxString* output) {
    ScopedDebugLog toDebugLog;
    return view->RunScript(script, output);
}

void addPageScript(wxWebView* view, const std::string& script,
                   wxWebViewUserScriptInjectionTime when) {
    const wxString code = wxString::FromUTF8(script);
    if (view->AddUserScript(code, when)) return;
    // Bound to the view, so the handler goes with it; Skip lets the
    // window's own handlers see the event too.
    view->Bind(wxEVT_WEBVIEW_LOADED, [view, code](wxWebViewEvent& e) {
        if (!holdsNoPage(e.GetURL())) runPageScript(view, code);
        e.Skip();
    });
}

}  // namespace rondivo
