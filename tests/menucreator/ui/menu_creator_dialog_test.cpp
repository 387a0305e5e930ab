// The Menu Creator under Xvfb: built for real, driven through its commands and
// scripted page actions, with the author's dialogs answered by the test.
#include "menucreator/ui/menu_creator_dialog.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "gui_test_support.h"
#include "menucreator/ui/hyperlink_dialog.h"
#include "test_support.h"

namespace rondivo::menucreator {
namespace {

namespace fs = std::filesystem;
using test::pump;
using test::waitUntil;

struct Answers {
    std::vector<std::string> messages;
    std::vector<wxString> files;
    std::optional<wxString> text;
    std::optional<wxColour> colour;
    std::optional<wxString> folder;
};

MenuPrompts fakePrompts(Answers& a) {
    MenuPrompts p;
    p.message = [&a](wxWindow*, const wxString& text, const wxString&, long style) {
        a.messages.push_back(text.utf8_string());
        return (style & wxYES_NO) ? wxYES : wxOK;
    };
    p.openFiles = [&a](wxWindow*, const wxString&, const wxString&, const wxString&,
                       const wxString&, long, bool) { return a.files; };
    p.colour = [&a](wxWindow*) { return a.colour; };
    p.font = [](wxWindow*) {
        return std::optional<std::pair<wxString, int>>(std::make_pair("Arial", 13));
    };
    p.folder = [&a](wxWindow*, const wxString&) { return a.folder; };
    p.text = [&a](wxWindow*, const wxString&, const wxString&, const wxString& initial) {
        return a.text ? a.text : std::optional<wxString>(initial);
    };
    return p;
}

class MenuCreatorWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::path fixtures = test::sourceDir() / "tests/menucreator/fixtures";
        fs::copy(fixtures, program.path(), fs::copy_options::recursive);
        home = std::make_unique<test::ScopedEnv>("HOME", program.path().string());
    }
    std::unique_ptr<CMenuCreatorDlg> open(MenuCreatorDialogs dialogs = {}) {
        auto dlg = std::make_unique<CMenuCreatorDlg>(nullptr, program.path(), fakePrompts(answers),
                                                     std::move(dialogs));
        dlg->Show();
        EXPECT_TRUE(waitUntil([&] {
            return dlg->currentUrl().find(".exe/23/182") != std::string::npos;
        })) << dlg->currentUrl();
        return dlg;
    }
    std::string js(CMenuCreatorDlg& dlg, const std::string& script) {
        std::string out;
        dlg.document().run(script, &out);
        return out;
    }
    // Picks an option on the chooser page and presses its start button.
    void choose(CMenuCreatorDlg& dlg, const std::string& option) {
        std::string r = js(
            dlg,
            "try{var t=document.getElementById('TemplateList');for(var i=0;i<t.options.length;i++)"
            "if(t.options[i].text=='" +
                option +
                "')t.selectedIndex=i;"
                "document.getElementById('StartButton').click();'ok'}catch(e){'ERR "
                "'+e+document.documentElement.outerHTML.substring(0,300)+location.href}");
        EXPECT_EQ(r, "ok");
        ASSERT_TRUE(waitUntil([&] {
            return dlg.editing() && dlg.currentUrl().find(".exe/23/182") == std::string::npos &&
                   dlg.document().ready();
        })) << dlg.currentUrl();
        pump(200);
    }
    void screenshot(const std::string& name) { test::screenshot(name); }

    // Saving a new menu enters the html folder; the test's folder goes away after.
    test::ScopedCwd cwd{fs::current_path()};
    test::TempDir program;
    std::unique_ptr<test::ScopedEnv> home;
    Answers answers;
};

TEST_F(MenuCreatorWindow, ClosingOnTheChooserAsksNothingAndWritesNothing) {
    auto dlg = open();
    EXPECT_FALSE(dlg->toolbar()->IsShown());
    ASSERT_EQ(dlg->toolbar()->GetToolsCount(), 21u);
    const std::pair<int, const char*> order[] = {{0, "Page Title"},
                                                 {3, "Hyperlink"},
                                                 {12, "Freely Move Objects"},
                                                 {17, "Save"},
                                                 {20, "Preview"}};
    for (auto [pos, tip] : order) EXPECT_EQ(dlg->toolbar()->GetToolByPos(pos)->GetShortHelp(), tip);
    EXPECT_EQ(dlg->toolbar()->GetToolByPos(17)->GetId(), CMenuCreatorDlg::kSave);
    screenshot("chooser");
    dlg->runCommand(CMenuCreatorDlg::kClose);
    EXPECT_EQ(dlg->endCode(), wxID_CANCEL);
    EXPECT_TRUE(answers.messages.empty());
    EXPECT_FALSE(fs::exists(program / "html" / "My Menu.html"));
}

