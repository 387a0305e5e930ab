// One executable: the designer ("design") and the player on the disc.
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/wx.h>

#include <string>
#include <vector>

#ifdef __WXMSW__
#include <wx/msw/webview_ie.h>
#endif

#include "app/composition_root.h"
#include "app/wx_startup_host.h"
#include "platform/process.h"

namespace {
int g_argc = 0;
char** g_argv = nullptr;
}  // namespace

class RondivoApp : public wxApp {
  public:
    bool OnInit() override {
        wxInitAllImageHandlers();
#ifdef __WXMSW__
        // Without this the IE view renders pages as IE 7 would; set for our
        // executable's name before the first view is created.
        {
            // A registry that refuses it is no error box: the view still works.
            wxLogNull quiet;
            wxWebViewIE::MSWSetEmulationLevel(wxWEBVIEWIE_EMU_IE11);
        }
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
        rondivo::runStartup(g_argc, g_argv, host);
        return 0;
    }
};

wxIMPLEMENT_APP_NO_MAIN(RondivoApp);

int main(int argc, char** argv) {
    // The routine reads its arguments as UTF-8 (argv on Windows is in the
    // ANSI code page); argv[0] stays the program's name.
    static std::vector<std::string> utf8 = rondivo::platform::commandLineArguments(argc, argv);
    static std::vector<char*> utf8Argv{argv[0]};
    for (auto& a : utf8) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    g_argc = static_cast<int>(utf8Argv.size()) - 1;
    g_argv = utf8Argv.data();
    return wxEntry(argc, argv);
}
