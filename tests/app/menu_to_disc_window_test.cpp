// From the main window to a playing disc: Menu Creator → Generic template →
// a picture and a text box → the picture runs a file → Save as "My Menu" →
// Create CD → the built player shows the menu, and clicking the picture runs
// the file. Driven by posted events, scripted page actions and, for the
// player (another process), a real mouse click on its window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/utils.h>

#include <chrono>
#include <functional>

#include "designer/ui/designer_dialog.h"
#include "designer/ui/presentation_complete_dialog.h"
#include "gui_test_support.h"
#include "menucreator/ui/menu_creator_window.h"
#include "test_support.h"

namespace rondivo::menucreator {
namespace {

namespace fs = std::filesystem;

using test::waitUntil;

std::string js(CMenuCreatorDlg& dlg, const std::string& script) {
    std::string out;
    dlg.document().run(script, &out);
    return out;
}

std::optional<std::string> windowOf(pid_t pid, const std::string& title) {
    auto r = test::runProgram({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid),
                               "--name", "^" + title + "$"});
    if (r.status != 0 || r.output.empty()) return std::nullopt;
    return r.output.substr(0, r.output.find('\n'));
}

// The Menu Creator, driven: the Generic template, a picture that runs
// setup.sh and a text box, saved as "My Menu". Gives the picture's centre.
std::optional<std::string> makeMenu(wxWindow* parent, const fs::path& html, const fs::path& program,
                                    int& clickX, int& clickY) {
    MenuPrompts prompts;
    std::vector<wxString> files{wxString::FromUTF8((program / "html/logo.gif").string())};
    prompts.message = [](wxWindow*, const wxString&, const wxString&, long style) {
        return (style & wxYES_NO) ? wxYES : wxOK;
    };
    prompts.openFiles = [&](wxWindow*, const wxString&, const wxString&, const wxString&,
                            const wxString&, long, bool) { return files; };
    prompts.text = [](wxWindow*, const wxString&, const wxString&, const wxString&) {
        return std::optional<wxString>("Click the picture to install");
    };
    MenuCreatorDialogs dialogs;
    dialogs.saveAs = [](wxWindow*, const std::string&, const fs::path&, bool) {
        return std::make_pair(CSaveMenuDlg::Result::Save, std::string("My Menu.html"));
    };
    dialogs.hyperlink = [](wxWindow*) {
        return std::optional<std::string>("http://ACTION_RUN=setup.sh");
    };
    CMenuCreatorDlg mc(parent, html.parent_path(), prompts, dialogs);
    mc.Show();
    EXPECT_TRUE(
        waitUntil([&] { return mc.currentUrl().find(".exe/23/182") != std::string::npos; }));
    EXPECT_EQ(js(mc,
                 "var t=document.getElementById('TemplateList');for(var i=0;i<t.options.length;i++)"
                 "if(t.options[i].text=='Generic CD Template')t.selectedIndex=i;"
                 "document.getElementById('StartButton').click();'ok'"),
              "ok");
    EXPECT_TRUE(waitUntil([&] {
        return mc.editing() && mc.currentUrl().find(".exe/23/182") == std::string::npos &&
               mc.document().ready();
    }));
    waitUntil([] { return false; }, 200);
    mc.runCommand(CMenuCreatorDlg::ID_INSERT_IMAGE);
    mc.runCommand(CMenuCreatorDlg::ID_INSERT_TEXT);
    js(mc, "rondivoEditor.selectObject(document.images[1]);'x'");
    mc.runCommand(CMenuCreatorDlg::ID_HYPERLINK);
    std::string where = js(mc,
                           "var r=document.images[1].getBoundingClientRect();"
                           "Math.round(r.left+r.width/2)+','+Math.round(r.top+r.height/2)");
    sscanf(where.c_str(), "%d,%d", &clickX, &clickY);
    mc.runCommand(CMenuCreatorDlg::ID_SAVE);
    EXPECT_EQ(mc.endCode(), wxID_OK);
    mc.Hide();
    return mc.menuFilePath().string();
}

TEST(MenuToDisc, MenuCreatorSaveCreateCdAndPlay) {
    test::TempDir t;
    const fs::path program = t / "program";
    fs::copy(test::sourceDir() / "tests/menucreator/fixtures", program,
             fs::copy_options::recursive);
    fs::copy(test::sourceDir() / "res/html/Error_Page.html", program / "html/Error_Page.html");
    const fs::path marker = t / "ran.txt";
    test::writeFile(program / "html/setup.sh", "#!/bin/sh\necho ran > '" + marker.string() + "'\n");
    chmod((program / "html/setup.sh").c_str(), 0755);
    test::ScopedEnv home("HOME", t.path().string());
    test::ScopedCwd cwd(t.path());

    DesignerCollaborators with;
    with.programFolder = program;
    with.ownExecutable = test::program(RONDIVO_EXE);
    with.desktopFolder = t / "Desktop";
    with.prompts = DesignerPrompts::standard(program);
    with.prompts.runPresentationComplete = [](CPresentationCompleteDlg& d) { d.Show(); };
    std::vector<std::string> messages;
    with.prompts.message = [&](wxWindow*, const std::string& text, long) {
        messages.push_back(text);
    };
    int clickX = 0, clickY = 0;
    with.runMenuCreator = [&](wxWindow* parent,
                              const fs::path& html) -> std::optional<std::string> {
        return makeMenu(parent, html, program, clickX, clickY);
    };
    CDesignerDlg designer(nullptr, with);
    designer.Show();
    for (int check : {CDesignerDlg::kSplashCheck, CDesignerDlg::kSoundCheck}) {
        auto* box = dynamic_cast<wxCheckBox*>(designer.FindWindow(check));
        ASSERT_NE(box, nullptr);
        box->SetValue(false);
        wxCommandEvent e(wxEVT_CHECKBOX, check);
        e.SetEventObject(box);
        box->GetEventHandler()->ProcessEvent(e);
    }

    wxCommandEvent menu(wxEVT_BUTTON, CDesignerDlg::kMenuCreator);
    designer.FindWindow(CDesignerDlg::kMenuCreator)->GetEventHandler()->ProcessEvent(menu);
    ASSERT_TRUE(fs::exists(program / "html/My Menu.html"));
    EXPECT_EQ(designer.settings().openName, "My_Menu.html");

    wxCommandEvent create(wxEVT_BUTTON, wxID_OK);
    designer.FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(create);
    waitUntil([&] { return designer.presentationComplete().IsShown(); });
    const fs::path disc = t / "Desktop/CD-ROM Distributable Files";
    ASSERT_TRUE(fs::exists(disc / "data/My_Menu.html")) << (messages.empty() ? "" : messages[0]);
    ASSERT_TRUE(fs::exists(disc / "data/setup.sh"));
    ASSERT_TRUE(fs::exists(disc / "data/logo.gif"));
    designer.presentationComplete().Hide();
    designer.Hide();

    // The player, as Windows would start it from the disc.
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(disc.c_str()) != 0) _exit(126);
        execl((disc / "autorun.exe").c_str(), "autorun.exe", nullptr);
        _exit(127);
    }
    std::optional<std::string> id;
    waitUntil([&] { return (id = windowOf(pid, "Generic CD")).has_value(); }, 20000);
    ASSERT_TRUE(id) << "the player did not show the menu";
    // The page may still be loading when the window shows: click until the
    // file runs, as an impatient user would.
    bool ran = false;
    for (int attempt = 0; attempt < 10 && !ran; ++attempt) {
        test::runProgram({"xdotool", "mousemove", "--window", *id, std::to_string(clickX),
                          std::to_string(clickY), "click", "1"});
        ran = waitUntil([&] { return fs::exists(marker); }, 2000);
    }
    test::screenshot("menu_on_disc");
    EXPECT_TRUE(ran) << "clicking the picture at " << clickX << "," << clickY
                     << " did not run setup.sh";
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace
}  // namespace rondivo::menucreator
