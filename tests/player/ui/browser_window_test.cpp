// The browser window in this process: pages drive it through scripts and the
// window's dialogs are recorded instead of shown.
#include "player/ui/browser_window.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/webview.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/process.h"
#include "player/ui/copy_progress_dialog.h"
#include "player/ui/player_message_dialog.h"
#include "player/ui/secure_hooks.h"
#include "test_support.h"
#include "ui/gui_pump.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class RecordingBrowser : public BrowserWindow {
  public:
    using BrowserWindow::BrowserWindow;
    std::vector<std::string> dialogs;
    std::vector<std::string> messages;
    void showMessageDialog(const std::string& caption, const std::string& text) override {
        dialogs.push_back(caption + "|" + text);
    }
    void messageBox(const std::string& text, const std::string& caption, MessageIcon) override {
        messages.push_back(caption + "|" + text);
    }
    std::vector<fs::path> openedWith;
    void openWith(const fs::path& file) override { openedWith.push_back(file); }
    std::vector<std::string> scriptDialogs;
    std::optional<std::string> promptAnswer;
    std::optional<std::string> showScriptDialog(ScriptDialogKind kind, const std::string& caption,
                                                const std::string& message,
                                                const std::string& defaultText) override {
        scriptDialogs.push_back(caption + "|" + message + "|" + defaultText);
        return kind == ScriptDialogKind::Prompt ? promptAnswer : std::nullopt;
    }
};

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 15s) {
    auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        pumpPendingEvents();
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

class BrowserWindowTest : public ::testing::Test {
  protected:
    test::TempDir home;
    test::TempDir disc;
    test::ScopedEnv homeEnv{"HOME", home.path().string()};
    test::ScopedEnv dataEnv{"XDG_DATA_HOME", (home / ".local/share").string()};
    std::unique_ptr<RecordingBrowser> window;
    SecureExtractionHook extraction;  // empty: nothing extracted

    void TearDown() override {
        if (window) window.release()->Destroy();
        pumpPendingEvents();
    }
    void open(const std::string& body, int sizeIndex = 0, bool noRightClick = false) {
        test::writeFile(disc / "index.html", "<html><head><title>Window Test</title></head><body>" +
                                                 body + "</body></html>");
        BrowserLaunch launch;
        launch.address = disc / "index.html";
        launch.windowSizeIndex = sizeIndex;
        launch.settings.disableRightClick = noRightClick ? 1 : 0;
        launch.mediaMode = false;
        window = std::make_unique<RecordingBrowser>(launch, extraction);
        window->Show();
        ASSERT_TRUE(pumpUntil([&] { return window->pageTitle() == "Window Test"; }))
            << "page did not load";
    }
    void runScript(const std::string& js) {
        window->webView()->RunScriptAsync(wxString::FromUTF8(js));
    }
};

TEST_F(BrowserWindowTest, ScriptSetAddressesPassThroughTheNavigationHook) {
    open("<p>hook</p>");
    // Set by a script, the address goes through the engine's rewriting: lower
    // case and a trailing "/", which the preparation copes with.
    runScript("window.location.href = 'http://ACTION_MESSAGEBOX=Thanks';");
    ASSERT_TRUE(pumpUntil([&] { return !window->dialogs.empty(); }));
    EXPECT_EQ(window->dialogs[0], "Window Test|Thanks");
    EXPECT_EQ(window->caption(), "Window Test");  // the page stayed
}

TEST_F(BrowserWindowTest, MenuPagesGetPlayableMusicAndMovies) {
    // Menu pages keep BGSOUND and EMBED; the window adds what the engine can play.
    open(
        "<BGSOUND src='music.wav' loop=-1><EMBED src='movie.avi' width=320 height=240>"
        "<script>window.setTimeout(function () { document.title = 'audio ' + "
        "document.querySelectorAll('audio').length + ' video ' + "
        "document.querySelectorAll('video').length; }, 300);</script>");
    EXPECT_TRUE(pumpUntil([&] { return window->pageTitle() == "audio 1 video 1"; }))
        << window->pageTitle();
}

TEST_F(BrowserWindowTest, ScriptsOpeningWindowsDoNotBringThePlayerDown) {
    // The engine used to abort the program on window.open.
    open("<p>popup</p>");
    runScript("window.open('other.html');");
    pumpUntil([] { return false; }, 500ms);
    runScript("window.open('http://ACTION_MESSAGEBOX=Popup Text');");
    ASSERT_TRUE(pumpUntil([&] { return !window->dialogs.empty(); }));
    EXPECT_EQ(window->dialogs[0], "Window Test|Popup Text");
}

TEST_F(BrowserWindowTest, ClickedLinksArriveAsWrittenAlsoFromFrames) {
    test::writeFile(
        disc / "frame.html",
        "<html><body><a id='f' href='http://ACTION_MESSAGEBOX=From The Frame'>f</a>"
        "<script>window.onload = function () { document.getElementById('f').click(); };</script>"
        "</body></html>");
    open(
        "<a id='a' href='http://ACTION_MESSAGEBOX=Mixed Case Text'>a</a><iframe "
        "src='frame.html'></iframe>");
    runScript("document.getElementById('a').click();");
    ASSERT_TRUE(pumpUntil([&] { return window->dialogs.size() == 2; }));
    std::sort(window->dialogs.begin(), window->dialogs.end());
    EXPECT_EQ(window->dialogs[0], "Window Test|From The Frame");
    EXPECT_EQ(window->dialogs[1], "Window Test|Mixed Case Text");
}

TEST_F(BrowserWindowTest, LinksThePageCancelsAreNoAction) {
    open(
        "<a id='a' href='http://ACTION_MESSAGEBOX=no' onclick='return false'>a</a>"
        "<a id='b' href='http://ACTION_MESSAGEBOX=yes'>b</a>");
    runScript("document.getElementById('a').click(); document.getElementById('b').click();");
    ASSERT_TRUE(pumpUntil([&] { return !window->dialogs.empty(); }));
    pumpUntil([] { return false; }, 300ms);
    EXPECT_EQ(window->dialogs, std::vector<std::string>{"Window Test|Yes"});
}

TEST_F(BrowserWindowTest, QuitHidesANonModalWindow) {
    open("<a id='q' href='http://ACTION_QUIT'>q</a>");
    runScript("document.getElementById('q').click();");
    ASSERT_TRUE(pumpUntil([&] { return window->closed(); }));
    EXPECT_FALSE(window->IsShown());
}

TEST_F(BrowserWindowTest, RestoreSizeMakesDefaultSize640By480AndMaximizeCoversTheScreen) {
    open("<p>size</p>", 0);
    EXPECT_EQ(window->GetSize(), wxSize(kBrowserTemplateWidth, kBrowserTemplateHeight));
    window->restoreSize();
    // The display confirms a new size asynchronously.
    pumpUntil([&] { return window->GetSize() == wxSize(640, 480); }, 3s);
    EXPECT_EQ(window->GetSize(), wxSize(640, 480));
    window->maximize();
    WindowRect full = fullScreenRect(window->screenMetrics());
    const wxRect expected(full.x, full.y, full.width, full.height);
    pumpUntil([&] { return window->GetRect() == expected; }, 3s);
    EXPECT_EQ(window->GetRect(), expected);
}

TEST_F(BrowserWindowTest, RightClicksAreSwallowedWhenTheDiscSaysSo) {
    const std::string page =
        "<div style='position:fixed;left:0;top:0;width:100%;height:100%' "
        "onmousedown='if (event.button == 2) document.title = \"pressed\"'></div>";
    for (bool suppressed : {true, false}) {
        open(page, 1, suppressed);
        window->Raise();
        wxPoint centre = window->GetScreenRect().GetPosition() + wxPoint(100, 100);
        auto click = platform::spawnProcess({"xdotool", "mousemove", std::to_string(centre.x),
                                             std::to_string(centre.y), "click", "3"});
        ASSERT_TRUE(click.started());
        pumpUntil([&] { return platform::waitForExit(click.pid, 1ms).has_value(); });
        pumpUntil([&] { return window->pageTitle() == "pressed"; }, 1500ms);
        EXPECT_EQ(window->pageTitle() == "pressed", !suppressed) << "suppressed " << suppressed;
        window.release()->Destroy();
        pumpPendingEvents();
    }
}

TEST_F(BrowserWindowTest, DestructionRemovesTheDecryptedFiles) {
    fs::path temp = home / ".local/share/RondivoTemp";
    test::writeFile(temp / "data/x.txt", "decrypted");
    extraction = [&](SecureExtraction& e) { e.secureFolder = (temp / "data").string(); };
    open("<p>temp</p>");
    window.release()->Destroy();
    pumpPendingEvents();
    EXPECT_FALSE(fs::exists(temp));
}

TEST_F(BrowserWindowTest, NothingDecryptedLeavesTheTemporaryFolderAlone) {
    fs::path temp = home / ".local/share/RondivoTemp";
    test::writeFile(temp / "keep.txt", "not ours to remove");
    open("<p>plain</p>");
    window.release()->Destroy();
    pumpPendingEvents();
    EXPECT_TRUE(fs::exists(temp / "keep.txt"));
}

// A socket bound to a free port of this machine.
int loopbackSocket(int& port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), len);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

