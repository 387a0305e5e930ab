// The designer's windows under Xvfb: built, driven by posted events, checked.
#include "designer/ui/designer_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "designer/ui/custom_size_dialog.h"
#include "designer/ui/options_dialog.h"
#include "designer/ui/preparing_files_dialog.h"
#include "designer/ui/presentation_complete_dialog.h"
#include "gui_test_support.h"
#include "platform/paths.h"
#include "platform/player_files.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;
using ::testing::HasSubstr;

void settle() {
    for (int i = 0; i < 5; ++i) wxTheApp->Yield(true);
}

template <class T>
T* child(wxWindow* w, int id) {
    auto* c = dynamic_cast<T*>(w->FindWindow(id));
    EXPECT_NE(c, nullptr) << "control " << id;
    return c;
}

void postButton(wxWindow* w, int id) {
    wxCommandEvent e(wxEVT_BUTTON, id);
    e.SetEventObject(w->FindWindow(id));
    wxPostEvent(w->FindWindow(id) ? w->FindWindow(id)->GetEventHandler() : w->GetEventHandler(), e);
    settle();
}

void postCheck(wxWindow* w, int id, bool value) {
    auto* c = child<wxCheckBox>(w, id);
    c->SetValue(value);
    wxCommandEvent e(wxEVT_CHECKBOX, id);
    e.SetEventObject(c);
    e.SetInt(value);
    wxPostEvent(c->GetEventHandler(), e);
    settle();
}

void postSelection(wxWindow* w, wxEventType type, int id, int index) {
    wxWindow* c = w->FindWindow(id);
    if (auto* combo = dynamic_cast<wxComboBox*>(c)) combo->SetSelection(index);
    if (auto* choice = dynamic_cast<wxChoice*>(c)) choice->SetSelection(index);
    wxCommandEvent e(type, id);
    e.SetEventObject(c);
    e.SetInt(index);
    wxPostEvent(c->GetEventHandler(), e);
    settle();
}

struct Message {
    std::string text;
    long style;
};

// The main window as the program builds it, with its dialogs answered by the
// fixture: tests set the answers before they act.
struct DesignerFixture : ::testing::Test {
    TempDir t;
    fs::path program = t / "program";
    fs::path desktop = t / "Desktop";
    std::unique_ptr<CDesignerDlg> dlg;
    std::vector<Message> messages;
    std::vector<std::optional<std::string>> fileAnswers;
    std::vector<FileChooser> fileQuestions;
    std::function<std::optional<std::pair<int, int>>(std::pair<int, int>)> customSize;
    std::function<int(COptionsDlg&)> runOptions;
    std::function<void(const std::string&)> playSound;
    MenuCreatorRunner menuCreator;
    std::function<void(const fs::path&, const std::vector<std::string>&, const fs::path&)> preview;
    std::vector<std::string> completeSaid;
    std::function<void(CPreparingFilesDlg&)> progressShown;
    std::function<void(const fs::path& page)> beforeLinkScan;
    // While set, the build's worker waits before each page scan.
    std::atomic<bool> holdScans{false};