TEST_F(MenuCreatorWindow, BlankTemplateIsEditableAndNotFreed) {
    auto dlg = open();
    choose(*dlg, "Blank Template");
    EXPECT_NE(dlg->currentUrl().find(".exe/23/179"), std::string::npos);
    EXPECT_TRUE(dlg->toolbar()->IsShown());
    EXPECT_EQ(js(*dlg, "document.designMode"), "on");
    screenshot("blank");
}

TEST_F(MenuCreatorWindow, GenericTemplateBuildAndSave) {
    test::writeFile(program / "html" / "setup.sh", "#!/bin/sh\n");
    std::string savedName;
    MenuCreatorDialogs dialogs;
    dialogs.saveAs = [&](wxWindow*, const std::string& name, const MenuFileFor&, bool) {
        savedName = name;
        return std::make_pair(CSaveMenuDlg::Result::Save, std::string("My Menu.html"));
    };
    dialogs.hyperlink = [](wxWindow*) {
        return std::optional<std::string>("http://ACTION_RUN=setup.sh");
    };
    auto dlg = open(std::move(dialogs));
    choose(*dlg, "Generic CD Template");
    EXPECT_EQ(dlg->head().title, "Generic CD");
    EXPECT_EQ(dlg->head().musicPath, "intro.wav");
    EXPECT_EQ(dlg->head().backgroundColour, "#336699");
    EXPECT_EQ(dlg->GetTitle(), "Generic CD");
    // The template's objects were freed when it first loaded.
    EXPECT_EQ(js(*dlg, "getComputedStyle(document.images[0]).position"), "absolute");

    answers.files = {wxString::FromUTF8((program / "html" / "logo.gif").string())};
    dlg->runCommand(CMenuCreatorDlg::kInsertImage);
    EXPECT_EQ(dlg->document().imageCount(), 2);
    answers.text = "Click the picture";
    dlg->runCommand(CMenuCreatorDlg::kInsertText);
    EXPECT_EQ(dlg->document().textBoxCount(), 2);
    screenshot("generic");

    // Select the new picture as the author's click would, then link it.
    js(*dlg, "rondivoEditor.selectObject(document.images[1]);'x'");
    dlg->runCommand(CMenuCreatorDlg::kHyperlink);
    EXPECT_EQ(js(*dlg, "document.images[1].parentNode.getAttribute('href')"),
              "http://ACTION_RUN=setup.sh");

    dlg->runCommand(CMenuCreatorDlg::kSave);
    EXPECT_EQ(savedName, "My Menu");
    ASSERT_EQ(dlg->endCode(), wxID_OK);
    // A folder of its own, with what the template linked beside it: copied as a
    // folder onto a disc, it takes no other page of html/ along.
    fs::path saved = program / "menus" / "My Menu" / "My_Menu.html";
    EXPECT_EQ(dlg->menuFilePath(), saved);
    EXPECT_FALSE(fs::exists(program / "html" / "My Menu.html"));
    EXPECT_EQ(test::readFile(saved.parent_path() / "logo.gif"),
              test::readFile(program / "html" / "logo.gif"));
    EXPECT_TRUE(fs::exists(saved.parent_path() / "intro.wav"));
    EXPECT_TRUE(fs::exists(saved.parent_path() / "setup.sh"));
    EXPECT_FALSE(fs::exists(saved.parent_path() / "Template_Generic.html"));
    EXPECT_EQ(dlg->menuName(), "My_Menu.html");
    std::string bytes = test::readFile(saved);
    EXPECT_EQ(bytes.rfind("<HTML>\r\n<META http-equiv=\"Content-Type\" content=\"text/html; "
                          "charset=utf-8\">\r\n<TITLE>Generic CD</TITLE>\r\n"
                          "<BGSOUND SRC=\"intro.wav\">\r\n"
                          "<BODY SCROLL=AUTO BGCOLOR=#336699>\r\n",
                          0),
              0u)
        << bytes;
    EXPECT_NE(bytes.find("href=\"http://ACTION_RUN=setup.sh\""), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("Click the picture</fieldset>"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("data-rondivo"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.substr(bytes.size() - 11), "</HTML>\r\n\r\n") << bytes;
}

TEST_F(MenuCreatorWindow, PreviewTogglesToolsAndQuitReturnsToEditing) {
    auto dlg = open();
    choose(*dlg, "Blank Template");
    js(*dlg,
       "document.body.insertAdjacentHTML('beforeend', '<a id=q "
       "href=\"http://ACTION_QUIT\">Quit</a>');'x'");
    dlg->runCommand(CMenuCreatorDlg::kPreview);
    EXPECT_FALSE(dlg->editing());
    EXPECT_EQ(js(*dlg, "document.designMode"), "off");
    EXPECT_FALSE(dlg->toolbar()->GetToolEnabled(CMenuCreatorDlg::kSave));
    EXPECT_FALSE(dlg->toolbar()->GetToolEnabled(CMenuCreatorDlg::kOpen));
    EXPECT_TRUE(dlg->toolbar()->GetToolEnabled(CMenuCreatorDlg::kPreview));
    ASSERT_EQ(dlg->toolbar()->GetToolsCount(), 22u);
    EXPECT_EQ(dlg->toolbar()->GetToolByPos(21)->GetId(), CMenuCreatorDlg::kStopPreview);
    screenshot("preview");
    // A disabled button does nothing.
    dlg->runCommand(CMenuCreatorDlg::kSave);
    EXPECT_EQ(dlg->endCode(), 0);

    js(*dlg, "document.getElementById('q').click();'x'");
    ASSERT_TRUE(waitUntil([&] { return dlg->editing(); }));
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0], kPreviewExitMessage);
    EXPECT_EQ(dlg->toolbar()->GetToolsCount(), 21u);
    EXPECT_EQ(js(*dlg, "document.designMode"), "on");
    EXPECT_EQ(js(*dlg, "location.href").find("res:"), 0u);
}

