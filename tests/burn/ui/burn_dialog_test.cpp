#include "burn/ui/burn_dialog.h"

#include <gmock/gmock.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/stattext.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/composition_root.h"
#include "burn/drive_operations.h"
#include "designer/ui/presentation_complete_dialog.h"
#include "gui_test_support.h"
#include "platform/process.h"
#include "test_support.h"
#include "vdrive/virtual_drive.h"

namespace rondivo::burn {
namespace {

namespace fs = std::filesystem;
using rondivo::test::TempDir;
using rondivo::test::writeFile;
using ::testing::HasSubstr;

void settle() {
    for (int i = 0; i < 5; ++i) wxTheApp->Yield(true);
}

// Only what is pending runs first: a burn must not finish behind the picture.
void screenshot(const std::string& name) {
    rondivo::test::screenshot(name, nullptr, false, 0);
}

struct Said {
    wxString text, caption;
    long style;
};

// The burn dialog while it is open.
CBurnDlg* openBurnDialog() {
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* dlg = dynamic_cast<CBurnDlg*>(w)) return dlg;
    return nullptr;
}

struct BurnDialogs : ::testing::Test {
    TempDir t;
    std::vector<Said> said;
    fs::path folder;
    DiscDialogs dialogs;
    std::optional<fs::path> isoAnswer;

