#pragma once
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <memory>

#include "app/composition_root.h"
#include "app/startup.h"
#include "platform/single_instance.h"

namespace rondivo {

// Carries out the start-up routine with the windows `windows` builds and the
// platform layer.
class WxStartupHost : public StartupHost {
  public:
    WxStartupHost(wxEventLoopBase& loop, CompositionRoot& windows);
    ~WxStartupHost() override;

    std::filesystem::path currentDirectory() override;
    std::filesystem::path executableFolder() override;
    std::filesystem::path programFolder() override;
    std::filesystem::path discFolder() override;
    void showInformation(const std::string& text) override;
    bool acquireDesignerInstance() override;
    void raiseRunningDesigner() override;
    void showDesignerSplash(const std::filesystem::path& image) override;
    void runDesigner() override;
    void startSound(const std::string& path) override;
    bool soundFinished() override;
    void showSplash(const std::string& image, int displayMs) override;
    void runBrowser(const BrowserLaunch& launch) override;
    void restoreDesigner() override;
    std::string extractSecureFiles(bool dataFolderLayout) override;
    bool changeDirectory(const std::string& folder) override;
    bool enterFolder(const std::filesystem::path& folder) override;
    int shellExecute(const std::string& file, const std::string& parameters) override;
    void openWith(const std::string& file) override;
    void showError(const std::string& text) override;
    void pumpMessages() override;
    void sleepMs(int ms) override;

  private:
    wxEventLoopBase& loop_;
    CompositionRoot& windows_;
    platform::SingleInstance instance_;
    std::unique_ptr<wxTimer> raiseTimer_;
    bool soundStarted_ = false;
};

// The first top-level window titled exactly "Rondivo!", or null.
wxTopLevelWindow* findDesignerWindow();

}  // namespace rondivo