TEST_F(MenuCreatorWindow, PreviewMessageKeepsItsCapitals) {
    auto dlg = open();
    choose(*dlg, "Blank Template");
    js(*dlg,
       "document.body.insertAdjacentHTML('beforeend', "
       "'<a id=m href=\"http://ACTION_MESSAGEBOX=thank%20you from Bob\">m</a>');'x'");
    dlg->runCommand(CMenuCreatorDlg::kPreview);
    js(*dlg, "document.getElementById('m').click();'x'");
    ASSERT_TRUE(waitUntil([&] { return !answers.messages.empty(); }));
    EXPECT_EQ(answers.messages[0], "Thank you from Bob");
    EXPECT_FALSE(dlg->editing());
}

TEST_F(MenuCreatorWindow, ImageGalleryPlacesPicturesOrReportsNone) {
    test::TempDir none;
    test::writeFile(none / "a.txt", "x");
    test::writeFile(none / "b.png.doc", "x");
    answers.folder = wxString::FromUTF8(none.path().string());
    auto dlg = open();
    dlg->handleNavigation("http://menucreator_begin_editing_imagegallery/");
    pump(300);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0].rfind(
                  "No images of type GIF, JPG, BMP, PNG, WebP or SVG were found", 0),
              0u);
    EXPECT_FALSE(dlg->editing());
    EXPECT_NE(dlg->currentUrl().find(".exe/23/182"), std::string::npos);

    test::TempDir pics;
    for (const char* n : {"1.jpg", "2.jpg", "3.gif", "4.JPEG", "5.jpg", "6.jpg", "7.gif"})
        fs::copy_file(program / "html" / "logo.gif", pics / n);
    answers.folder = wxString::FromUTF8(pics.path().string());
    answers.messages.clear();
    choose(*dlg, "Image Gallery Wizard");
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0].rfind("Your image gallery has been created with 7 images", 0),
              0u);
    EXPECT_NE(dlg->currentUrl().find("Image_Gallery.html"), std::string::npos);
    EXPECT_EQ(dlg->head().title, "My Image Gallery");
    EXPECT_EQ(dlg->document().imageCount(), 7);
    EXPECT_EQ(js(*dlg,
                 "var r=[];for(var i=0;i<document.images.length;i++)"
                 "r.push(document.images[i].style.left+','+document.images[i].style.top);r.sort()."
                 "join(' ')"),
              "145px,210px 145px,80px 15px,210px 15px,80px 275px,80px 405px,80px 535px,80px");
    screenshot("gallery");
}

