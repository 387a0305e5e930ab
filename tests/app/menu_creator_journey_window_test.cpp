// An author's own menu, from the designer's "Menu Creator" to a playing
// disc: a template, a picture, a text box typed in, a link that runs a file,
// Save, Create CD; then the disc's player shows the page and runs the file.
// The person is a driver thread that reads labels (and, in the page, what
// is written on it) and acts only through the X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/webview.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "app/composition_root.h"
#include "journey_support.h"
#include "menucreator/ui/menu_creator_dialog.h"
#include "test_support.h"
#include "ui/help_dialog.h"
#include "ui/web_view_script.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;
using menucreator::CMenuCreatorDlg;
using test::Journey;

constexpr const char* kSentence = "Run the launch installer";

fs::path programFolderCopy(const fs::path& to) {
    fs::create_directories(to);
    for (const char* d : {"html", "splashscreens", "sounds", "icons", "drivers", "pages"})
        if (fs::exists(test::binaryDir() / d))
            fs::copy(test::binaryDir() / d, to / d, fs::copy_options::recursive);
    test::writeFile(to / "windows/autorun.exe", test::windowsPlayerBytes());
    return to;
}

CMenuCreatorDlg* menuCreator() {
    for (wxWindow* top : wxTopLevelWindows)
        if (auto* mc = dynamic_cast<CMenuCreatorDlg*>(top); mc && mc->IsShown()) return mc;
    return nullptr;
}

// Where on the screen the page shows the element `find` (a script
// expression) picks: its middle, or a point on its left edge; the page is
// read, not driven.
std::optional<wxPoint> onPage(Journey& j, const std::string& find, bool leftEdge = false) {
    auto p = j.onGui([find, leftEdge]() -> std::optional<wxPoint> {
        CMenuCreatorDlg* mc = menuCreator();
        std::string out;
        if (!mc || !mc->document().run("(function(){var e=" + find +
                                           ";if(!e)return '';var r=e.getBoundingClientRect();"
                                           "return Math.round(r.left+" +
                                           (leftEdge ? std::string("2") : "r.width/2") +
                                           ")+','+"
                                           "Math.round(r.top+r.height/2);})()",
                                       &out))
            return std::nullopt;
        int x = 0, y = 0;
        if (sscanf(out.c_str(), "%d,%d", &x, &y) != 2) return std::nullopt;
        return mc->document().view()->ClientToScreen(wxPoint(x, y));
    });
    return p ? *p : std::nullopt;
}

// The first control, input or picture whose written text (or value) is `text`.
std::string byText(std::string text) {
    for (std::size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2))
        text.insert(at, "\\");
    return "(function(){var a=document.querySelectorAll('input,button,select,a');"
           "for(var i=0;i<a.length;i++){var s=a[i].value||a[i].textContent||'';"
           "if(s.replace(/^\\s+|\\s+$/g,'')=='" +
           text + "')return a[i];}return null;})()";
}

struct MenuJourney {
    const fs::path& t;
    Journey j;
    wxPoint pictureInPage;  // where the player will show the picture

    bool clickOnPage(const std::string& find) {
        std::optional<wxPoint> p;
        Journey::within(15000, [&] { return (p = onPage(j, find)).has_value(); });
        if (!p) return j.fail("nothing on the page for " + find);
        Journey::clickAt(p->x, p->y);
        return true;
    }

