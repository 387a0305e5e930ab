// The help dialog shows the manual from the program folder.
#include "ui/help_dialog.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include "test_support.h"

namespace rondivo {
namespace {

TEST(HelpDialog, ShowsTheManualFromTheProgramFolder) {
    test::TempDir t;
    test::writeFile(t / "help/index.html",
                    "<html><head><title>Rondivo! Manual</title></head><body>x</body></html>");
    const std::string page = helpManualPage(t.path().string());
    ASSERT_EQ(page, (t / "help/index.html").string());
    HelpDialog dlg(nullptr, page, "security");
    auto* view = dynamic_cast<wxWebView*>(dlg.FindWindow(1085));
    ASSERT_NE(view, nullptr);
    dlg.Show();
    for (int i = 0; i < 200 && view->GetCurrentTitle() != "Rondivo! Manual"; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(20);
    }
    EXPECT_EQ(view->GetCurrentTitle(), "Rondivo! Manual");
    EXPECT_EQ(view->GetCurrentURL(), "file://" + (t / "help/index.html").string() + "#security");
    dlg.Hide();
}

TEST(HelpDialog, NoManualInstalledIsSaidInThePage) {
    test::TempDir t;
    EXPECT_EQ(helpManualPage(t.path().string()), "");
}

}  // namespace
}  // namespace rondivo
