// The Insert Hyperlink and Save As dialogs, shown (not modal) and driven
// through their handlers; message boxes are answered by the test.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>

#include <cstdlib>

#include "gui_test_support.h"
#include "menucreator/save_menu_name.h"
#include "menucreator/ui/hyperlink_dialog.h"
#include "menucreator/ui/save_menu_dialog.h"
#include "test_support.h"

namespace rondivo::menucreator {
namespace {

struct Recorder {
    std::vector<std::string> messages;
    int answer = wxYES;
    std::vector<wxString> files;
    MenuPrompts prompts() {
        MenuPrompts p;
        p.message = [this](wxWindow*, const wxString& text, const wxString&, long) {
            messages.push_back(text.utf8_string());
            return answer;
        };
        p.openFiles = [this](wxWindow*, const wxString&, const wxString&, const wxString&,
                             const wxString&, long, bool) { return files; };
        return p;
    }
};

void select(CHyperlinkDlg& dlg, const char* action) {
    dlg.actionList()->SetStringSelection(action);
    dlg.onActionChanged();
}

TEST(HyperlinkDialog, OpensOnNavigateWithTheEditEnabled) {
    Recorder r;
    CHyperlinkDlg dlg(nullptr, r.prompts());
    EXPECT_EQ(dlg.actionList()->GetCount(), 10u);
    EXPECT_EQ(dlg.actionName(), "Navigate to URL");
    EXPECT_TRUE(dlg.argumentEdit()->IsEnabled());
    EXPECT_FALSE(dlg.selectFileButton()->IsEnabled());
    select(dlg, "Run or Open a File on the CD");
    EXPECT_EQ(dlg.hintText()->GetLabel(), "Select an existing file to open.");
    EXPECT_TRUE(dlg.selectFileButton()->IsEnabled());
    test::screenshot("hyperlink", &dlg);
}

TEST(HyperlinkDialog, ExitDisablesTheArgumentAndIgnoresIt) {
    Recorder r;
    CHyperlinkDlg dlg(nullptr, r.prompts());
    dlg.argumentEdit()->SetValue("typed");
    select(dlg, "Exit Presentation");
    EXPECT_FALSE(dlg.argumentEdit()->IsEnabled());
    EXPECT_FALSE(dlg.selectFileButton()->IsEnabled());
    // Text typed since the last confirmation gives way to the stored argument.
    EXPECT_EQ(dlg.argumentEdit()->GetValue(), "");
    dlg.argumentEdit()->ChangeValue("left over");
    ASSERT_TRUE(dlg.confirm());
    EXPECT_EQ(dlg.url(), "http://ACTION_QUIT");
}

TEST(HyperlinkDialog, RefusesAndStays) {
    Recorder r;
    CHyperlinkDlg dlg(nullptr, r.prompts());
    dlg.argumentEdit()->SetValue("index.html");
    EXPECT_FALSE(dlg.confirm());
    select(dlg, "Copy Files from the CD");
    // The refused text was kept as the argument; the author clears it.
    EXPECT_EQ(dlg.argumentEdit()->GetValue(), "index.html");
    dlg.argumentEdit()->SetValue("");
    EXPECT_FALSE(dlg.confirm());
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[0].rfind("Please enter a complete web site URL in the form: http://", 0),
              0u);
    EXPECT_EQ(r.messages[1],
              "Please click SELECT FILE and choose file(s) to copy when this link is clicked.");
}

TEST(HyperlinkDialog, SelectedFilesBecomeTheArgument) {
    Recorder r;
    r.files = {"/cd/a.pdf", "/cd/b.pdf", "/cd/c.pdf"};
    CHyperlinkDlg dlg(nullptr, r.prompts());
    select(dlg, "Copy Files from the CD");
    dlg.onSelectFile();
    EXPECT_EQ(dlg.argumentEdit()->GetValue(), "/cd/a.pdf,/cd/b.pdf,/cd/c.pdf");
    ASSERT_TRUE(dlg.confirm());
    EXPECT_EQ(dlg.url(), "http://ACTION_USER_SELECT_COPY=/cd/a.pdf,/cd/b.pdf,/cd/c.pdf");
}

TEST(SaveMenuDialog, NameRulesAndReplaceQuestion) {
    test::TempDir folder;
    Recorder r;
    CSaveMenuDlg dlg(
        nullptr, "Old Menu.html", [&](const std::string& n) { return folder / n; }, true,
        r.prompts());
    EXPECT_EQ(dlg.nameEdit()->GetValue(), "Old Menu");
    EXPECT_TRUE(dlg.FindWindow(CSaveMenuDlg::kDiscard)->IsShown());
    test::screenshot("save", &dlg);

    dlg.nameEdit()->SetValue("my.menu");
    EXPECT_FALSE(dlg.confirm());
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0], kInvalidMenuNameMessage);

    dlg.nameEdit()->SetValue("My Menu_2");
    ASSERT_TRUE(dlg.confirm());
    EXPECT_EQ(dlg.name(), "My Menu_2.html");

    test::writeFile(folder / "My Menu_2.html", "old");
    r.answer = wxNO;
    EXPECT_FALSE(dlg.confirm());
    EXPECT_EQ(r.messages.back(), "My Menu_2.html already exists.\nDo you want to replace it?");
    r.answer = wxYES;
    EXPECT_TRUE(dlg.confirm());
}

TEST(SaveMenuDialog, DiscardOnlyWhenOffered) {
    test::TempDir folder;
    Recorder r;
    CSaveMenuDlg dlg(
        nullptr, "My Menu", [&](const std::string& n) { return folder / n; }, false, r.prompts());
    EXPECT_FALSE(dlg.FindWindow(CSaveMenuDlg::kDiscard)->IsShown());
}

}  // namespace
}  // namespace rondivo::menucreator