TEST_F(MenuCreatorWindow, SavedPageReopensWithItsHeadValues) {
    MenuCreatorDialogs dialogs;
    dialogs.saveAs = [](wxWindow*, const std::string&, const MenuFileFor&, bool) {
        return std::make_pair(CSaveMenuDlg::Result::Save, std::string("Reopen.html"));
    };
    auto dlg = open(dialogs);
    choose(*dlg, "Blank Template");
    answers.text = "My CD Menu";
    dlg->runCommand(CMenuCreatorDlg::kPageTitle);
    EXPECT_EQ(dlg->GetTitle(), "My CD Menu");
    answers.colour = wxColour(5, 0, 255);
    dlg->runCommand(CMenuCreatorDlg::kBackgroundColor);
    EXPECT_EQ(js(*dlg, "document.bgColor"), "#0500ff");
    answers.files = {wxString::FromUTF8((program / "html" / "intro.wav").string())};
    dlg->runCommand(CMenuCreatorDlg::kBackgroundMusic);
    answers.files = {wxString::FromUTF8((program / "html" / "logo.gif").string())};
    dlg->runCommand(CMenuCreatorDlg::kBackgroundImage);
    dlg->runCommand(CMenuCreatorDlg::kSave);
    ASSERT_EQ(dlg->endCode(), wxID_OK);
    const MenuHeadValues written = dlg->head();
    EXPECT_EQ(written.backgroundColour, "#0500ff");

    auto again = open(dialogs);
    choose(*again, "Blank Template");
    answers.files = {wxString::FromUTF8(dlg->menuFilePath().string())};
    again->runCommand(CMenuCreatorDlg::kOpen);
    ASSERT_TRUE(
        waitUntil([&] { return again->currentUrl().find("Reopen.html") != std::string::npos; }));
    EXPECT_EQ(again->head(), written);
    EXPECT_EQ(again->GetTitle(), "My CD Menu");
    EXPECT_EQ(again->menuName(), "Reopen.html");
}

TEST_F(MenuCreatorWindow, MoviesAndMusicPlayButStayInThePageFormat) {
    test::writeFile(program / "html" / "movie.html",
                    "<HTML><BGSOUND SRC=\"intro.wav\"><BODY><P>x</P>"
                    "<EMBED SRC=\"clip.mpg\" border=0 autoplay=true style=\"LEFT: 30px; POSITION: "
                    "absolute; TOP: 40px\">"
                    "</BODY></HTML>");
    auto dlg = open();
    choose(*dlg, "Blank Template");
    answers.files = {wxString::FromUTF8((program / "html" / "movie.html").string())};
    dlg->runCommand(CMenuCreatorDlg::kOpen);
    ASSERT_TRUE(waitUntil([&] {
        return dlg->currentUrl().find("movie.html") != std::string::npos && dlg->document().ready();
    }));
    EXPECT_EQ(js(*dlg, "String(document.getElementsByTagName('audio').length)"), "1");
    EXPECT_EQ(js(*dlg, "document.getElementsByTagName('video')[0].style.left"), "30px");
    std::string body = dlg->document().bodyHtml();
    EXPECT_EQ(body.find("<video"), std::string::npos) << body;
    EXPECT_EQ(body.find("<audio"), std::string::npos) << body;
    EXPECT_NE(
        body.find(
            "<embed src=\"clip.mpg\" border=\"0\" autoplay=\"true\" style=\"LEFT: 30px; POSITION: "
            "absolute; TOP: 40px\">"),
        std::string::npos)
        << body;
}

TEST_F(MenuCreatorWindow, FormattingATextBoxAppliesToItsText) {
    auto dlg = open();
    choose(*dlg, "Blank Template");
    answers.text = "Hello";
    dlg->runCommand(CMenuCreatorDlg::kInsertText);
    js(*dlg, "rondivoEditor.selectObject(document.getElementsByTagName('fieldset')[0]);'x'");
    EXPECT_TRUE(dlg->document().selectionIsTextBox());
    dlg->runCommand(CMenuCreatorDlg::kBold);
    EXPECT_EQ(js(*dlg, "document.getElementsByTagName('fieldset')[0].innerHTML"), "<b>Hello</b>");
    answers.colour = wxColour(255, 0, 0);
    dlg->runCommand(CMenuCreatorDlg::kTextColor);
    dlg->runCommand(CMenuCreatorDlg::kChangeFont);  // Arial 13 pt gives size 6
    std::string inner = js(*dlg, "document.getElementsByTagName('fieldset')[0].innerHTML");
    EXPECT_NE(inner.find("color=\"#ff0000\""), std::string::npos) << inner;
    EXPECT_NE(inner.find("size=\"6\""), std::string::npos) << inner;
    EXPECT_NE(inner.find("face=\"Arial\""), std::string::npos) << inner;
}