    void SetUp() override {
        folder = t / "CD-ROM Distributable Files";
        writeFile(folder / "autorun.inf", "[autorun]\nOPEN=autorun.exe\n");
        writeFile(folder / "autorun.exe", "player");
        writeFile(folder / "data" / "Menu Page.html", "<html>menu</html>");
        writeFile(folder / "data" / "movie.bin", std::string(150000, 'm'));
        dialogs.say = [this](const wxString& text, const wxString& caption, long style, wxWindow*) {
            said.push_back({text, caption, style});
            screenshot("message");
            if (openBurnDialog() && openBurnDialog()->IsModal() &&
                text.StartsWith(kBurnSuccessText))
                openBurnDialog()->EndModal(wxID_CANCEL);
        };
        dialogs.chooseIsoPath = [this](wxWindow*) { return isoAnswer; };
    }
    // Presentation Complete wired to the disc dialogs as the program wires it.
    std::unique_ptr<CPresentationCompleteDlg> presentationComplete(CDiscBurner& burner) {
        return std::make_unique<CPresentationCompleteDlg>(
            nullptr, discActions([&burner]() -> CDiscBurner& { return burner; }, dialogs));
    }
    // Runs the window loop until a message was shown or time is up.
    void waitForMessage() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (said.empty() && std::chrono::steady_clock::now() < end) {
            wxTheApp->Yield(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

std::unique_ptr<CDiscBurner> virtualBurner(
    const std::vector<std::shared_ptr<vdrive::VirtualDrive>>& ds) {
    auto t = std::make_unique<vdrive::VirtualDriveTransport>();
    for (auto& d : ds) t->add(d);
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(std::move(t));
    auto b = std::make_unique<CDiscBurner>(std::move(list));
    b->setSleeper([](std::chrono::milliseconds) {});
    return b;
}

TEST_F(BurnDialogs, BurnToCdShowsProgressThenSuccessAndOpensTheTray) {
    auto drive = std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kCdR);
    auto burner = virtualBurner({drive});
    // A drive busy for a moment keeps the progress dialog up long enough to see.
    drive->failBusy(30, 0x2A);
    burner->setSleeper([](std::chrono::milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    auto complete = presentationComplete(*burner);
    complete->setResult(folder / "", "autorun.exe data\\Menu Page.html");
    complete->Show();
    settle();

    bool sawProgress = false;
    wxWeakRef<CBurnProgressDlg> progress;
    wxString selectedDrive, selectedSpeed;
    wxTheApp->CallAfter([&] {
        CBurnDlg* dlg = openBurnDialog();
        ASSERT_NE(dlg, nullptr);
        selectedDrive = dlg->driveChoice()->GetStringSelection();
        selectedSpeed = dlg->speedChoice()->GetStringSelection();
        EXPECT_EQ(dlg->titleText()->GetValue(), "My CD_ROM");
        EXPECT_FALSE(dlg->finalizeBox()->GetValue());
        dlg->titleText()->SetValue("Show Disc");
        dlg->finalizeBox()->SetValue(true);
        screenshot("burn_dialog");
        dlg->burn();
        progress = dlg->progress();
        sawProgress = progress && progress->IsShown();
        screenshot("burn_progress");
    });
    wxCommandEvent click(wxEVT_BUTTON, CPresentationCompleteDlg::kBurn);
    complete->FindWindow(CPresentationCompleteDlg::kBurn)
        ->GetEventHandler()
        ->ProcessEvent(click);  // modal until done
    settle();

    EXPECT_TRUE(sawProgress);
    ASSERT_EQ(said.size(), 1u);
    // A title Windows shows in full is no news, however the ISO 9660 side holds it.
    EXPECT_EQ(said[0].text, kBurnSuccessText);
    EXPECT_TRUE(said[0].style & wxICON_INFORMATION);
    EXPECT_EQ(said[0].caption, wxTheApp->GetAppName());
    EXPECT_EQ(selectedDrive.BeforeFirst(' '), "0");
    EXPECT_EQ(selectedSpeed, wxString::Format("%d", burner->GetCurrentWriteSpeed()));
    EXPECT_EQ(progress.get(), nullptr);  // went with the burn dialog
    EXPECT_GT(drive->sectorsWritten(), 0u);
    EXPECT_EQ(drive->discStatus(), 2);  // finalized as asked
    EXPECT_TRUE(drive->trayOpen());
    EXPECT_FALSE(burner->isBusy());
    complete->Hide();
}

TEST_F(BurnDialogs, TheProgressDialogShowsTheDrivesLongOperation) {
    auto drive =
        std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kDvdRwSequential);
    auto burner = virtualBurner({drive});
    burner->drive().operation = LongOperation::Formatting;
    burner->drive().operationPercent = 40;
    CBurnProgressDlg progress(nullptr, burner.get());
    progress.Show();
    rondivo::test::pump(300);
    EXPECT_EQ(progress.operationText()->GetLabel(), "Formatting...");
    EXPECT_EQ(progress.gauge()->GetValue(), 40);
    screenshot("burn_progress_formatting");
    burner->drive().operation = LongOperation::None;
}

TEST_F(BurnDialogs, DrivesAreListedLatestFirstWithTheFirstSelected) {
    auto a = std::make_shared<vdrive::VirtualDrive>(t / "a.img", vdrive::profile::kCdR);
    auto b = std::make_shared<vdrive::VirtualDrive>(t / "b.img", vdrive::profile::kDvdPlusRw);
    auto burner = virtualBurner({a, b});
    CBurnDlg dlg(nullptr, folder, *burner, dialogs);
    ASSERT_EQ(dlg.driveChoice()->GetCount(), 2u);
    EXPECT_EQ(dlg.driveChoice()->GetString(0).BeforeFirst(' '), "1");
    EXPECT_EQ(dlg.driveChoice()->GetString(1).BeforeFirst(' '), "0");
    EXPECT_EQ(dlg.driveChoice()->GetStringSelection().BeforeFirst(' '), "0");
    // The template's speeds come first, each speed once.
    const wxArrayString speeds = dlg.speedChoice()->GetStrings();
    ASSERT_GE(speeds.size(), 5u);
    EXPECT_EQ(speeds[0], "1");
    EXPECT_EQ(speeds[4], "20");
    for (const auto& s : speeds) EXPECT_EQ(dlg.speedChoice()->FindString(s, true), speeds.Index(s));
}

TEST_F(BurnDialogs, NoDriveGivesTheNoRecordableDriveMessage) {
    CDiscBurner burner(std::vector<std::unique_ptr<scsi::ScsiTransport>>{});
    CBurnDlg dlg(nullptr, folder, burner, dialogs);
    dlg.Show();
    screenshot("burn_dialog_no_drive");
    EXPECT_EQ(dlg.driveChoice()->GetCount(), 0u);
    dlg.burn();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, kNoRecordableDriveText);
    EXPECT_TRUE(said[0].style & wxICON_ERROR);
    EXPECT_EQ(said[0].caption, "Rondivo!");
    EXPECT_FALSE(burner.isBusy());
}

TEST_F(BurnDialogs, ABurnEndingInAWriteErrorSaysSo) {
    auto drive = std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kCdR);
    drive->failWriteAtSector(40);
    auto burner = virtualBurner({drive});
    CBurnDlg dlg(nullptr, folder, *burner, dialogs);
    dlg.Show();
    dlg.burn();
    waitForMessage();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].text.StartsWith(kBurnErrorText)) << said[0].text;
    // The drive's own reason and what the disc holds now follow the advice.
    EXPECT_THAT(said[0].text.utf8_string(),
                HasSubstr("The drive refused to write sector 32: MEDIUM ERROR"));
    EXPECT_THAT(said[0].text.utf8_string(), HasSubstr("sectors were written"));
    EXPECT_TRUE(said[0].style & wxICON_ERROR);
    ASSERT_NE(dlg.progress(), nullptr);
    EXPECT_FALSE(dlg.progress()->IsShown());
    EXPECT_FALSE(drive->trayOpen());
    EXPECT_FALSE(drive->removalPrevented());
}