    void pickTemplate() {
        // The chooser page: the list, one step down to the generic template, and Start.
        if (!clickOnPage(byText("Blank Template"))) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        j.xdo({"key", "Down"});
        j.xdo({"key", "Return"});
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (!clickOnPage(byText("I'm Ready, Start"))) return;
        bool editing = Journey::within(20000, [&] {
            auto e = j.onGui([] {
                CMenuCreatorDlg* mc = menuCreator();
                return mc && mc->editing() && mc->document().ready();
            });
            return e && *e;
        });
        if (!editing) j.fail("the template did not open for editing");
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    // The manual opens at `chapter` in the program's help window; the person reads and closes it.
    void readHelp(const std::function<void()>& ask, const std::string& chapter) {
        ask();
        auto help = j.waitWindow("Rondivo! Help", 15000, {}, false);
        if (!help) return static_cast<void>(j.fail("no help window for " + chapter));
        const std::string where = "(function(){var h=document.getElementById('" + chapter +
                                  "');return h?String(Math.round(h.getBoundingClientRect().top))"
                                  ":'none';})()";
        const bool atChapter = Journey::within(15000, [&] {
            auto top = j.onGui([where]() -> std::string {
                for (wxWindow* w : wxTopLevelWindows)
                    if (auto* dlg = dynamic_cast<HelpDialog*>(w))
                        for (wxWindow* c : dlg->GetChildren())
                            if (auto* view = dynamic_cast<wxWebView*>(c)) {
                                wxString out;
                                runPageScript(view, where, &out);
                                return out.utf8_string();
                            }
                return "no help window";
            });
            return top && !top->empty() &&
                   top->find_first_not_of("0123456789") == std::string::npos &&
                   std::stoi(*top) < 200;
        });
        if (std::getenv("RONDIVO_SHOTS")) std::this_thread::sleep_for(std::chrono::seconds(2));
        Journey::shot("journey_help_" + chapter);  // the engine paints a moment after layout
        if (!atChapter) j.fail("the help window is not at the chapter " + chapter);
        Journey::keys(*help, {"Escape"});
        j.waitGone(*help);
    }

    void addPictureAndText() {
        j.click("Insert Image");
        j.chooseFile("Select an Image", (t / "assets/banner.png").string());
        j.click("Insert Text");
        auto box = j.waitWindow("Add Text Box");
        if (!box) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        // Typed as a person types: straight in, then Return for OK.
        Journey::type(*box, kSentence);
        Journey::keys(*box, {"Return"});
        j.waitGone(*box);
        dragTextBox();
    }

    // The new box, still being typed in, moves when dragged by its frame.
    void dragTextBox() {
        const std::string box =
            "(function(){var f=document.getElementsByTagName('fieldset');"
            "for(var i=f.length-1;i>=0;i--)if(f[i].textContent=='" +
            std::string(kSentence) + "')return f[i];return null;})()";
        std::optional<wxPoint> edge, before, after;
        Journey::within(5000, [&] { return (edge = onPage(j, box, true)).has_value(); });
        before = onPage(j, box);
        if (!edge || !before) return static_cast<void>(j.fail("the new text box is not shown"));
        Journey::xdo({"mousemove", "--sync", std::to_string(edge->x), std::to_string(edge->y)});
        Journey::xdo({"mousedown", "1"});
        for (int step = 1; step <= 4; ++step)
            Journey::xdo({"mousemove", "--sync", std::to_string(edge->x - 10 * step),
                          std::to_string(edge->y + 10 * step)});
        Journey::xdo({"mouseup", "1"});
        after = onPage(j, box);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->x - before->x, -40) << "the text box was not dragged";
        EXPECT_EQ(after->y - before->y, 40) << "the text box was not dragged";
    }