TEST_F(MenuCreatorWindow, HyperlinkNeedsASelection) {
    bool asked = false;
    MenuCreatorDialogs dialogs;
    dialogs.hyperlink = [&](wxWindow*) {
        asked = true;
        return std::optional<std::string>("http://ACTION_MESSAGEBOX=Hi");
    };
    auto dlg = open(dialogs);
    choose(*dlg, "Blank Template");
    dlg->document().caretToEnd();
    dlg->runCommand(CMenuCreatorDlg::kHyperlink);
    EXPECT_FALSE(asked);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0].rfind("Please select an image or highlight text", 0), 0u);

    // Selected text is linked by the engine's own command and stays in place.
    js(*dlg,
       "document.body.insertAdjacentHTML('beforeend','<p id=t>Say hi</p>');"
       "var r=document.createRange();r.selectNodeContents(document.getElementById('t'));"
       "getSelection().removeAllRanges();getSelection().addRange(r);'x'");
    dlg->runCommand(CMenuCreatorDlg::kHyperlink);
    EXPECT_TRUE(asked);
    EXPECT_EQ(js(*dlg, "document.getElementById('t').innerHTML"),
              "<a href=\"http://ACTION_MESSAGEBOX=Hi\">Say hi</a>");
}

TEST_F(MenuCreatorWindow, FreedObjectsAreDraggedWithTheMouse) {
    auto dlg = open();
    choose(*dlg, "Generic CD Template");
    std::string before = js(*dlg, "var i=document.images[0];i.style.left+','+i.style.top");
    js(*dlg,
       "var i=document.images[0],b=i.getBoundingClientRect();"
       "function ev(t,x,y){i.dispatchEvent(new "
       "MouseEvent(t,{bubbles:true,button:0,clientX:x,clientY:y}));}"
       "ev('mousedown',b.left+5,b.top+5);ev('mousemove',b.left+105,b.top+55);ev('mouseup',b.left+"
       "105,b.top+55);'x'");
    std::string after = js(*dlg, "var i=document.images[0];i.style.left+','+i.style.top");
    int l0 = 0, t0 = 0, l1 = 0, t1 = 0;
    ASSERT_EQ(std::sscanf(before.c_str(), "%dpx,%dpx", &l0, &t0), 2) << before;
    ASSERT_EQ(std::sscanf(after.c_str(), "%dpx,%dpx", &l1, &t1), 2) << after;
    EXPECT_EQ(l1 - l0, 100);
    EXPECT_EQ(t1 - t0, 50);
    // Its lower right corner resizes it.
    js(*dlg,
       "var i=document.images[0],b=i.getBoundingClientRect();"
       "function ev(t,x,y){i.dispatchEvent(new "
       "MouseEvent(t,{bubbles:true,button:0,clientX:x,clientY:y}));}"
       "ev('mousedown',b.right-2,b.bottom-2);ev('mousemove',b.right+18,b.bottom+8);"
       "ev('mouseup',b.right+18,b.bottom+8);'x'");
    EXPECT_EQ(js(*dlg,
                 "document.images[0].getAttribute('width')+'x'+document.images[0].getAttribute('"
                 "height')"),
              "60x50");
    // The outline that marks the selected picture is not part of the page.
    EXPECT_EQ(dlg->document().bodyHtml().find("data-rondivo"), std::string::npos);
}