std::string oneLine(const wxString& label) {
    std::string s = label.utf8_string();
    std::replace(s.begin(), s.end(), '\n', ' ');
    return s;
}

// The dialog reads the disc when it opens: an image that does not fit is said
// before Burn is pressed, and Burn then writes nothing.
TEST_F(BurnDialogs, TheDialogSaysAtOnceWhenTheImageDoesNotFit) {
    auto drive = std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kCdR);
    drive->setCapacity(50);
    auto burner = virtualBurner({drive});
    CBurnDlg dlg(nullptr, folder, *burner, dialogs);
    dlg.Show();
    settle();
    screenshot("burn_dialog_too_small");
    EXPECT_THAT(oneLine(dlg.discText()->GetLabel()),
                HasSubstr("The image does not fit on the disc: the image needs 1 MB ("));
    EXPECT_THAT(oneLine(dlg.discText()->GetLabel()),
                HasSubstr("the disc holds 0 MB (50 sectors)."));
    EXPECT_FALSE(dlg.eraseBox()->IsShown());
    dlg.burn();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_THAT(said[0].text.utf8_string(), HasSubstr("(50 sectors)"));
    EXPECT_EQ(drive->sectorsWritten(), 0u);
}

// A used CD-RW is offered erasing in the dialog, and erased when the author agrees.
TEST_F(BurnDialogs, AUsedRewritableDiscIsOfferedErasing) {
    auto drive = std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kCdRw);
    drive->finalizeMedium();
    auto burner = virtualBurner({drive});
    std::vector<wxString> asked;
    dialogs.ask = [&](const wxString& text, const wxString&, wxWindow*) {
        asked.push_back(text);
        return true;
    };
    CBurnDlg dlg(nullptr, folder, *burner, dialogs);
    dlg.Show();
    settle();
    screenshot("burn_dialog_used_cd_rw");
    EXPECT_TRUE(dlg.eraseBox()->IsShown());
    EXPECT_THAT(oneLine(dlg.discText()->GetLabel()), HasSubstr("Erase it first."));
    drive->clearTrace();
    dlg.burn();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_THAT(asked[0].utf8_string(), HasSubstr("Erase the disc"));
    waitForMessage();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].text.StartsWith(kBurnSuccessText)) << said[0].text;
    const auto trace = drive->traceText();
    EXPECT_TRUE(std::any_of(trace.begin(), trace.end(),
                            [](const std::string& l) { return l.rfind("BLANK", 0) == 0; }));
}