// A local port nothing listens on: connections to it are refused at once.
int closedPort() {
    int port = 0;
    close(loopbackSocket(port));
    return port;
}

// A web server on this machine that answers every request with a download.
class DownloadServer {
  public:
    DownloadServer() {
        fd_ = loopbackSocket(port_);
        listen(fd_, 4);
        thread_ = std::thread([this] { serve(); });
    }
    ~DownloadServer() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    void serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            int client = accept(fd_, nullptr, nullptr);
            char request[2048];
            (void)!read(client, request, sizeof request);
            const std::string reply =
                "HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\nContent-Length: "
                "4\r\n\r\nPK\x05\x06";
            (void)!write(client, reply.data(), reply.size());
            close(client);
        }
    }
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Keys and buttons as the user gives them, to the focused page.
void userInput(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    auto input = platform::spawnProcess(args);
    ASSERT_TRUE(input.started());
    pumpUntil([&] { return platform::waitForExit(input.pid, 1ms).has_value(); });
}

class MenuLinksTest : public BrowserWindowTest {
  protected:
    test::FakeXdgOpen xdg;
    test::ScopedEnv pathEnv{"PATH", xdg.pathWithFakeFirst()};
    const std::string unreachable = "http://127.0.0.1:" + std::to_string(closedPort()) + "/news";
    DownloadServer web;