    DesignerCollaborators collaborators() {
        DesignerCollaborators c;
        c.programFolder = program;
        c.ownExecutable = program / "rondivo";
        c.desktopFolder = desktop;
        c.buildHooks.sleep = [](std::chrono::milliseconds) {};
        c.buildHooks.scanningPage = [this](const fs::path& page) {
            if (beforeLinkScan) beforeLinkScan(page);
            while (holdScans) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        c.prompts = DesignerPrompts::standard(program);
        c.prompts.message = [this](wxWindow*, const std::string& text, long style) {
            messages.push_back({text, style});
        };
        c.prompts.chooseFile = [this](wxWindow*,
                                      const FileChooser& chooser) -> std::optional<std::string> {
            fileQuestions.push_back(chooser);
            if (fileAnswers.empty()) return std::nullopt;
            auto a = fileAnswers.front();
            fileAnswers.erase(fileAnswers.begin());
            return a;
        };
        c.prompts.customSize = [this](wxWindow*, std::pair<int, int> start) {
            return customSize(start);
        };
        c.prompts.runOptions = [this](COptionsDlg& o) { return runOptions(o); };
        // Shown beside the window so the test's own loop goes on (the journey runs it modally).
        c.prompts.runPresentationComplete = [](CPresentationCompleteDlg& d) { d.Show(); };
        c.prompts.playSound = [this](const std::string& path) { playSound(path); };
        c.runMenuCreator = [this](wxWindow* parent, const fs::path& html) {
            return menuCreator ? menuCreator(parent, html) : std::nullopt;
        };
        c.presentationComplete.launchPreview = [this](const fs::path& p,
                                                      const std::vector<std::string>& a,
                                                      const fs::path& w) { preview(p, a, w); };
        c.presentationComplete.showMessage = [this](wxWindow*, const std::string& text) {
            completeSaid.push_back(text);
        };
        c.onProgressShown = [this](CPreparingFilesDlg& wait) {
            if (progressShown) progressShown(wait);
        };
        return c;
    }

    void SetUp() override {
        writeFile(program / "html/1_Demo_General_Menu.html", "menu");
        writeFile(program / "html/92_XPBlue_CD_Menu.html", "blue");
        writeFile(program / "html/Error_Page.html", "error");
        writeFile(program / "splashscreens/default.jpg", "jpg");
        writeFile(program / "sounds/default.wav", "wav");
        writeFile(program / "rondivo", "player");
        fs::create_directories(desktop);
        dlg = std::make_unique<CDesignerDlg>(nullptr, collaborators());
        dlg->Show();
        settle();
    }
    // "Create CD", then the window loop until its result is shown.
    void createCd() {
        postButton(dlg.get(), wxID_OK);
        EXPECT_TRUE(test::waitUntil([&] { return !dlg->building(); }));
    }
    void TearDown() override {
        holdScans = false;
        if (!dlg) return;
        dlg->presentationComplete().Hide();
        dlg->Destroy();
        dlg.release();
        settle();
    }
    wxComboBox* combo() { return child<wxComboBox>(dlg.get(), CDesignerDlg::kOpenCombo); }
};

TEST_F(DesignerFixture, OpensWithTheDefaultsAndTexts) {
    test::screenshot("designer", dlg.get(), true);
    EXPECT_EQ(dlg->GetTitle(), "Rondivo!");
    EXPECT_EQ(combo()->GetValue(), "1_Demo_General_Menu.html");
    ASSERT_EQ(combo()->GetCount(), 12u);
    EXPECT_EQ(combo()->GetString(0), "Select your own file..");
    EXPECT_EQ(combo()->GetString(11), "92_XPBlue_CD_Menu.html");
    EXPECT_EQ(child<wxTextCtrl>(dlg.get(), CDesignerDlg::kFailSafeEdit)->GetValue(),
              "Error_Page.html");
    auto* size = child<wxChoice>(dlg.get(), CDesignerDlg::kWindowSizeCombo);
    EXPECT_EQ(size->GetCount(), 7u);
    EXPECT_EQ(size->GetStringSelection(), "Default");
    EXPECT_EQ(child<wxStaticText>(dlg.get(), CDesignerDlg::kSplashName)->GetLabel(), "default.jpg");
    EXPECT_EQ(child<wxStaticText>(dlg.get(), CDesignerDlg::kSoundName)->GetLabel(), "default.wav");
    EXPECT_EQ(child<wxStaticText>(dlg.get(), CDesignerDlg::kIconName)->GetLabel(), "autorun.exe");
    EXPECT_EQ(dlg->headerText(), " Get Started");
    EXPECT_EQ(dlg->FindWindow(wxID_OK)->GetLabel(), "&Create CD");
    EXPECT_EQ(dlg->FindWindow(CDesignerDlg::kSelectOpenFile)->GetToolTipText(),
              "Select the file or web page you wish to have launched.");
    EXPECT_EQ(dlg->FindWindow(CDesignerDlg::kPlaySound)->GetToolTipText(),
              "Preview the sound effect to autoplay.");
    EXPECT_TRUE(dlg->settings().options.dataFolder);
}

TEST_F(DesignerFixture, ExampleListAppliesThePreset) {
    postSelection(dlg.get(), wxEVT_COMBOBOX, CDesignerDlg::kOpenCombo, 11);
    const DesignerSettings& s = dlg->settings();
    EXPECT_EQ(s.openName, "92_XPBlue_CD_Menu.html");
    EXPECT_EQ(s.windowSize, 6);
    EXPECT_EQ(s.customWidth, 475);
    EXPECT_EQ(s.customHeight, 425);
    EXPECT_TRUE(s.options.disableResizing);
    EXPECT_FALSE(s.options.disableTitleBar);
    EXPECT_TRUE(dlg->options().values().disableResizing) << "the Options dialog shows the preset";
    EXPECT_EQ(child<wxChoice>(dlg.get(), CDesignerDlg::kWindowSizeCombo)->GetSelection(), 6);
    EXPECT_TRUE(dlg->flashing());
    test::screenshot("designer_flashing", dlg.get(), true);

    postSelection(dlg.get(), wxEVT_COMBOBOX, CDesignerDlg::kOpenCombo, 3);
    EXPECT_FALSE(dlg->settings().options.dataFolder);
    EXPECT_EQ(dlg->settings().windowSize, 6) << "the PowerPoint row leaves the window size";
}

TEST_F(DesignerFixture, SelectYourOwnFileRefusesTheDistributableFolderThenTakesTheFile) {
    fileAnswers = {(desktop / "CD-ROM Distributable Files/data/x.html").string(),
                   (t / "My Site/my page.html").string()};
    postSelection(dlg.get(), wxEVT_COMBOBOX, CDesignerDlg::kOpenCombo, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kSpecialFolderMessage);
    EXPECT_TRUE(messages[0].style & wxICON_STOP);
    ASSERT_EQ(fileQuestions.size(), 2u);
    EXPECT_EQ(fileQuestions[0].title, "Select the File to Auto-Play on CD-ROM");
    EXPECT_EQ(fileQuestions[0].startFolder, (program / "html").string());
    EXPECT_EQ(combo()->GetValue(), "my_page.html");
    EXPECT_EQ(dlg->settings().openSource, (t / "My Site/my page.html").string());
}

TEST_F(DesignerFixture, CancelledOwnFileKeepsTheFileChosenBefore) {
    postSelection(dlg.get(), wxEVT_COMBOBOX, CDesignerDlg::kOpenCombo, 11);
    postSelection(dlg.get(), wxEVT_COMBOBOX, CDesignerDlg::kOpenCombo, 0);
    EXPECT_EQ(combo()->GetValue(), "92_XPBlue_CD_Menu.html");
    EXPECT_EQ(dlg->settings().openName, "92_XPBlue_CD_Menu.html");
    EXPECT_EQ(dlg->settings().openSource, (program / "html/92_XPBlue_CD_Menu.html").string());
    dlg->gather();
    EXPECT_EQ(dlg->settings().openName, "92_XPBlue_CD_Menu.html")
        << "name and source stay together";
}

TEST_F(DesignerFixture, MenuCreatorPageBecomesTheFileToOpenWithoutAPreset) {
    DesignerCollaborators without = collaborators();
    without.runMenuCreator = nullptr;
    CDesignerDlg bare(nullptr, without);
    postButton(&bare, CDesignerDlg::kMenuCreator);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0].text, HasSubstr("not available yet"));

    fs::path folderGiven;
    menuCreator = [&](wxWindow*, const fs::path& html) -> std::optional<std::string> {
        folderGiven = html;
        return (html / "My Fancy Menu.html").string();
    };
    dlg->settings().windowSize = 4;
    dlg->refresh();
    postButton(dlg.get(), CDesignerDlg::kMenuCreator);
    EXPECT_EQ(folderGiven, program / "html");
    EXPECT_EQ(combo()->GetValue(), "My_Fancy_Menu.html");
    EXPECT_EQ(dlg->settings().openSource, (program / "html/My Fancy Menu.html").string());
    EXPECT_EQ(dlg->settings().windowSize, 4);
    EXPECT_TRUE(dlg->flashing());
}

