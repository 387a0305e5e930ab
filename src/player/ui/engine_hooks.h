#pragma once
// What the player needs from its web engine beyond wxWebView: the page's
// script dialogs answered by us (so they carry the window's caption, never the
// page's file address), our own page for a web address that cannot be
// reached, downloads and files it cannot show, and the mouse's back button.
// Installed on the GTK engine; a no-op where the engine has none of these hooks.
#include <functional>
#include <memory>
#include <optional>
#include <string>

class wxWebView;

namespace rondivo {

enum class ScriptDialogKind { Alert, Confirm, Prompt };

// The answer to a dialog: nothing for "Cancel"; for a prompt, the text typed.
using ScriptDialogHandler = std::function<std::optional<std::string>(
    ScriptDialogKind kind, const std::string& message, const std::string& defaultText)>;

// An address the engine loaded for the page but cannot show.
using UnshownHandler = std::function<void(const std::string& address)>;

class EngineHooks {
  public:
    EngineHooks(wxWebView* web, ScriptDialogHandler scriptDialog, UnshownHandler unshown);
    // Disconnects from the engine, which may outlive the window by a little.
    ~EngineHooks();
    EngineHooks(const EngineHooks&) = delete;
    EngineHooks& operator=(const EngineHooks&) = delete;

    const ScriptDialogHandler& scriptDialog() const { return scriptDialog_; }
    const UnshownHandler& unshown() const { return unshown_; }

  private:
    void* view_ = nullptr;  // the engine's own view object
    ScriptDialogHandler scriptDialog_;
    UnshownHandler unshown_;
};

}  // namespace rondivo