TEST_F(MenuCreatorWindow, RealHyperlinkAndSaveDialogsAttachAndWrite) {
    // The real dialogs run modally; a timer plays the author's part in them.
    auto dlg = open();
    choose(*dlg, "Generic CD Template");
    js(*dlg, "rondivoEditor.selectObject(document.images[0]);'x'");
    wxTimer author;
    author.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        for (wxWindow* w : wxTopLevelWindows) {
            if (auto* link = dynamic_cast<CHyperlinkDlg*>(w); link && link->IsModal()) {
                link->actionList()->SetStringSelection("Run or Open a File on the CD");
                link->onActionChanged();
                link->argumentEdit()->SetValue("Setup.EXE");
                if (link->confirm()) link->EndModal(wxID_OK);
            } else if (auto* save = dynamic_cast<CSaveMenuDlg*>(w); save && save->IsModal()) {
                save->nameEdit()->SetValue("My Menu");
                if (save->confirm()) save->EndModal(wxID_OK);
            }
        }
    });
    author.Start(200);
    dlg->runCommand(CMenuCreatorDlg::kHyperlink);
    EXPECT_EQ(js(*dlg, "document.images[0].parentNode.outerHTML.substring(0, 40)"),
              "<a href=\"http://ACTION_RUN=Setup.EXE\"><i");
    dlg->runCommand(CMenuCreatorDlg::kSave);
    author.Stop();
    ASSERT_EQ(dlg->endCode(), wxID_OK);
    const fs::path saved = program / "menus" / "My Menu" / "My_Menu.html";
    EXPECT_EQ(dlg->menuFilePath(), saved);
    EXPECT_NE(test::readFile(saved).find("<a href=\"http://ACTION_RUN=Setup.EXE\">"),
              std::string::npos);
}

TEST_F(MenuCreatorWindow, ClosingAnEditedMenuOffersDiscard) {
    std::vector<bool> offered;
    CSaveMenuDlg::Result answer = CSaveMenuDlg::Result::Cancel;
    MenuCreatorDialogs dialogs;
    dialogs.saveAs = [&](wxWindow*, const std::string&, const MenuFileFor&, bool offerDiscard) {
        offered.push_back(offerDiscard);
        return std::make_pair(answer, std::string());
    };
    auto dlg = open(dialogs);
    choose(*dlg, "Blank Template");
    dlg->runCommand(CMenuCreatorDlg::kSave);
    EXPECT_EQ(dlg->endCode(), 0);  // Cancel returns to editing
    wxCloseEvent close(wxEVT_CLOSE_WINDOW, dlg->GetId());
    close.SetEventObject(dlg.get());
    close.SetCanVeto(true);
    dlg->GetEventHandler()->ProcessEvent(close);
    EXPECT_EQ(dlg->endCode(), 0);
    answer = CSaveMenuDlg::Result::Discard;
    dlg->runCommand(CMenuCreatorDlg::kClose);
    EXPECT_EQ(dlg->endCode(), wxID_CANCEL);
    EXPECT_EQ(offered, (std::vector<bool>{false, true, true}));
    EXPECT_FALSE(fs::exists(program / "html" / "My Menu.html"));
}

TEST_F(MenuCreatorWindow, PreviewRunsFilesAndOpensWebPagesOutside) {
    test::FakeXdgOpen xdg;
    test::ScopedEnv path("PATH", xdg.pathWithFakeFirst());
    test::writeFile(program / "html" / "readme.txt", "hello");
    auto dlg = open();
    choose(*dlg, "Blank Template");
    dlg->runCommand(CMenuCreatorDlg::kPreview);
    EXPECT_TRUE(dlg->handleNavigation("http://ACTION_RUN=readme.txt,missing.txt"));
    EXPECT_TRUE(dlg->handleNavigation("HTTP://WWW.example.com/page.html"));
    EXPECT_FALSE(dlg->handleNavigation("http://example.com/"));
    ASSERT_TRUE(waitUntil([&] { return xdg.calls().size() >= 2; }, 5000));
    auto calls = xdg.calls();
    EXPECT_NE(calls[0].find("readme.txt"), std::string::npos) << calls[0];
    EXPECT_NE(calls[1].find("HTTP://WWW.example.com/page.html"), std::string::npos) << calls[1];
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0],
              "Error opening: missing.txt \nThe file was not found. Please verify it is "
              "located on your CD-ROM and in the expected folder.");
    EXPECT_NE(dlg->currentUrl().find(".exe/23/179"), std::string::npos);
}

