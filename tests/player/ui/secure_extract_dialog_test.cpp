#include "player/ui/secure_extract_dialog.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "designer/secure_build.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;

wxTopLevelWindow* findProgressDialog() {
    for (wxWindow* w : wxTopLevelWindows) {
        auto* tlw = dynamic_cast<wxTopLevelWindow*>(w);
        if (tlw && tlw->IsShown() && tlw->GetTitle() == "Please wait ..") return tlw;
    }
    return nullptr;
}

int countFiles(const fs::path& dir) {
    int n = 0;
    for (fs::recursive_directory_iterator it(dir), end; it != end; ++it)
        if (it->is_regular_file()) ++n;
    return n;
}

TEST(SecureExtractDialog, DecryptsBehindTheProgressDialogAndClosesIt) {
    TempDir disc, home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    writeFile(disc / "autorun.inf",
              "[autorun]\r\nOPEN=autorun.exe data\\index.html.enc none 1 0\r\n");
    writeFile(disc / "data" / "index.html", "<html>menu</html>");
    ASSERT_TRUE(encryptPresentationFolder(disc.path()));

    ExtractionRequest request;
    request.executableFolder = request.currentDirectory = disc.path();
    bool dialogSeen = false;
    wxString group;
    request.afterFile = [&](int) { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
    wxTimer look;
    look.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (wxTopLevelWindow* d = findProgressDialog()) {
            dialogSeen = true;
            auto* gauge = dynamic_cast<wxGauge*>(d->FindWindow(SecureExtractDialog::kProgressBar));
            EXPECT_NE(gauge, nullptr);
            if (gauge) {
                EXPECT_EQ(gauge->GetRange(), 50);
            }
            auto* cancel = dynamic_cast<wxButton*>(d->FindWindow(wxID_CANCEL));
            EXPECT_NE(cancel, nullptr);
            if (cancel) {
                EXPECT_EQ(cancel->GetLabel(), "Cancel");
            }
        }
    });
    look.StartOnce(30);
    ExtractionResult r = runExtractionWithProgress(nullptr, request);
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(r.folder, (home / "RondivoTemp" / "data").string());
    EXPECT_EQ(readFile(home / "RondivoTemp" / "data" / "index.html"), "<html>menu</html>");
    wxTheApp->Yield(true);
    EXPECT_EQ(findProgressDialog(), nullptr);
}

void cancelHalfWay() {
    TempDir disc, home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    for (int i = 0; i < 100; ++i)
        writeFile(disc / "data" / ("f" + std::to_string(i) + ".txt"), std::string(100, 'x'));

    ExtractionRequest request;
    request.executableFolder = request.currentDirectory = disc.path();
    std::atomic<int> done{0};
    request.afterFile = [&](int n) {
        done = n;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    int shownAtCancel = -1;
    wxTimer press;
    // Pressed once a few files are through and the bar has had time to show them.
    press.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        wxTopLevelWindow* d = findProgressDialog();
        auto* gauge =
            d ? dynamic_cast<wxGauge*>(d->FindWindow(SecureExtractDialog::kProgressBar)) : nullptr;
        if (!gauge || done < 3 || gauge->GetValue() == 0) return;
        press.Stop();
        shownAtCancel = gauge->GetValue();
        wxWindow* cancel = d->FindWindow(wxID_CANCEL);
        wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
        click.SetEventObject(cancel);
        cancel->GetEventHandler()->ProcessEvent(click);
    });
    press.Start(20);
    ExtractionResult r = runExtractionWithProgress(nullptr, request);

    EXPECT_TRUE(r.cancelled);
    EXPECT_GT(shownAtCancel, 0) << "the bar follows the file counter";
    EXPECT_GT(r.files, 0);
    EXPECT_LT(r.files, 100);
    EXPECT_EQ(countFiles(home / "RondivoTemp"), r.files) << "no file is left half done";
}

TEST(SecureExtractDialog, CancelEndsTheExtractionAfterTheCurrentFile) {
    cancelHalfWay();
}

// The player runs its windows with an event loop active but not running.
TEST(SecureExtractDialog, CancelWorksUnderTheStartUpRoutinesLoop) {
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    cancelHalfWay();
}

TEST(SecureExtractDialog, WindowStepPointsTheWindowAtTheDecryptedPage) {
    TempDir disc, home;
    ScopedEnv xdg("XDG_DATA_HOME", home.path().string());
    writeFile(disc / "autorun.inf",
              "[autorun]\r\nOPEN=autorun.exe data\\index.html.enc none 1 0\r\n");
    writeFile(disc / "data" / "index.html", "<html>menu</html>");
    ASSERT_TRUE(encryptPresentationFolder(disc.path()));
    // The player runs from the disc: the disc is the current directory and the executable's folder.
    test::ScopedCwd cwd(disc.path());
    SecureWindowState window;
    window.address = (disc / "data\\index.html.enc").string();
    std::string folder = extractSecureFiles(nullptr, window, true, disc.path());
    EXPECT_EQ(folder, (home / "RondivoTemp" / "data").string());
    EXPECT_EQ(readFile(window.address), "<html>menu</html>");
    removeSecureFolder(window);
    EXPECT_FALSE(fs::exists(home / "RondivoTemp"));
}

}  // namespace
}  // namespace rondivo