    void SetUp() override {
        test::writeFile(disc / "files/Setup.zip", "zip");
        test::writeFile(disc / "files/Report.docx", "docx");
        test::writeFile(disc / "page2.html",
                        "<html><head><title>Page Two</title></head><body>"
                        "<input id='field' value='abc'></body></html>");
    }
    void openMenu() {
        open(
            "<a id='mail' href='mailto:info@example.com?subject=Hello'>mail</a>"
            "<a id='tel' href='tel:+4930123456'>tel</a>"
            "<a id='web' href='https://www.example.com/News' target='_blank'>web</a>"
            "<a id='popup' href='#' onclick=\"window.open('http://example.org/a b'); return "
            "false\">popup</a>"
            "<a id='zip' href='files/Setup.zip'>zip</a>"
            "<a id='docx' href='files/Report.docx' target='_blank'>docx</a>"
            "<a id='offline' href='" +
            unreachable +
            "'>offline</a>"
            "<a id='local' href='page2.html' target='_blank'>local</a>"
            "<a id='download' href='" +
            web.url("/brochure.zip") + "'>download</a>");
    }
    void click(const std::string& id) {
        runScript("document.getElementById('" + id + "').click();");
    }
    bool menuShown() {
        return window->pageTitle() == "Window Test" &&
               window->webView()->GetCurrentURL().EndsWith("/index.html");
    }
    bool onPage(const std::string& title) {
        return pumpUntil(
            [&] { return window->pageTitle() == title && !window->webView()->IsBusy(); });
    }
};

TEST_F(MenuLinksTest, EachKindOfLinkGoesWhereItBelongsAndTheMenuStays) {
    openMenu();
    const std::pair<const char*, std::string> outside[] = {
        {"mail", "mailto:info@example.com?subject=Hello"},
        {"tel", "tel:+4930123456"},
        {"web", "https://www.example.com/News"},
        {"popup", "http://example.org/a%20b"},
        {"zip", (disc / "files/Setup.zip").string()},
        {"docx", (disc / "files/Report.docx").string()},
        {"download", web.url("/brochure.zip")},  // the engine would fetch it and show nothing
    };
    std::size_t expected = 0;
    for (const auto& [id, target] : outside) {
        click(id);
        ASSERT_TRUE(pumpUntil([&] { return xdg.calls().size() > expected; })) << id;
        EXPECT_EQ(xdg.calls()[expected++], target) << id;
        pumpUntil([] { return false; }, 200ms);
        EXPECT_TRUE(menuShown()) << id << " replaced the menu";
    }

    // Unreachable: our page in the window, which hands the address to the
    // browser or goes back to the menu.
    click("offline");
    ASSERT_TRUE(pumpUntil([&] {
        wxString ours;
        return window->webView()->RunScript("document.getElementById('open') ? 'ours' : ''",
                                            &ours) &&
               ours == "ours";
    }));
    EXPECT_EQ(window->GetTitle(), "Window Test");
    runScript("document.getElementById('open').click();");
    ASSERT_TRUE(pumpUntil([&] { return xdg.calls().size() > expected; }));
    EXPECT_EQ(xdg.calls()[expected++], unreachable);
    runScript("document.getElementById('back').click();");
    EXPECT_TRUE(pumpUntil([&] { return menuShown(); }));

    // A file no program takes: the "Open With" chooser, as for a shell launch.
    {
        test::ScopedEnv noProgram("FAKE_XDG_EXIT", "4");
        click("zip");
        ASSERT_TRUE(pumpUntil([&] { return !window->openedWith.empty(); }));
        EXPECT_EQ(window->openedWith[0], disc / "files/Setup.zip");
        EXPECT_TRUE(menuShown());
        ++expected;  // the attempt that failed
    }

    // A local page wanting a new window comes into the player window.
    click("local");
    EXPECT_TRUE(onPage("Page Two"));
    EXPECT_EQ(xdg.calls().size(), expected);
    EXPECT_TRUE(window->messages.empty());
}

