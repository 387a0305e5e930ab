#include "ui/page_script.h"

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
        runPageScript(view, code);
        e.Skip();
    });
}

}  // namespace rondivo
