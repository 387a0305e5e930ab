// One executable: the designer ("design") and the player on the disc.
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/wx.h>

#ifdef __WXMSW__
#include <shellapi.h>
#include <wx/msw/webview_ie.h>

#include <string>
#include <vector>
#endif

#include "app/window_seams.h"
#include "app/wx_startup_host.h"

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
        wxWebViewIE::MSWSetEmulationLevel(wxWEBVIEWIE_EMU_IE11);
#endif
        SetAppName("rondivo");
        SetAppDisplayName("Rondivo!");
        rondivo::installSecureFileHooks();
        rondivo::installBurnActions();
        return true;
    }
    // The routine never runs a message loop of its own: modal windows run
    // theirs, and the process ends when the routine returns.
    int OnRun() override {
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        rondivo::WxStartupHost host(loop);
        rondivo::runStartup(g_argc, g_argv, host);
        return 0;
    }
};

wxIMPLEMENT_APP_NO_MAIN(RondivoApp);

#ifdef __WXMSW__
namespace {
// The routine reads its arguments as UTF-8; main's argv on Windows is in the
// ANSI code page, which cannot hold every file name.
std::vector<std::string> utf8Arguments() {
    std::vector<std::string> out;
    int n = 0;
    wchar_t** w = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 0; w && i < n; ++i) out.push_back(wxString(w[i]).utf8_string());
    if (w) LocalFree(w);
    return out;
}
}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef __WXMSW__
    static std::vector<std::string> utf8 = utf8Arguments();
    static std::vector<char*> utf8Argv;
    for (auto& a : utf8) utf8Argv.push_back(a.data());
    utf8Argv.push_back(nullptr);
    g_argc = static_cast<int>(utf8.size());
    g_argv = utf8Argv.data();
#else
    g_argc = argc;
    g_argv = argv;
#endif
    return wxEntry(argc, argv);
}