// Cancel in the progress dialog stops the burn and says what the disc holds.
TEST_F(BurnDialogs, CancelInTheProgressDialogStopsTheBurn) {
    auto drive = std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kDvdPlusR);
    drive->failBusy(5, 0x2A);
    auto burner = virtualBurner({drive});
    burner->setSleeper([](std::chrono::milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    CBurnDlg dlg(nullptr, folder, *burner, dialogs);
    dlg.Show();
    dlg.burn();
    ASSERT_NE(dlg.progress(), nullptr);
    wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
    dlg.progress()->FindWindow(wxID_CANCEL)->GetEventHandler()->ProcessEvent(click);
    screenshot("burn_progress_cancelling");
    waitForMessage();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].text.StartsWith("The burn was cancelled.")) << said[0].text;
    EXPECT_TRUE(drive->readableElsewhere());
    EXPECT_FALSE(drive->removalPrevented());
}

TEST_F(BurnDialogs, NoSpeedChosenBurnsAt12AndASecondBurnIsRefused) {
    auto drive =
        std::make_shared<vdrive::VirtualDrive>(t / "disc.img", vdrive::profile::kDvdPlusRw);
    drive->failBusy(20, 0x2A);
    auto burner = virtualBurner({drive});
    burner->setSleeper([](std::chrono::milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    CBurnDlg dlg(nullptr, folder, *burner, dialogs);
    dlg.Show();
    dlg.speedChoice()->SetSelection(wxNOT_FOUND);
    dlg.burn();
    ASSERT_TRUE(burner->isBusy());
    dlg.burn();  // still writing
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, "Error while initiating copying of file(s) to CD-ROM.");
    said.clear();
    waitForMessage();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].text.StartsWith(kBurnSuccessText)) << said[0].text;
    EXPECT_EQ(drive->writeSpeedKbps(), 12 * 176);
}

TEST_F(BurnDialogs, SaveIsoWritesAnImageIsoinfoLists) {
    if (!platform::findOnPath("isoinfo")) GTEST_SKIP() << "isoinfo is not installed";
    CDiscBurner burner(std::vector<std::unique_ptr<scsi::ScsiTransport>>{});
    const fs::path iso = t / "MyCDImage.iso";
    isoAnswer = iso;
#ifndef _WIN32
    // Never opened (it would wait for a writer for ever), and said to be left out.
    ASSERT_EQ(mkfifo((folder / "data" / "pipe").c_str(), 0600), 0);
#endif
    auto complete = presentationComplete(burner);
    complete->setResult(folder / "", "autorun.exe");
    complete->Show();
    wxCommandEvent click(wxEVT_BUTTON, CPresentationCompleteDlg::kSaveIso);
    complete->FindWindow(CPresentationCompleteDlg::kSaveIso)
        ->GetEventHandler()
        ->ProcessEvent(click);
    waitForMessage();
    ASSERT_EQ(said.size(), 1u);
    EXPECT_THAT(said[0].text.utf8_string(), HasSubstr("Saving complete!\n\nYou can use"));
#ifndef _WIN32
    EXPECT_THAT(said[0].text.utf8_string(),
                HasSubstr("\n\nPlease note:\n- \"" + (folder / "data" / "pipe").string() +
                          "\" is a FIFO: left out."));
#endif
    EXPECT_TRUE(fs::exists(iso)) << "saved where the author chose";
    auto listing = test::runProgram({"isoinfo", "-J", "-l", "-i", iso.string()});
    EXPECT_EQ(listing.status, 0);
    for (const char* name : {"autorun.inf", "autorun.exe", "Menu Page.html", "movie.bin"})
        EXPECT_THAT(listing.output, HasSubstr(name)) << listing.output;
    complete->Hide();
}

}  // namespace
}  // namespace rondivo::burn