TEST_F(DesignerFixture, CustomWindowSize) {
    std::vector<std::pair<int, int>> asked;
    std::optional<std::pair<int, int>> answer;
    customSize = [&](std::pair<int, int> start) {
        asked.push_back(start);
        return answer;
    };
    postSelection(dlg.get(), wxEVT_CHOICE, CDesignerDlg::kWindowSizeCombo, 6);
    EXPECT_EQ(child<wxChoice>(dlg.get(), CDesignerDlg::kWindowSizeCombo)->GetSelection(), 0);
    answer = std::pair{1024, 700};
    postSelection(dlg.get(), wxEVT_CHOICE, CDesignerDlg::kWindowSizeCombo, 6);
    EXPECT_EQ(dlg->settings().customWidth, 1024);
    answer.reset();
    postSelection(dlg.get(), wxEVT_CHOICE, CDesignerDlg::kWindowSizeCombo, 6);
    EXPECT_EQ(dlg->settings().windowSize, 6);
    EXPECT_THAT(asked, ::testing::ElementsAre(std::pair{640, 480}, std::pair{640, 480},
                                              std::pair{1024, 700}));
    postSelection(dlg.get(), wxEVT_CHOICE, CDesignerDlg::kWindowSizeCombo, 3);
    EXPECT_EQ(dlg->settings().customWidth, 0);
}

