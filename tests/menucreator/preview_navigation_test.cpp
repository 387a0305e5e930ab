#include "menucreator/preview_navigation.h"

#include <gtest/gtest.h>

namespace rondivo::menucreator {
namespace {

using K = PreviewStepKind;

TEST(PreviewNavigation, PlansForAddresses) {
    struct Case {
        const char* address;
        bool cancel;
        std::vector<PreviewStep> steps;
    };
    const Case cases[] = {
        {"http://ACTION_QUIT", true, {{K::Quit, ""}}},
        {"http://action_quit/", true, {{K::Quit, ""}}},
        {"http://ACTION_MESSAGEBOX=thank you", true, {{K::MessageBox, "thank you"}}},
        {"http://ACTION_MESSAGEBOX", true, {}},
        {"http://ACTION_RUN=a.exe,b.txt", true, {{K::Run, "a.exe,b.txt"}}},
        {"http://ACTION_BROWSE", true, {{K::Browse, ""}}},
        {"http://ACTION_USER_SELECT_COPY=a.pdf", true, {{K::UserSelectCopy, "a.pdf"}}},
        {"http://ACTION_COPY=a,b", true, {{K::Copy, "a,b"}}},
        {"http://ACTION_RESTORESIZE", true, {{K::RestoreSize, ""}}},
        // An argument naming another verb triggers it too, in table order.
        {"http://ACTION_MESSAGEBOX=use ACTION_QUIT",
         true,
         {{K::MessageBox, "use ACTION_QUIT"}, {K::Quit, ""}}},
        {"http://MENUCREATOR_BEGIN_EDITING_GENERIC",
         true,
         {{K::BeginEditing, "http://MENUCREATOR_BEGIN_EDITING_GENERIC"}}},
        {"HTTP://WWW.example.com/page",
         true,
         {{K::OpenInNewWindow, "HTTP://WWW.example.com/page"}}},
        {"http://example.com/page", false, {}},
        {"file:///prog/html/Template_Simple.html", false, {}},
        {"res://Rondivo! 2.6.exe/23/179", false, {}},
    };
    for (const Case& c : cases) {
        PreviewPlan plan = planPreviewNavigation(c.address);
        EXPECT_EQ(plan.cancel, c.cancel) << c.address;
        EXPECT_EQ(plan.steps, c.steps) << c.address;
    }
}

TEST(PreviewNavigation, PreparationIsThePlayersPreparation) {
    PathMacros macros;
    macros.desktop = "/home/me/Desktop";
    EXPECT_EQ(preparePreviewAddress("http://ACTION_MESSAGEBOX=thank%20you &amp;amp; bye", macros),
              "http://ACTION_MESSAGEBOX=thank you & bye");
    EXPECT_EQ(preparePreviewAddress("http://action_copy=a.txt,%7Bdesktop%7D/", macros),
              "http://action_copy=a.txt,/home/me/Desktop");
    EXPECT_EQ(previewMessageText("thank you"), "Thank you");
    EXPECT_EQ(previewMessageText(""), "");
}

TEST(PreviewNavigation, RunEntries) {
    EXPECT_EQ(previewRunEntries("setup.exe,,znote.pdf", "/prog/html"),
              (std::vector<std::string>{
                  "setup.exe", (std::filesystem::path("/prog/html") / "znote.pdf").string()}));
    std::string big(30000, 'a');
    EXPECT_EQ(previewRunEntries(big, "/h").at(0).size(), 20000u);
}

TEST(PreviewNavigation, BrowseFolder) {
    EXPECT_EQ(previewBrowseFolder("C:\\", ""), "C:\\");
    EXPECT_EQ(previewBrowseFolder("C:\\", "x"), "C:\\");
    EXPECT_EQ(previewBrowseFolder("C:\\", "data/docs"), "C:\\data\\docs");
    EXPECT_EQ(previewBrowseFolder("C:\\", "D:/Temp"), "D:\\Temp");
}

TEST(PreviewNavigation, CopyPairs) {
    using P = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(previewUserCopyPairs("docs\\a.pdf, b/c.txt,znote.pdf", "/home/u/out", "/prog/html"),
              (P{{"docs\\a.pdf", "/home/u/out\\a.pdf"},
                 {"b/c.txt", "/home/u/out\\c.txt"},
                 {(std::filesystem::path("/prog/html") / "znote.pdf").string(),
                  "/home/u/out\\znote.pdf"}}));
    EXPECT_EQ(previewUserCopyPairs("a.txt", "/t/", "/h"), (P{{"a.txt", "/t/a.txt"}}));
    EXPECT_EQ(previewCopyPairs("a.txt, /t/a.txt,odd.txt"), (P{{"a.txt", "/t/a.txt"}}));
}

TEST(PreviewNavigation, FontSizeIsHalfThePointSize) {
    const std::pair<int, int> cases[] = {{9, 4}, {12, 6}, {13, 6}, {36, 18}, {2, 1}};
    for (auto [points, size] : cases) EXPECT_EQ(fontSizeForPoints(points), size) << points;
}

}  // namespace
}  // namespace rondivo::menucreator
