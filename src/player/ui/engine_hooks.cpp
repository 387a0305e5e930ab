#include "player/ui/engine_hooks.h"

#include <wx/webview.h>

#ifdef __WXGTK__
#include <webkit2/webkit2.h>

#include <cstring>

#include "player/link_route.h"
#endif

namespace rondivo {

#ifdef __WXGTK__
namespace {

gboolean onScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
    const auto& handler = static_cast<EngineHooks*>(data)->scriptDialog();
    const std::string message = webkit_script_dialog_get_message(dialog);
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
        case WEBKIT_SCRIPT_DIALOG_ALERT:
            handler(ScriptDialogKind::Alert, message, {});
            break;
        case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(
                dialog, handler(ScriptDialogKind::Confirm, message, {}).has_value());
            break;
        case WEBKIT_SCRIPT_DIALOG_PROMPT: {
            auto answer = handler(ScriptDialogKind::Prompt, message,
                                  webkit_script_dialog_prompt_get_default_text(dialog));
            // A prompt left unanswered gives the page null, as "Cancel" does.
            if (answer) webkit_script_dialog_prompt_set_text(dialog, answer->c_str());
            break;
        }
    }
    return TRUE;
}

bool cancelledOrRefused(const GError* error) {
    return g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
           error->domain == WEBKIT_POLICY_ERROR || error->domain == WEBKIT_PLUGIN_ERROR;
}

// Runs before the engine's own error page: a web address gets ours, in the
// failed address's place in the history, so Back returns to the page before.
gboolean onLoadFailed(WebKitWebView* view, WebKitLoadEvent, gchar* uri, GError* error, gpointer) {
    const std::string address = uri ? uri : "";
    const std::string scheme = addressScheme(address);
    if ((scheme != "http" && scheme != "https") || cancelledOrRefused(error)) return FALSE;
    webkit_web_view_load_alternate_html(view, unreachablePageHtml(address).c_str(), uri, nullptr);
    return TRUE;
}

// GTK reports the mouse's back button as button 8; the engine does nothing with it.
gboolean onButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer) {
    if (event->type != GDK_BUTTON_PRESS || event->button != 8) return FALSE;
    webkit_web_view_go_back(WEBKIT_WEB_VIEW(widget));
    return TRUE;
}

// The engine would download what it cannot show, quietly, and leave the page
// as it was; the user clicked to get that file, so it is handed on instead.
gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                        WebKitPolicyDecisionType type, gpointer data) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(response) ||
        !webkit_response_policy_decision_is_main_frame_main_resource(response))
        return FALSE;
    const gchar* uri =
        webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
    webkit_policy_decision_ignore(decision);
    static_cast<EngineHooks*>(data)->unshown()(uri ? uri : "");
    return TRUE;
}

}  // namespace

EngineHooks::EngineHooks(wxWebView* web, ScriptDialogHandler scriptDialog, UnshownHandler unshown)
    : scriptDialog_(std::move(scriptDialog)), unshown_(std::move(unshown)) {
    auto* view = static_cast<WebKitWebView*>(web->GetNativeBackend());
    if (!view) return;
    view_ = view;
    g_signal_connect(view, "script-dialog", G_CALLBACK(onScriptDialog), this);
    g_signal_connect(view, "load-failed", G_CALLBACK(onLoadFailed), this);
    g_signal_connect(view, "button-press-event", G_CALLBACK(onButtonPress), this);
    g_signal_connect(view, "decide-policy", G_CALLBACK(onDecidePolicy), this);
}

EngineHooks::~EngineHooks() {
    if (view_) g_signal_handlers_disconnect_by_data(view_, this);
}

#else

EngineHooks::EngineHooks(wxWebView*, ScriptDialogHandler scriptDialog, UnshownHandler unshown)
    : scriptDialog_(std::move(scriptDialog)), unshown_(std::move(unshown)) {}

EngineHooks::~EngineHooks() = default;

#endif

}  // namespace rondivo