    void linkPictureToSetup() {
        const std::string picture =
            "(function(){var m=document.images;for(var i=0;i<m.length;i++)"
            "if(m[i].src.indexOf('banner.png')>=0)return m[i];return null;})()";
        std::optional<wxPoint> at;
        Journey::within(5000, [&] { return (at = onPage(j, picture)).has_value(); });
        if (!at || !clickOnPage(picture)) return;
        auto inPage = j.onGui([at] {
            CMenuCreatorDlg* mc = menuCreator();
            return mc ? mc->document().view()->ScreenToClient(*at) : wxPoint();
        });
        pictureInPage = inPage ? *inPage : wxPoint();
        j.click("Hyperlink");
        auto dlg = j.waitWindow("Insert Hyperlink");
        if (!dlg) return;
        // The action list sits under its explanation; its drop-down reaches over the page
        // below the dialog, which must look as before once the drop-down has gone.
        const std::string list = "Select an action to perform when the image or button is clicked.";
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const std::string page = pixelsBelow(*dlg);
        if (!j.clickAfter(list)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        j.xdo({"key", "Escape"});
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        Journey::shot("journey_action_dismissed");
        EXPECT_EQ(pixelsBelow(*dlg), page) << "the closed drop-down left a mark on the page";
        // Open again, one step down ("Run or Open a File").
        if (!j.clickAfter(list)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        j.xdo({"key", "Down"});
        Journey::shot("journey_action_open");
        j.xdo({"key", "Return"});
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        Journey::shot("journey_action_chosen");
        EXPECT_EQ(pixelsBelow(*dlg), page) << "the closed drop-down left a mark on the page";
        if (!j.clickFor("Select File", "Select a file to open or run")) return;
        j.chooseFile("Select a file to open or run", (t / "assets/setup.sh").string());
        j.click("OK");
        j.waitGone(*dlg);
    }

    // What the screen shows in a band under the window `id` (the page, around a dialog).
    std::string pixelsBelow(const std::string& id) {
        test::RunResult g = Journey::xdo({"getwindowgeometry", "--shell", id});
        int x = 0, y = 0, w = 0, h = 0;
        for (const char* key : {"X=", "Y=", "WIDTH=", "HEIGHT="}) {
            const std::size_t at = g.output.find(key);
            if (at == std::string::npos) return j.fail("no geometry for " + id), std::string();
            const int v = std::atoi(g.output.c_str() + at + std::strlen(key));
            (key[0] == 'X' ? x : key[0] == 'Y' ? y : key[0] == 'W' ? w : h) = v;
        }
        const fs::path file = t / "band.rgb";
        test::runProgram(
            {"import", "-window", "root", "-crop",
             std::to_string(w) + "x80+" + std::to_string(x) + "+" + std::to_string(y + h + 10),
             "+repage", "rgb:" + file.string()});
        std::string band = test::readFile(file);
        if (band.empty()) j.fail("the screen could not be read");
        return band;
    }

    void saveAndCreate() {
        j.click("Save");
        auto save = j.waitWindow("Save As");
        if (!save) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Journey::keys(*save, {"ctrl+a"});
        Journey::type(*save, "My Menu");
        j.click("OK");
        j.waitGone(*save);
        j.click("Create CD");
        auto complete = j.waitWindow("Rondivo! - Presentation Complete", 60000);
        if (!complete) return;
        Journey::keys(*complete, {"Escape"});
        j.waitGone(*complete);
        j.click("Quit");
    }

    void run() {
        j.click("Menu Creator");
        // The chooser's "Action Commands" and the toolbar's Help lead to the manual.
        readHelp([&] { clickOnPage(byText("Action Commands")); }, "BUILTIN");
        if (!j.failed()) pickTemplate();
        if (!j.failed()) readHelp([&] { j.click("Help"); }, "MENUCREATOR");
        if (!j.failed()) addPictureAndText();
        Journey::shot("journey_menu_text");
        if (!j.failed()) linkPictureToSetup();
        Journey::shot("journey_menu_linked");
        if (!j.failed()) saveAndCreate();
        if (j.failed()) j.closeEverything();
    }
};

// The disc's player (the Linux program, reading the disc's autorun.inf as
// Windows would start autorun.exe) shows the menu; a click on the picture
// runs the file. Returns whether it ran.
bool playAndClick(const fs::path& exe, const fs::path& disc, const fs::path& marker,
                  wxPoint picture) {
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(disc.c_str()) != 0) _exit(126);
        execl(exe.c_str(), exe.c_str(), nullptr);
        _exit(127);
    }
    // The splash carries the title too: the browser window is the last one shown.
    auto browser = [pid]() -> std::optional<std::string> {
        auto r = test::runProgram({"xdotool", "search", "--onlyvisible", "--pid",
                                   std::to_string(pid), "--name", "^My CD Menu$"});
        if (r.status != 0 || r.output.size() < 2) return std::nullopt;
        std::string ids = r.output.substr(0, r.output.size() - 1);
        return ids.substr(ids.rfind('\n') + 1);
    };
    bool ran = false;
    // The page may still be loading when the window shows: click until the file runs.
    for (int attempt = 0; attempt < 10 && !ran; ++attempt) {
        std::optional<std::string> id;
        Journey::within(20000, [&] { return (id = browser()).has_value(); });
        if (!id) break;
        Journey::xdo({"mousemove", "--window", *id, std::to_string(picture.x),
                      std::to_string(picture.y), "click", "1"});
        ran = Journey::within(2000, [&] { return fs::exists(marker); });
    }
    Journey::shot("journey_menu_player");
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return ran;
}