TEST_F(DesignerFixture, ChecksEnableTheirControls) {
    postCheck(dlg.get(), CDesignerDlg::kSplashCheck, false);
    EXPECT_FALSE(dlg->FindWindow(CDesignerDlg::kSelectImage)->IsEnabled());
    EXPECT_FALSE(dlg->FindWindow(CDesignerDlg::kSplashName)->IsEnabled());
    postCheck(dlg.get(), CDesignerDlg::kIconCheck, false);
    EXPECT_FALSE(dlg->FindWindow(CDesignerDlg::kSelectIcon)->IsEnabled());
    postCheck(dlg.get(), CDesignerDlg::kBrowserCheck, false);
    EXPECT_FALSE(dlg->FindWindow(CDesignerDlg::kWindowSizeCombo)->IsEnabled());
    postCheck(dlg.get(), CDesignerDlg::kBrowserCheck, true);
    EXPECT_TRUE(dlg->FindWindow(CDesignerDlg::kWindowSizeCombo)->IsEnabled());
    EXPECT_FALSE(dlg->settings().splashEnabled);
}

TEST_F(DesignerFixture, MediaChoosersKeepSpacesUntilTheBuild) {
    writeFile(t / "media/my sound.wav", "W");
    fileAnswers = {(t / "media/my sound.wav").string()};
    postButton(dlg.get(), CDesignerDlg::kSelectSound);
    EXPECT_EQ(fileQuestions.at(0).title, "Select a Sound to Play upon CD-ROM Startup");
    EXPECT_EQ(child<wxStaticText>(dlg.get(), CDesignerDlg::kSoundName)->GetLabel(), "my sound.wav");
    std::string played;
    playSound = [&](const std::string& p) { played = p; };
    postButton(dlg.get(), CDesignerDlg::kPlaySound);
    EXPECT_EQ(played, (t / "media/my sound.wav").string());
}

TEST_F(DesignerFixture, HeaderPanelFollowsTheMouse) {
    wxRect r = dlg->FindWindow(CDesignerDlg::kMenuCreator)->GetScreenRect();
    dlg->updateHeaderFor(r.GetTopLeft());
    EXPECT_EQ(dlg->headerText(), " Menu Creator");
    EXPECT_THAT(dlg->bodyText().utf8_string(), HasSubstr("visually create a CD menu"));
    r = dlg->FindWindow(CDesignerDlg::kOptions)->GetScreenRect();
    dlg->updateHeaderFor(wxPoint(r.GetRight(), r.GetBottom()));
    EXPECT_EQ(dlg->headerText(), " Extra Options");
}