TEST_F(MenuCreatorWindow, PreviewCopiesChosenFiles) {
    test::TempDir target;
    test::writeFile(program / "html" / "a.txt", "A");
    answers.folder = wxString::FromUTF8(target.path().string());
    auto dlg = open();
    choose(*dlg, "Blank Template");
    dlg->runCommand(CMenuCreatorDlg::kPreview);
    dlg->handleNavigation("http://ACTION_USER_SELECT_COPY=" +
                          (program / "html" / "a.txt").string());
    EXPECT_EQ(test::readFile(target / "a.txt"), "A");
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0], "All files have been copied to " + target.path().string());

    // The player's own copy: a folder as destination takes the file below it,
    // and a relative destination is below the html folder, not the current folder.
    test::writeFile(program / "html" / "docs" / "b.txt", "B");
    answers.messages.clear();
    dlg->handleNavigation("http://ACTION_COPY=docs\\b.txt," + target.path().string() +
                          ",a.txt,copies/a.txt");
    EXPECT_EQ(test::readFile(target / "docs" / "b.txt"), "B");
    EXPECT_EQ(test::readFile(program / "html" / "copies" / "a.txt"), "A");
    EXPECT_EQ(answers.messages, std::vector<std::string>{"All files have been copied."});
}

TEST_F(MenuCreatorWindow, TypingAfterInsertTextBoxReplacesItsText) {
    auto dlg = open();
    choose(*dlg, "Blank Template");
    // The author has clicked into the page: a real click, which gives the page
    // the keyboard (there is no window manager to do it).
    wxRect page = dlg->document().view()->GetScreenRect();
    test::runProgram({"xdotool", "mousemove", std::to_string(page.x + page.width / 2),
                      std::to_string(page.y + page.height - 20), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return js(*dlg, "String(document.hasFocus())") == "true"; }, 5000));
    dlg->runCommand(CMenuCreatorDlg::kInsertText);  // "My Text Label"
    test::runProgram({"xdotool", "type", "--delay", "20", "Hello"});
    ASSERT_TRUE(waitUntil(
        [&] {
            return js(*dlg, "document.getElementsByTagName('fieldset')[0].textContent") == "Hello";
        },
        5000))
        << dlg->document().bodyHtml();
    std::string body = dlg->document().bodyHtml();
    EXPECT_EQ(body.find("My Text Label"), std::string::npos) << body;
    EXPECT_EQ(body.find("Hello"), body.rfind("Hello")) << body;  // typed once, in the box
}

TEST_F(MenuCreatorWindow, TodaysPictureTypesAreShown) {
    // A PNG, a WebP and an SVG, each 40 pixels wide.
    wxImage png(40, 30);
    png.SetRGB(wxRect(0, 0, 40, 15), 200, 40, 40);
    png.SetRGB(wxRect(0, 15, 40, 15), 250, 220, 60);
    fs::path pngFile = program / "html" / "red.png";
    ASSERT_TRUE(png.SaveFile(wxString::FromUTF8(pngFile.string()), wxBITMAP_TYPE_PNG));
    // 1x1 lossless WebP, scaled up by the page's width.
    const unsigned char webp[] = {0x52, 0x49, 0x46, 0x46, 0x1a, 0x00, 0x00, 0x00, 0x57,
                                  0x45, 0x42, 0x50, 0x56, 0x50, 0x38, 0x4c, 0x0d, 0x00,
                                  0x00, 0x00, 0x2f, 0x00, 0x00, 0x00, 0x10, 0x07, 0x10,
                                  0x11, 0x11, 0x88, 0x88, 0xfe, 0x07, 0x00};
    test::writeFile(program / "html" / "dot.webp", std::string(webp, webp + sizeof webp));
    test::writeFile(program / "html" / "box.svg",
                    "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                    "<rect width='40' height='20' fill='navy'/></svg>");
    auto dlg = open();
    choose(*dlg, "Blank Template");
    for (const char* name : {"red.png", "dot.webp", "box.svg"}) {
        answers.files = {wxString::FromUTF8((program / "html" / name).string())};
        dlg->runCommand(CMenuCreatorDlg::kInsertImage);
    }
    ASSERT_EQ(dlg->document().imageCount(), 3);
    // A picture the engine could not decode has no natural width.
    ASSERT_TRUE(waitUntil(
        [&] {
            return js(*dlg,
                      "var w=[];for(var i=0;i<document.images.length;i++)"
                      "w.push(document.images[i].naturalWidth);w.join(',')") == "40,1,40";
        },
        5000));
    screenshot("png");
    answers.files = {wxString::FromUTF8(pngFile.string())};
    dlg->runCommand(CMenuCreatorDlg::kBackgroundImage);
    EXPECT_EQ(dlg->head().backgroundImage, pngFile.string());
    screenshot("png-background");
}

}  // namespace
}  // namespace rondivo::menucreator
