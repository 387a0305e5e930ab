// The player's navigation hook on Windows, fed the addresses the IE view hands
// it (Wine draws no page, so the events are sent as the view sends them): what
// reaches the page, the shell or an action.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/webview.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/file_io.h"
#include "player/ui/browser_window.h"
#include "test_support.h"
#include "ui/gui_pump.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RecordingBrowser : public BrowserWindow {
  public:
    using BrowserWindow::BrowserWindow;
    std::vector<std::string> dialogs;
    std::vector<fs::path> openedWith;
    void showMessageDialog(const std::string&, const std::string& text) override {
        dialogs.push_back(text);
    }
    void messageBox(const std::string& text, const std::string&, MessageIcon) override {
        dialogs.push_back(text);
    }
    void openWith(const fs::path& file) override { openedWith.push_back(file); }
};

void pumpFor(std::chrono::milliseconds time) {
    auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        pumpPendingEvents();
        std::this_thread::sleep_for(10ms);
    }
}

// "C:\x\y" as IE writes it into a file address: forward slashes, UTF-8 percent-encoded.
std::string utf8(const std::u8string& text) {
    return std::string(text.begin(), text.end());
}

std::string fileAddress(const fs::path& path) {
    std::string out = "file:///";
    for (unsigned char c : utf8(path.generic_u8string())) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == ':' || c == '.' || c == '_' || c == '-';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            static const char* hex = "0123456789ABCDEF";
            out += {'%', hex[c >> 4], hex[c & 15]};
        }
    }
    return out;
}

TEST(NavigationOnWindows, IeAddressFormsReachTheirPlace) {
    test::TempDir disc;
    test::writeFile(disc / "index.html", "<html><body>menu</body></html>");
    test::writeFile(disc / "more.html", "<html><body>more</body></html>");
    const fs::path movie = disc.path() / platform::u8path("Grüße film.webm");
    test::writeFile(movie, "webm");
    test::writeFile(disc / "notes.rondivo-unknown", "x");
    BrowserLaunch launch;
    launch.address = disc / "index.html";
    launch.mediaMode = false;
    SecureExtractionHook extraction;
    auto* window = new RecordingBrowser(launch, extraction);
    ASSERT_NE(window->webView(), nullptr) << "no IE view could be made";

    struct Case {
        std::string address;
        bool vetoed;           // the view must not go there itself
        std::string dialog;    // an action's message, or empty
        std::string openWith;  // the file offered to "Open With", or empty
    };
    const Case cases[] = {
        // IE lower-cases the host of an action address, adds "/" and encodes what is not ASCII.
        {"http://action_messagebox=hello%20w%C3%B6rld/", true, "Hello wörld", ""},
        {"http://ACTION_MESSAGEBOX=As Written", true, "As Written", ""},
        // A page asking for a window of its own goes through our scheme.
        {"rondivo-open:http%3A%2F%2FACTION_MESSAGEBOX%3DNew%20window", true, "New window", ""},
        // Pages and pictures stay in the view.
        {fileAddress(disc / "more.html"), false, "", ""},
        // WebM plays in WebKit, never in IE: the shell gets it (here it has no program for it).
        {fileAddress(movie), true, "", "Grüße film.webm"},
        {fileAddress(disc / "notes.rondivo-unknown"), true, "", "notes.rondivo-unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        window->dialogs.clear();
        window->openedWith.clear();
        wxWebViewEvent event(wxEVT_WEBVIEW_NAVIGATING, window->webView()->GetId(),
                             wxString::FromUTF8(c.address), wxString());
        event.SetEventObject(window->webView());
        window->webView()->HandleWindowEvent(event);
        EXPECT_EQ(!event.IsAllowed(), c.vetoed);
        pumpFor(300ms);
        if (c.dialog.empty())
            EXPECT_TRUE(window->dialogs.empty()) << window->dialogs.front();
        else
            EXPECT_EQ(window->dialogs, std::vector<std::string>{c.dialog});
        if (c.openWith.empty()) {
            EXPECT_TRUE(window->openedWith.empty());
        } else {
            ASSERT_EQ(window->openedWith.size(), 1u);
            EXPECT_EQ(utf8(window->openedWith[0].filename().u8string()), c.openWith);
            EXPECT_TRUE(fs::exists(window->openedWith[0]));
        }
    }

    // ACTION_QUIT as IE sends it closes the window.
    wxWebViewEvent quit(wxEVT_WEBVIEW_NAVIGATING, window->webView()->GetId(), "http://action_quit/",
                        wxString());
    quit.SetEventObject(window->webView());
    window->webView()->HandleWindowEvent(quit);
    pumpFor(300ms);
    EXPECT_TRUE(window->closed());
    window->Destroy();
    pumpPendingEvents();
}

}  // namespace
}  // namespace rondivo