TEST_F(DesignerFixture, CreateCdBuildsAndShowsPresentationComplete) {
    createCd();
    EXPECT_TRUE(messages.empty());
    const fs::path out = desktop / "CD-ROM Distributable Files";
    EXPECT_EQ(readFile(out / "data/1_Demo_General_Menu.html"), "menu");
    auto& complete = dlg->presentationComplete();
    EXPECT_TRUE(complete.IsShown());
    EXPECT_EQ(complete.GetTitle(), "Rondivo! - Presentation Complete");
    EXPECT_EQ(complete.shownFolder(), (out / "").string());
    test::screenshot("presentation_complete", &complete, true);

    std::vector<std::string> args;
    fs::path program, cwd;
    preview = [&](const fs::path& p, const std::vector<std::string>& a, const fs::path& w) {
        program = p;
        args = a;
        cwd = w;
    };
    postButton(&complete, CPresentationCompleteDlg::kPreview);
    // The folder's autorun.exe is the Windows player: Linux previews with itself.
    EXPECT_EQ(program, platform::previewPlayer(out / ""));
    EXPECT_EQ(program, platform::executablePath());
    EXPECT_EQ(cwd, out / "");
    EXPECT_THAT(
        args, ::testing::ElementsAre("data\\1_Demo_General_Menu.html", "data\\Error_Page.html", "1",
                                     "0", "data\\default.jpg", "data\\default.wav"));

    DesignerCollaborators noDisc = collaborators();
    noDisc.presentationComplete.burnToCd = nullptr;
    noDisc.presentationComplete.saveIso = nullptr;
    CDesignerDlg bare(nullptr, noDisc);
    CPresentationCompleteDlg& unavailable = bare.presentationComplete();
    postButton(&unavailable, CPresentationCompleteDlg::kBurn);
    postButton(&unavailable, CPresentationCompleteDlg::kSaveIso);
    ASSERT_EQ(completeSaid.size(), 2u);
    EXPECT_THAT(completeSaid[0], HasSubstr("not available yet"));
    postButton(&complete, wxID_CANCEL);
    EXPECT_FALSE(complete.IsShown());
}

TEST_F(DesignerFixture, WaitDialogNamesEachFileOfAFolderCopy) {
    for (int i = 0; i < 30; ++i) writeFile(t / "site" / ("f" + std::to_string(i) + ".txt"), "x");
    writeFile(t / "site/index.html", "I");
    fileAnswers = {(t / "site/index.html").string()};
    postButton(dlg.get(), CDesignerDlg::kSelectOpenFile);
    std::vector<std::string> shown;
    CPreparingFilesDlg* waitDialog = nullptr;
    progressShown = [&](CPreparingFilesDlg& wait) {
        EXPECT_TRUE(wait.IsShown());
        EXPECT_EQ(wait.GetTitle(), "Please wait, Preparing Files ..");
        shown.push_back(wait.text().utf8_string());
        waitDialog = &wait;
    };
    std::atomic<bool> scanning{false};
    beforeLinkScan = [&](const fs::path&) { scanning = true; };
    holdScans = true;
    postButton(dlg.get(), wxID_OK);
    // The picture while the build waits after the copy, the wait dialog still up.
    ASSERT_TRUE(test::waitUntil([&] { return scanning.load(); }));
    test::pump(100);
    ASSERT_NE(waitDialog, nullptr);
    test::screenshot("preparing_files", waitDialog, true);
    holdScans = false;
    EXPECT_TRUE(test::waitUntil([&] { return !dlg->building(); }));
    EXPECT_THAT(shown, ::testing::Contains((t / "site/f7.txt").string()));
    EXPECT_THAT(shown, ::testing::Contains("Copying files from directory " + (t / "site").string() +
                                           "\n\nPlease wait .."));
    EXPECT_TRUE(dlg->presentationComplete().IsShown());
}

