#include "menucreator/hyperlink_action.h"

#include <gtest/gtest.h>

#include "menucreator/save_menu_name.h"

namespace rondivo::menucreator {
namespace {

TEST(HyperlinkAction, UrlForEveryAction) {
    struct Case {
        const char* action;
        const char* argument;
        const char* url;
    };
    const Case cases[] = {
        {"Navigate to URL", "http://www.example.com", "http://www.example.com"},
        {"Run or Open a File on the CD", "setup.exe", "http://ACTION_RUN=setup.exe"},
        {"Display a Message Box", "Thank you", "http://ACTION_MESSAGEBOX=Thank you"},
        {"Browse CD-ROM", "", "http://ACTION_BROWSE"},
        {"Browse CD-ROM", "docs", "http://ACTION_BROWSE=docs"},
        {"Copy Files from the CD", "/a/x.pdf,/a/y.pdf",
         "http://ACTION_USER_SELECT_COPY=/a/x.pdf,/a/y.pdf"},
        {"Maximize Window", "ignored", "http://ACTION_MAXIMIZE"},
        {"Minimize Window", "", "http://ACTION_MINIMIZE"},
        {"Restore Default Window Size", "", "http://ACTION_RESTORESIZE"},
        {"Exit Presentation", "left over text", "http://ACTION_QUIT"},
        {"Eject CD and Exit Presentation", "", "http://ACTION_EJECT"},
    };
    for (const Case& c : cases) EXPECT_EQ(buildActionUrl(c.action, c.argument), c.url) << c.action;
}

TEST(HyperlinkAction, ControlsFollowTheAction) {
    EXPECT_EQ(controlsForAction("Run or Open a File on the CD").hint,
              "Select an existing file to open.");
    EXPECT_TRUE(controlsForAction("Copy Files from the CD").selectFileEnabled);
    EXPECT_FALSE(controlsForAction("Browse CD-ROM").selectFileEnabled);
    EXPECT_TRUE(controlsForAction("Browse CD-ROM").argumentEnabled);
    for (const char* a : {"Maximize Window", "Minimize Window", "Restore Default Window Size",
                          "Exit Presentation", "Eject CD and Exit Presentation"}) {
        auto c = controlsForAction(a);
        EXPECT_TRUE(c.hint.empty() && !c.argumentEnabled && !c.selectFileEnabled) << a;
    }
}

TEST(HyperlinkAction, Validation) {
    struct Case {
        const char* action;
        const char* argument;
        bool accepted;
    };
    const Case cases[] = {
        {"Navigate to URL", "http://www.example.com", true},
        {"Navigate to URL", "HTTP://WWW.EXAMPLE.COM", true},
        {"Navigate to URL", "index.html", false},
        {"Navigate to URL", "", false},
        {"Display a Message Box", "", false},
        {"Display a Message Box", "hi", true},
        {"Run or Open a File on the CD", "", false},
        {"Copy Files from the CD", "", false},
        {"Browse CD-ROM", "", true},
        {"Exit Presentation", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!validateHyperlink(c.action, c.argument).has_value(), c.accepted)
            << c.action << " " << c.argument;
    EXPECT_EQ(*validateHyperlink("Copy Files from the CD", ""),
              "Please click SELECT FILE and choose file(s) to copy when this link is clicked.");
}

TEST(HyperlinkAction, SelectedFilesJoinWithCommas) {
    EXPECT_EQ(appendSelectedFiles("", {"/cd/a.txt", "/cd/b.txt", "/cd/c.txt"}),
              "/cd/a.txt,/cd/b.txt,/cd/c.txt");
    EXPECT_EQ(appendSelectedFiles("/cd/old.txt", {"/cd/new.txt"}), "/cd/old.txt,/cd/new.txt");
}

TEST(SaveMenuName, Rules) {
    EXPECT_EQ(menuNameForDisplay("My.Menu.html"), "My.Menu");
    EXPECT_EQ(menuNameForDisplay("My Menu"), "My Menu");
    EXPECT_TRUE(isValidMenuName("My Menu_2"));
    EXPECT_FALSE(isValidMenuName(""));
    for (char c : std::string(".,<>/?\\|'\";:][{}=-`~!@#$%^&*()+\t"))
        EXPECT_FALSE(isValidMenuName(std::string("a") + c + "b")) << c;
    EXPECT_EQ(menuFileName("My Menu"), "My Menu.html");
}

}  // namespace
}  // namespace rondivo::menucreator
