// One executable: the designer ("design") and the player on the disc.
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/wx.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/composition_root.h"
#include "app/wx_startup_host.h"
#include "platform/debug_log.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/user_registry.h"

class RondivoApp : public wxApp {
  public:
    // `arguments` as the start-up routine reads them: UTF-8, argv[0] first,
    // a null pointer last.
    explicit RondivoApp(std::vector<char*> arguments) : arguments_(std::move(arguments)) {}
    bool OnInit() override {
        wxInitAllImageHandlers();
#ifdef __WXMSW__
        // Without this the IE view renders pages as IE 7 would (no
        // addEventListener: every script we inject fails). Set for our
        // executable's name before the first view is created, for this run only.
        emulation_ = std::make_unique<rondivo::platform::ScopedUserRegistryValue>(
            rondivo::platform::kBrowserEmulationKey,
            rondivo::platform::u8string(rondivo::platform::executablePath().filename()),
            rondivo::platform::kIe11Emulation);
        if (!emulation_->applied())
            rondivo::platform::debugLog("IE emulation level not set: " + emulation_->problem());
#endif
        SetAppName("rondivo");
        SetAppDisplayName("Rondivo!");
        return true;
    }
    // The routine never runs a message loop of its own: modal windows run
    // theirs, and the process ends when the routine returns.
    int OnRun() override {
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        rondivo::CompositionRoot windows;
        rondivo::WxStartupHost host(loop, windows);
        rondivo::runStartup(static_cast<int>(arguments_.size()) - 1, arguments_.data(), host);
        return 0;
    }
    int OnExit() override {
        emulation_.reset();
        return wxApp::OnExit();
    }

  private:
    std::vector<char*> arguments_;
    std::unique_ptr<rondivo::platform::ScopedUserRegistryValue> emulation_;
};

int main(int argc, char** argv) {
    // The routine reads its arguments as UTF-8 (argv on Windows is in the
    // ANSI code page); argv[0] stays the program's name.
    std::vector<std::string> utf8 = rondivo::platform::commandLineArguments(argc, argv);
    std::vector<char*> utf8Argv{argv[0]};
    for (auto& a : utf8) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    // The application is made here rather than by wxWidgets so that it is
    // handed its arguments; wxEntry deletes it when it ends.
    wxApp::SetInstance(new RondivoApp(std::move(utf8Argv)));
    return wxEntry(argc, argv);
}
