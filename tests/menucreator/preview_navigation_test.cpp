#include "menucreator/preview_navigation.h"

#include <gtest/gtest.h>

namespace rondivo::menucreator {
namespace {

using V = ActionVerb;

std::vector<std::pair<ActionVerb, std::string>> verbsOf(const PreviewPlan& plan) {
    std::vector<std::pair<ActionVerb, std::string>> out;
    for (const ActionCall& c : plan.actions.calls) out.emplace_back(c.verb, c.argument);
    return out;
}

TEST(PreviewNavigation, PlansForAddresses) {
    struct Case {
        const char* address;
        bool cancel;
        bool beginEditing;
        bool openOutside;
        std::vector<std::pair<ActionVerb, std::string>> verbs;
    };
    const Case cases[] = {
        {"http://ACTION_QUIT", true, false, false, {{V::Quit, ""}}},
        {"http://action_quit/", true, false, false, {{V::Quit, ""}}},
        {"http://ACTION_MESSAGEBOX=thank you", true, false, false, {{V::MessageBox, "thank you"}}},
        // Without its "=" the verb does nothing, but the address is still cancelled.
        {"http://ACTION_MESSAGEBOX", true, false, false, {{V::MessageBox, ""}}},
        {"http://ACTION_RUN=a.exe,b.txt", true, false, false, {{V::Run, "a.exe,b.txt"}}},
        {"http://ACTION_COPY=a,b", true, false, false, {{V::Copy, "a,b"}}},
        // An argument naming another verb triggers it too, in the player's order.
        {"http://ACTION_MESSAGEBOX=use ACTION_QUIT",
         true,
         false,
         false,
         {{V::MessageBox, "use ACTION_QUIT"}, {V::Quit, ""}}},
        {"http://MENUCREATOR_BEGIN_EDITING_GENERIC", true, true, false, {}},
        {"http://menucreator_begin_editing_imagegallery/", true, true, false, {}},
        {"HTTP://WWW.example.com/page", true, false, true, {}},
        {"http://www.example.com/ACTION_QUIT", true, false, false, {{V::Quit, ""}}},
        {"http://example.com/page", false, false, false, {}},
        {"file:///prog/html/Template_Simple.html", false, false, false, {}},
        {"res://Rondivo! 2.6.exe/23/179", false, false, false, {}},
    };
    for (const Case& c : cases) {
        PreviewPlan plan = planPreviewNavigation(c.address, PathMacros{});
        EXPECT_EQ(plan.cancel(), c.cancel) << c.address;
        EXPECT_EQ(plan.beginEditing, c.beginEditing) << c.address;
        EXPECT_EQ(plan.openOutside, c.openOutside) << c.address;
        EXPECT_EQ(verbsOf(plan), c.verbs) << c.address;
    }
}

TEST(PreviewNavigation, PreparationIsThePlayersPreparation) {
    PathMacros macros;
    macros.desktop = "/home/me/Desktop";
    EXPECT_EQ(
        planPreviewNavigation("http://ACTION_MESSAGEBOX=thank%20you &amp; bye", macros).prepared,
        "http://ACTION_MESSAGEBOX=thank you & bye");
    PreviewPlan copy = planPreviewNavigation("http://action_copy=a.txt,%7Bdesktop%7D/", macros);
    EXPECT_EQ(copy.prepared, "http://action_copy=a.txt,/home/me/Desktop");
    EXPECT_EQ(
        verbsOf(copy),
        (std::vector<std::pair<ActionVerb, std::string>>{{V::Copy, "a.txt,/home/me/Desktop"}}));
}

TEST(PreviewNavigation, RunEntriesAreWholeFileNames) {
    auto files = [](std::string_view argument) {
        std::vector<std::string> out;
        for (const RunCommand& c : previewRunCommands(argument)) {
            EXPECT_EQ(c.parameters, "") << argument;
            out.push_back(c.file);
        }
        return out;
    };
    EXPECT_EQ(files("setup.exe,,znote.pdf"), (std::vector<std::string>{"setup.exe", "znote.pdf"}));
    EXPECT_EQ(files("notepad.exe readme.txt"),
              (std::vector<std::string>{"notepad.exe readme.txt"}));
    std::string big(30000, 'a');
    EXPECT_EQ(files(big).at(0).size(), 20000u);
}

TEST(PreviewNavigation, ChosenFolderCopiesGoThereByName) {
    auto pairs = [](std::string_view argument, std::string_view folder) {
        std::vector<std::pair<std::string, std::string>> out;
        for (const CopyItem& i : previewFolderCopies(argument, folder))
            out.emplace_back(i.source, i.destination);
        return out;
    };
    using P = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(pairs("docs\\a.pdf, b/c.txt,znote.pdf", "/home/u/out"),
              (P{{"docs\\a.pdf", "/home/u/out/a.pdf"},
                 {"b/c.txt", "/home/u/out/c.txt"},
                 {"znote.pdf", "/home/u/out/znote.pdf"}}));
    EXPECT_EQ(pairs("a.txt", "/t/"), (P{{"a.txt", "/t/a.txt"}}));
    EXPECT_EQ(pairs("/abs/x.txt", "C:\\Out\\"), (P{{"/abs/x.txt", "C:\\Out\\x.txt"}}));
}

TEST(PreviewNavigation, FontSizeIsHalfThePointSize) {
    const std::pair<int, int> cases[] = {{9, 4}, {12, 6}, {13, 6}, {36, 18}, {2, 1}};
    for (auto [points, size] : cases) EXPECT_EQ(fontSizeForPoints(points), size) << points;
}

}  // namespace
}  // namespace rondivo::menucreator