TEST(MenuCreatorJourney, TemplatePictureTextAndLinkReachThePlayingDisc) {
    RONDIVO_LINUX_ONLY("xdotool and the Linux player");
    test::TempDir t;
    test::ScopedEnv home("HOME", t.path().string());
    test::ScopedCwd cwd(t.path());
    const fs::path marker = t / "ran.txt";
    test::writeFile(t / "assets/setup.sh", "#!/bin/sh\necho ran > '" + marker.string() + "'\n");
    chmod((t / "assets/setup.sh").c_str(), 0755);
    wxImage banner(120, 60);
    banner.SetRGB(wxRect(0, 0, 120, 60), 30, 90, 200);
    banner.SaveFile(wxString::FromUTF8((t / "assets/banner.png").string()), wxBITMAP_TYPE_PNG);
    const fs::path exe = test::program(RONDIVO_EXE);

    {
        CompositionRoot root({exe, programFolderCopy(t / "program")});
        MenuJourney journey{t.path(), {}, {}};
        std::thread person([&] { journey.run(); });
        root.runDesigner();
        person.join();
        if (journey.j.failed()) return;
        const fs::path disc = t / "Desktop/CD-ROM Distributable Files";
        const std::string page = test::readFile(disc / "data/My_Menu.html");
        EXPECT_NE(page.find(std::string(">") + kSentence + "<"), std::string::npos) << page;
        EXPECT_NE(page.find("ACTION_RUN="), std::string::npos) << page;
        EXPECT_TRUE(fs::exists(disc / "data/setup.sh"));
        EXPECT_TRUE(fs::exists(disc / "data/banner.png")) << "the picture is not on the disc";
        // The menu travels alone: its folder brings what the template links, and
        // none of the demos and templates it was made from.
        std::set<std::string> onDisc;
        for (const auto& e : fs::recursive_directory_iterator(disc / "data"))
            if (e.is_regular_file()) onDisc.insert(e.path().lexically_relative(disc).string());
        std::set<std::string> expected = {"data/My_Menu.html", "data/banner.png", "data/setup.sh",
                                          "data/readme.txt"};
        // The designer's own choices: the fail-safe page with its picture, splash and sound.
        for (const char* f :
             {"Error_Page.html", "images/warning.png", "default.jpg", "default.wav"})
            expected.insert(std::string("data/") + f);
        for (const char* picture :
             {"generic_banner.jpg", "icon_readme.png", "icon_install.png", "icon_browse.png",
              "icon_web.png", "icon_info.png", "icon_exit.png"})
            expected.insert(std::string("data/images/") + picture);
        EXPECT_EQ(onDisc, expected);
        EXPECT_TRUE(playAndClick(exe, disc, marker, journey.pictureInPage))
            << "clicking the picture did not run setup.sh";
    }
}

}  // namespace
}  // namespace rondivo