TEST_F(DesignerFixture, CreateCdRunsBesideTheWindowRefusesASecondAndQuitWaitsForIt) {
    std::atomic<int> menuScans{0};
    beforeLinkScan = [&](const fs::path& page) {
        if (page.filename() == "1_Demo_General_Menu.html") ++menuScans;
    };
    holdScans = true;
    postButton(dlg.get(), wxID_OK);
    ASSERT_TRUE(test::waitUntil([&] { return menuScans == 1; }));
    EXPECT_TRUE(dlg->building());
    // The window answers while the build works; the build keeps the settings of its click.
    postSelection(dlg.get(), wxEVT_COMBOBOX, CDesignerDlg::kOpenCombo, 11);
    EXPECT_EQ(combo()->GetValue(), "92_XPBlue_CD_Menu.html");
    postButton(dlg.get(), wxID_OK);
    postButton(dlg.get(), wxID_CANCEL);
    EXPECT_TRUE(dlg->IsShown()) << "Quit waits for the build";
    holdScans = false;
    ASSERT_TRUE(test::waitUntil([&] { return !dlg->building(); }));
    test::pump(200);
    EXPECT_EQ(menuScans, 1) << "the second Create CD started a build";
    const fs::path out = desktop / "CD-ROM Distributable Files";
    EXPECT_EQ(readFile(out / "data/1_Demo_General_Menu.html"), "menu");
    EXPECT_FALSE(fs::exists(out / "data/92_XPBlue_CD_Menu.html"));
    EXPECT_TRUE(fs::exists(out / "autorun.inf"));
    EXPECT_TRUE(dlg->lastBuild().completed());
    EXPECT_FALSE(dlg->IsShown()) << "Quit took effect once the build was done";
    EXPECT_FALSE(dlg->presentationComplete().IsShown());
}

TEST_F(DesignerFixture, AWindowClosedWhileItsBuildWaitsOnAMessageLeavesNoWorkerWaiting) {
    fs::remove(program / "sounds/default.wav");  // the build stops at a message
    wxCommandEvent create(wxEVT_BUTTON, wxID_OK);
    dlg->FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(create);
    // No window loop runs: the worker posts its message and waits for it to be seen.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(dlg->building());
    dlg.reset();  // returns once the worker has ended
    settle();
    EXPECT_TRUE(messages.empty()) << "nothing is shown for a window that is gone";
    // The stopped build leaves no half-made folder behind.
    EXPECT_FALSE(fs::exists(desktop / "CD-ROM Distributable Files"));
}

TEST_F(DesignerFixture, CreateCdRefusesSpacesAndReportsAbortsWithoutPresentationComplete) {
    dlg->settings().failSafeName = "bad name.html";
    dlg->refresh();
    createCd();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0].text,
                HasSubstr("The failed-to-open filename can not contain any spaces."));
    EXPECT_FALSE(fs::exists(desktop / "CD-ROM Distributable Files"));

    messages.clear();
    dlg->settings().failSafeName = "Error_Page.html";
    dlg->refresh();
    fs::remove(program / "sounds/default.wav");
    createCd();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0].text, HasSubstr("There was a problem copying"));
    EXPECT_FALSE(dlg->presentationComplete().IsShown());
    EXPECT_FALSE(dlg->flashing());
}

