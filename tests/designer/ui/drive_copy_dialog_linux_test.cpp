// "Copy to USB Drive" on a drive made of a size-limited tmpfs, listed,
// labelled and ejected through a fake of the system's drive service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wx/app.h>

#include "designer/ui/drive_copy_dialog.h"
#include "designer/ui/presentation_complete_dialog.h"
#include "gui_test_support.h"
#include "test_support.h"
#include "tmpfs_drive.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::FakeDrives;
using test::readFile;
using test::stick;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

void click(wxWindow* dialog, int id) {
    wxCommandEvent e(wxEVT_BUTTON, id);
    dialog->FindWindow(id)->GetEventHandler()->ProcessEvent(e);
}

TEST(DriveCopyDialog, RefusesWhatDoesNotFitAsksBeforeReplacingCopiesVerifiesLabelsAndEjects) {
    TempDir t;
    const fs::path folder = t / "CD-ROM Distributable Files";
    writeFile(folder / "autorun.inf", "[autorun]\r\nOPEN=autorun.exe data\\index.html\r\n");
    writeFile(folder / "autorun.exe", std::string(300000, 'x'));
    writeFile(folder / "data/index.html", "<html>menu</html>");
    test::TmpfsDrive small(200), drive(1024);
    if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    writeFile(drive.root() / "autorun.inf", "[autorun]\r\nlabel=OLD\r\n");

    FakeDrives fake;
    fake.drives = {stick({})};  // not mounted yet: the dialog mounts it
    fake.mountAt = small.root();
    std::vector<std::string> said, asked;
    bool answer = false;
    DriveCopyPrompts prompts;
    prompts.showMessage = [&](wxWindow*, const std::string& s) { said.push_back(s); };
    prompts.ask = [&](wxWindow*, const std::string& s) {
        asked.push_back(s);
        return answer;
    };
    auto* dlg = new DriveCopyDialog(nullptr, folder, fake, prompts);
    dlg->Show();
    ASSERT_EQ(dlg->drives().size(), 1u);

    click(dlg, DriveCopyDialog::kCopy);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"mount /dev/sdz1"});
    ASSERT_EQ(said.size(), 1u);
    EXPECT_THAT(said[0], HasSubstr("does not fit on the drive: it needs 315 KB, and the drive "
                                   "has 205 KB free"));
    EXPECT_TRUE(fs::is_empty(small.root()));

    // The stick is swapped for a larger one, which already holds an autorun.inf.
    fake.drives = {stick(drive.root())};
    dlg->refreshDrives();
    click(dlg, DriveCopyDialog::kCopy);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_THAT(asked[0], HasSubstr("1 file on the drive would be replaced:\nautorun.inf\n"));
    EXPECT_EQ(readFile(drive.root() / "autorun.inf"), "[autorun]\r\nlabel=OLD\r\n");
    EXPECT_EQ(dlg->state(), DriveCopyDialog::State::Choosing);

    answer = true;
    click(dlg, DriveCopyDialog::kCopy);
    ASSERT_TRUE(test::waitUntil([&] { return dlg->state() != DriveCopyDialog::State::Copying; }));
    EXPECT_EQ(dlg->state(), DriveCopyDialog::State::Copied) << dlg->statusText();
    EXPECT_TRUE(dlg->result().ok());
    for (const char* f : {"autorun.inf", "autorun.exe", "data/index.html"})
        EXPECT_EQ(readFile(drive.root() / f), readFile(folder / f)) << f;
    EXPECT_THAT(dlg->statusText().utf8_string(),
                HasSubstr("The drive's label is \"CD-ROM DIST\" instead of"));
    test::screenshot("drive_copy_done", dlg, true);

    EXPECT_TRUE(dlg->FindWindow(DriveCopyDialog::kRemove)->IsEnabled());
    click(dlg, DriveCopyDialog::kRemove);
    EXPECT_EQ(fake.calls,
              (std::vector<std::string>{"mount /dev/sdz1", "label /dev/sdz1 CD-ROM DIST",
                                        "remove /dev/sdz1"}));
    EXPECT_THAT(dlg->statusText().utf8_string(), HasSubstr("can be removed now"));
    EXPECT_TRUE(dlg->drives().empty());
    EXPECT_EQ(said.size(), 1u);
    dlg->Destroy();
}

TEST(DriveCopyDialog, AnEmptyListSaysNoDriveIsConnectedUntilOneIsPluggedIn) {
    TempDir t;
    FakeDrives fake;
    auto* dlg = new DriveCopyDialog(nullptr, t / "CD-ROM Distributable Files", fake, {});
    dlg->Show();
    EXPECT_EQ(dlg->noDriveText(), DriveCopyDialog::kNoDriveText);
    test::screenshot("drive_copy_no_drive", dlg, true);
    fake.drives = {stick(t.path())};
    dlg->refreshDrives();
    EXPECT_EQ(dlg->noDriveText(), "");
    fake.drives.clear();
    dlg->refreshDrives();
    EXPECT_EQ(dlg->noDriveText(), DriveCopyDialog::kNoDriveText);
    dlg->Destroy();
}

TEST(DriveCopyDialog, PresentationCompleteOpensIt) {
    fs::path seen;
    PresentationCompleteActions actions;
    actions.copyToDrive = [&](wxWindow*, const fs::path& folder) { seen = folder; };
    auto* complete = new CPresentationCompleteDlg(nullptr, actions);
    complete->setResult("/home/me/Desktop/CD-ROM Distributable Files/", "autorun.exe index.html");
    click(complete, CPresentationCompleteDlg::kToDrive);
    EXPECT_EQ(seen, "/home/me/Desktop/CD-ROM Distributable Files/");
    complete->Destroy();
}

}  // namespace
}  // namespace rondivo
