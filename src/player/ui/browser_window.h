#pragma once
// The player's built-in browser: shows the presentation's page (or movie) in
// a window sized and placed by the presentation settings; every link it
// follows passes through the action-link hook first.
#include <wx/dialog.h>

#include <filesystem>
#include <memory>
#include <string>

#include "player/action_executor.h"
#include "player/browser_launch.h"
#include "player/ui/engine_hooks.h"
#include "player/ui/secure_hooks.h"
#include "player/window_geometry.h"

class wxWebView;
class wxWebViewEvent;
class wxMediaCtrl;

namespace rondivo {

class CopyProgressDialog;

class BrowserWindow : public wxDialog, public ActionHost {
  public:
    enum Id : int { kWebView = 1085, kMedia = 1032 };

    // `extraction` mirrors the disc's secure files before the page shows
    // (empty: nothing is extracted).
    BrowserWindow(const BrowserLaunch& launch, const SecureExtractionHook& extraction);
    ~BrowserWindow() override;

    // Modal run; returns when the window is closed by the user, ACTION_QUIT or ACTION_EJECT.
    int run();

    void applySize(bool initial);
    void applyStartPosition();

    // The navigation hook: true when the window does not go to `address`
    // itself (an action link, or a link handed to the desktop); `newWindow`
    // when the page asked for a window of its own.
    bool onBeforeNavigate(const std::string& address, bool newWindow = false);

    // A page's alert, confirm or prompt. Nothing for "Cancel"; for a prompt, the text typed.
    virtual std::optional<std::string> showScriptDialog(ScriptDialogKind kind,
                                                        const std::string& caption,
                                                        const std::string& message,
                                                        const std::string& defaultText);

    std::string address;  // the file shown
    std::string iconPath;
    std::string secureFolder;
    bool cleanupTempOnClose = true;
    bool mediaMode = false;
    bool dataFolderLayout = true;

    wxWebView* webView() const { return web_; }
    wxMediaCtrl* mediaCtrl() const { return media_; }
    bool closed() const { return closed_; }
    ScreenMetrics screenMetrics() const;

    // ActionHost: what the action links need from the window.
    std::string caption() override;
    std::string pageTitle() override { return pageTitle_; }
    void showMessageDialog(const std::string& caption, const std::string& text) override;
    void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
    std::optional<std::string> pickFolder(const std::string& prompt) override;
    void openProgress(const std::string& heading) override;
    void setProgressText(const std::string& text) override;
    void closeProgress() override;
    void openWith(const std::filesystem::path& file) override;
    void quit() override;
    void maximize() override;
    void restoreSize() override { applySize(false); }
    void minimize() override;
    void eject() override;

  private:
    std::string pageTitle_;  // the last title the page reported
    void takeLaunch(const BrowserLaunch& launch);
    void runSecureExtraction(const SecureExtractionHook& extraction);
    void createWebView(bool suppressRightClick);
    void createMediaCtrl();
    void setCaptionFromAutorunInf();
    void setWindowIcon();
    void onNavigating(wxWebViewEvent& event);
    void onTitleChanged(wxWebViewEvent& event);
    void runActionsLater(const std::string& address);

    BrowserPlacement placement_;
    ActionContext context_;
    wxWebView* web_ = nullptr;
    wxMediaCtrl* media_ = nullptr;
    CopyProgressDialog* progress_ = nullptr;
    std::unique_ptr<EngineHooks> engineHooks_;
    bool closed_ = false;
};

}  // namespace rondivo
