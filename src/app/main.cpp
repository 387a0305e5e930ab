// One executable: the designer ("design") and the player on the disc.
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/wx.h>

#include "app/composition_root.h"
#include "app/wx_startup_host.h"

namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

class RondivoApp : public wxApp {
  public:
    bool OnInit() override {
        wxInitAllImageHandlers();
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
        rondivo::runStartup(g_argc, g_argv, host);
        return 0;
    }
};

wxIMPLEMENT_APP_NO_MAIN(RondivoApp);

int main(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
    return wxEntry(argc, argv);
}