TEST_F(MenuLinksTest, BackByKeysAndMouseButSpaceForTyping) {
    test::writeFile(disc / "page3.html", "<html><head><title>Page Three</title></head></html>");
    openMenu();
    click("local");
    ASSERT_TRUE(onPage("Page Two"));
    window->Raise();
    const wxPoint inside = window->GetScreenRect().GetPosition() + wxPoint(200, 150);
    const std::string x = std::to_string(inside.x), y = std::to_string(inside.y);
    // Each goes back exactly one page.
    const std::vector<std::vector<std::string>> backs = {
        {"key", "alt+Left"}, {"key", "BackSpace"}, {"click", "8"}};
    for (const auto& back : backs) {
        runScript("window.location.href = 'page3.html';");
        ASSERT_TRUE(onPage("Page Three"));
        // A click on the page gives it the keyboard (there is no window manager to do it).
        userInput({"mousemove", x, y, "click", "1"});
        userInput(back);
        EXPECT_TRUE(onPage("Page Two")) << back[1] << ": " << window->pageTitle();
    }
    // Backspace in a text field deletes a letter and stays on the page.
    userInput({"mousemove", x, y, "click", "1"});
    runScript("var f = document.getElementById('field'); f.focus(); f.setSelectionRange(3, 3);");
    pumpUntil([] { return false; }, 200ms);
    userInput({"key", "BackSpace"});
    runScript(
        "setTimeout(function () { document.title = document.getElementById('field').value; }, "
        "300);");
    EXPECT_TRUE(onPage("ab")) << window->pageTitle();
}

TEST_F(BrowserWindowTest, ScriptDialogsCarryTheDiscLabelNotTheFileAddress) {
    test::writeFile(disc / "autorun.inf", "[autorun]\r\nLABEL=My Disc\r\n");
    test::writeFile(disc / "dialogs.html",
                    "<html><body><script>alert('Hello'); var c = confirm('Sure?');"
                    "var p = prompt('Name?', 'Anna');"
                    "document.title = 'confirm ' + c + ' prompt ' + p;</script></body></html>");
    test::ScopedCwd cwd(disc.path());
    BrowserLaunch launch;
    launch.address = disc / "dialogs.html";
    window = std::make_unique<RecordingBrowser>(launch, extraction);
    window->promptAnswer = "Ben";
    window->Show();
    ASSERT_TRUE(pumpUntil([&] { return window->pageTitle().rfind("confirm", 0) == 0; }));
    EXPECT_EQ(window->scriptDialogs,
              (std::vector<std::string>{"My Disc|Hello|", "My Disc|Sure?|", "My Disc|Name?|Anna"}));
    EXPECT_EQ(window->pageTitle(), "confirm false prompt Ben");
}

TEST(ActionDialogs, MessageDialogAndProgressCarryTheirTexts) {
    PlayerMessageDialog message(nullptr, "My Disc", "Thank you");
    EXPECT_EQ(message.GetTitle(), "My Disc");
    EXPECT_EQ(message.FindWindow(PlayerMessageDialog::kText)->GetLabel(), "Thank you");
    EXPECT_EQ(message.FindWindow(PlayerMessageDialog::kClose)->GetLabel(), "Close");
    auto* progress = new CopyProgressDialog(nullptr, "My Disc");
    progress->Show();
    progress->setHeading("Copying files:");
    progress->setDetail("a.txt ->\n/home/u/Desktop/a.txt");
    EXPECT_EQ(progress->FindWindow(CopyProgressDialog::kHeading)->GetLabel(), "Copying files:");
    EXPECT_EQ(progress->FindWindow(CopyProgressDialog::kDetail)->GetLabel(),
              "a.txt ->\n/home/u/Desktop/a.txt");
    progress->Destroy();
}

}  // namespace
}  // namespace rondivo