TEST_F(DesignerFixture, OptionsOkStoresAndCancelKeeps) {
    runOptions = [](COptionsDlg& o) {
        o.CallAfter([&o] {
            dynamic_cast<wxCheckBox*>(o.FindWindow(COptionsDlg::kTopMost))->SetValue(true);
            dynamic_cast<wxTextCtrl*>(o.FindWindow(COptionsDlg::kStartX))->SetValue("100");
            wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
            o.GetEventHandler()->ProcessEvent(ok);
        });
        return o.ShowModal();
    };
    postButton(dlg.get(), CDesignerDlg::kOptions);
    EXPECT_TRUE(dlg->settings().options.topMost);
    EXPECT_EQ(dlg->settings().options.startY, "0");

    runOptions = [](COptionsDlg& o) {
        o.CallAfter([&o] {
            dynamic_cast<wxCheckBox*>(o.FindWindow(COptionsDlg::kTopMost))->SetValue(false);
            dynamic_cast<wxCheckBox*>(o.FindWindow(COptionsDlg::kSecure))->SetValue(true);
            wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
            o.GetEventHandler()->ProcessEvent(cancel);
        });
        return o.ShowModal();
    };
    postButton(dlg.get(), CDesignerDlg::kOptions);
    EXPECT_TRUE(dlg->settings().options.topMost);
    EXPECT_FALSE(dlg->settings().options.secure);
    EXPECT_TRUE(
        dynamic_cast<wxCheckBox*>(dlg->options().FindWindow(COptionsDlg::kTopMost))->GetValue());
}

TEST(OptionsDialog, RefusesAStartPositionThatIsNotANumber) {
    std::vector<std::string> said;
    DesignerPrompts prompts = DesignerPrompts::standard({});
    prompts.message = [&](wxWindow*, const std::string& s, long style) {
        said.push_back(s);
        EXPECT_TRUE(style & wxICON_STOP);
    };
    COptionsDlg o(nullptr, prompts);
    int result = 0;
    o.CallAfter([&] {
        test::screenshot("options", &o, true);
        EXPECT_EQ(o.GetTitle(), "Options");
        EXPECT_EQ(
            dynamic_cast<wxChoice*>(o.FindWindow(COptionsDlg::kSplashTime))->GetStringSelection(),
            "Normal");
        EXPECT_EQ(o.FindWindow(COptionsDlg::kDataFolder)->GetLabel(),
                  "Place data files in separate directory on CD for clean look.");
        dynamic_cast<wxTextCtrl*>(o.FindWindow(COptionsDlg::kStartY))->SetValue("-1");
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        o.GetEventHandler()->ProcessEvent(ok);
        EXPECT_TRUE(o.IsModal()) << "the dialog stays open";
        EXPECT_EQ(o.FindFocus(), o.FindWindow(COptionsDlg::kStartY));
        dynamic_cast<wxTextCtrl*>(o.FindWindow(COptionsDlg::kStartY))->SetValue("50%");
        o.GetEventHandler()->ProcessEvent(ok);
    });
    result = o.ShowModal();
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(said, std::vector<std::string>{kStartPositionMessage});
    EXPECT_EQ(o.values().startX, "0");
    EXPECT_EQ(o.values().startY, "50%");
}

TEST(CustomSizeDialog, StartsWithTheGivenSizeAndChecksTheRange) {
    std::vector<std::string> said;
    CustomSizeDialog d(nullptr, 640, 480,
                       [&](wxWindow*, const std::string& s, long) { said.push_back(s); });
    d.CallAfter([&] {
        test::screenshot("custom_size", &d, true);
        EXPECT_EQ(d.GetTitle(), "Custom Window Size");
        auto* w = dynamic_cast<wxTextCtrl*>(d.FindWindow(CustomSizeDialog::kWidth));
        auto* h = dynamic_cast<wxTextCtrl*>(d.FindWindow(CustomSizeDialog::kHeight));
        EXPECT_EQ(w->GetValue(), "640");
        EXPECT_EQ(h->GetValue(), "480");
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        h->SetValue("10001");
        d.GetEventHandler()->ProcessEvent(ok);
        EXPECT_TRUE(d.IsModal());
        w->SetValue("800");
        h->SetValue("10000");
        d.GetEventHandler()->ProcessEvent(ok);
    });
    EXPECT_EQ(d.ShowModal(), wxID_OK);
    EXPECT_EQ(said.size(), 1u);
    EXPECT_EQ(d.width(), 800);
    EXPECT_EQ(d.height(), 10000);
}

}  // namespace
}  // namespace rondivo
