#include "player/action_url.h"

#include <gtest/gtest.h>

#include "disc/text_util.h"

namespace rondivo {
namespace {

PathMacros testMacros() {
    PathMacros m;
    m.cdrom = "/media/disc";
    m.root = "/";
    m.programFiles = "/home/u/.local/bin";
    m.windows = "/usr";
    m.system = "/usr/lib";
    m.desktop = "/home/u/Desktop";
    m.temp = "/home/u/.local/share/RondivoTemp/data";
    return m;
}

struct PrepareCase {
    const char* address;
    const char* prepared;
};

TEST(ActionAddress, PreparationRepairsWhatTheEngineDid) {
    const PrepareCase cases[] = {
        {"http//ACTION_QUIT", "http://ACTION_QUIT"},
        {"http://action_quit/", "http://action_quit"},
        {"/", "/"},
        {"http://action_copy=docs/a.pdf,%7Bdesktop%7D",
         "http://action_copy=docs/a.pdf,/home/u/Desktop"},
        {"http://action_copy=a.txt,%7bDESKTOP%7d/a.txt",
         "http://action_copy=a.txt,/home/u/Desktop/a.txt"},
        {"http://ACTION_MESSAGEBOX=thank%20you", "http://ACTION_MESSAGEBOX=thank you"},
        {"http://ACTION_MESSAGEBOX=A &AMP;amp; B", "http://ACTION_MESSAGEBOX=A &amp; B"},
        // One decoding, as a browser's: "%2520" is the text "%20".
        {"http://ACTION_MESSAGEBOX=%2520&amp;%20", "http://ACTION_MESSAGEBOX=%20& "},
        // IE sends letters beyond ASCII as UTF-8 %XX; a lone "%" stays.
        {"http://action_run=Gr%C3%BC%C3%9Fe.exe%2", "http://action_run=Grüße.exe%2"},
        {"http://ACTION_COPY={PROGRAMFILES}/x", "http://ACTION_COPY=/home/u/.local/bin/x"},
        {"http://ACTION_COPY=a,{temp}",
         "http://ACTION_COPY=a,/home/u/.local/share/RondivoTemp/data"},
        {"http://ACTION_COPY=a,{Secure}",
         "http://ACTION_COPY=a,/home/u/.local/share/RondivoTemp/data"},
        {"http://ACTION_RUN={cdrom}/setup", "http://ACTION_RUN=/media/disc/setup"},
        {"http://ACTION_RUN={nothing}", "http://ACTION_RUN=nothing"},
        {"http://ACTION_RUN={cdrom", "http://ACTION_RUN={cdrom"},  // no "}": untouched
        {"http://ACTION_RUN=a}b{root}c", "http://ACTION_RUN=ab/c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(prepareActionAddress(c.address, testMacros()), c.prepared) << c.address;
}

TEST(ActionAddress, LongRunOfEncodedAmpersandsIsDecodedOnceInOnePass) {
    std::string runs;
    for (int i = 0; i < 20000; ++i) runs += "amp;";
    EXPECT_EQ(decodeEntities("&" + runs), "&" + runs.substr(4));
}

TEST(ActionAddress, DriveLettersAreRepairedOnlyWhereTheyStandAlone) {
    const PrepareCase cases[] = {
        // Repaired: a lone letter at the start of the address or of an argument.
        {"http://action_browse=c/Temp", "http://action_browse=C:/Temp"},
        {"c/x", "C:/x"},
        {"http://action_copy=a.txt,d/backup", "http://action_copy=a.txt,D:/backup"},
        {"http://ACTION_RUN=x, c/tools/y", "http://ACTION_RUN=x, C:/tools/y"},
        {"http://ACTION_RUN=disc/c/x", "http://ACTION_RUN=disc/C:/x"},
        // Untouched: the letter ends a longer word ("music/", "bd/"), or is upper case.
        {"http://ACTION_RUN=music/a.mp3", "http://ACTION_RUN=music/a.mp3"},
        {"http://ACTION_RUN=docs/record/a.txt", "http://ACTION_RUN=docs/record/a.txt"},
        {"http://ACTION_RUN=C/x", "http://ACTION_RUN=C/x"},
        {"http://ACTION_RUN=c", "http://ACTION_RUN=c"},
        {"http://ACTION_RUN=cd/x", "http://ACTION_RUN=cd/x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(prepareActionAddress(c.address, testMacros()), c.prepared) << c.address;
}

struct VerbCase {
    const char* address;
    std::vector<ActionVerb> verbs;
    const char* firstArgument;  // nullptr: the first verb has no "="
};

TEST(ActionAddress, VerbsAreFoundInAnyCaseInTheFixedOrder) {
    using V = ActionVerb;
    const VerbCase cases[] = {
        {"http://action_quit/", {V::Quit}, nullptr},
        {"http://ACTION_RUN=setup.exe,readme.txt", {V::Run}, "setup.exe,readme.txt"},
        {"http://ACTION_MESSAGEBOX=Done, ACTION_QUIT",
         {V::MessageBox, V::Quit},
         "Done, ACTION_QUIT"},
        {"http://ACTION_COPY=a,b ACTION_MINIMIZE ACTION_MAXIMIZE",
         {V::Maximize, V::Minimize, V::Copy},
         nullptr},
        {"http://ACTION_USER_SELECT_COPY=a.txt", {V::UserSelectCopy}, "a.txt"},
        {"http://ACTION_BROWSE", {V::Browse}, nullptr},
        {"http://Action_RestoreSize", {V::RestoreSize}, nullptr},
        {"http://ACTION_EJECT", {V::Eject}, nullptr},
        {"http://ACTION_MESSAGEBOX", {V::MessageBox}, nullptr},
        {"http://ACTION_RUN=x=y", {V::Run}, "x=y"},
        {"http://example.com/ACTION_UNKNOWN", {}, nullptr},
        {"file:///disc/index.html", {}, nullptr},
    };
    for (const auto& c : cases) {
        auto r = parseActionAddress(c.address, testMacros());
        std::vector<ActionVerb> verbs;
        for (auto& call : r.calls) verbs.push_back(call.verb);
        EXPECT_EQ(verbs, c.verbs) << c.address;
        EXPECT_EQ(r.isAction(), !c.verbs.empty()) << c.address;
        if (!r.calls.empty()) {
            EXPECT_EQ(r.calls[0].hasArgument, c.firstArgument != nullptr) << c.address;
            if (c.firstArgument) {
                EXPECT_EQ(r.calls[0].argument, c.firstArgument) << c.address;
            }
        }
    }
}

TEST(ActionAddress, ArgumentKeepsItsLetterCase) {
    auto r = parseActionAddress("http://action_messagebox=Setup.EXE%20Done", testMacros());
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0].argument, "Setup.EXE Done");
    EXPECT_EQ(capitalizeFirst("thank you"), "Thank you");
    EXPECT_EQ(capitalizeFirst(""), "");
    EXPECT_EQ(capitalizeFirst("1 file"), "1 file");
}

TEST(ActionArguments, RunCommandsSplitAtTheFirstBlankOnlyBeforeTheName) {
    struct Case {
        const char* command;
        const char* file;
        const char* parameters;
    };
    const Case cases[] = {
        {"notepad.exe readme.txt", "notepad.exe", "readme.txt"},
        {"setup /s", "setup", "/s"},
        {"my file.exe", "my file.exe", ""},
        {"   setup.exe", "setup.exe", ""},
        {"  tool.sh -a -b", "tool.sh", "-a -b"},
        {"readme", "readme", ""},
    };
    for (const auto& c : cases) {
        auto r = splitRunCommand(c.command);
        EXPECT_EQ(r.file, c.file) << c.command;
        EXPECT_EQ(r.parameters, c.parameters) << c.command;
    }
    auto list = runCommands("setup.exe,,readme.txt, notes.txt");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].file, "setup.exe");
    EXPECT_EQ(list[1].file, "readme.txt");
    EXPECT_EQ(list[2].file, "notes.txt");
}

TEST(ActionArguments, CopyDestinationIsAFolderUnlessItNamesTheSource) {
    struct Case {
        const char* argument;
        std::vector<std::pair<std::string, std::string>> pairs;
    };
    const Case cases[] = {
        {"docs\\a.pdf,/home/u/Desktop", {{"docs\\a.pdf", "/home/u/Desktop/docs\\a.pdf"}}},
        {"a.txt,/home/u/Desktop\\a.txt", {{"a.txt", "/home/u/Desktop\\a.txt"}}},
        {"a.txt,/tmp/,b.txt,/tmp/b.txt", {{"a.txt", "/tmp/a.txt"}, {"b.txt", "/tmp/b.txt"}}},
        {"a.txt, /tmp/x, b.txt", {{"a.txt", "/tmp/x/a.txt"}}},  // odd source ignored
        {"a.txt", {}},
        {"x.txt,y, a.txt,out", {{"x.txt", "y/x.txt"}, {"a.txt", "out/a.txt"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> got;
        for (auto& item : copyPairs(c.argument)) got.emplace_back(item.source, item.destination);
        EXPECT_EQ(got, c.pairs) << c.argument;
    }
    auto chosen = userSelectCopyItems("a.txt, docs\\b.pdf", "/home/u/Documents");
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].destination, "/home/u/Documents/a.txt");
    EXPECT_EQ(chosen[1].source, "docs\\b.pdf");
    EXPECT_EQ(chosen[1].destination, "/home/u/Documents/docs\\b.pdf");
    EXPECT_EQ(userSelectCopyItems("a.txt", "/tmp/")[0].destination, "/tmp/a.txt");
}

TEST(ActionArguments, DestinationFolderPart) {
    EXPECT_EQ(destinationFolderPart("/home/u/Desktop/docs\\a.pdf"), "/home/u/Desktop/docs");
    EXPECT_EQ(destinationFolderPart("a\\b/c"), "a\\b");
    EXPECT_EQ(destinationFolderPart("a.txt"), "");
}

TEST(ActionArguments, BrowsePathFromTheDiscRoot) {
    struct Case {
        const char* argument;
        bool hasArgument;
        const char* path;
    };
    const Case cases[] = {
        {"", false, "/media/disc"},
        {"data/docs", true, "/media/disc/data/docs"},
        {"data\\docs", true, "/media/disc/data/docs"},
        {"C:\\Temp", true, "C:/Temp"},
        {"x", true, "/media/disc"},  // too short to name a folder
        {"", true, "/media/disc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(browsePath(c.argument, c.hasArgument, "/media/disc"), c.path) << c.argument;
}

TEST(ActionArguments, BaseFolder) {
    EXPECT_EQ(actionBaseFolder("/media/disc", true, ""), "/media/disc/data");
    EXPECT_EQ(actionBaseFolder("/media/disc", false, ""), "/media/disc");
    EXPECT_EQ(actionBaseFolder("/media/disc", true, "/home/u/.local/share/RondivoTemp/data"),
              "/home/u/.local/share/RondivoTemp/data");
    EXPECT_EQ(copyMessageCaption(""), "CD-ROM Application");
    EXPECT_EQ(copyMessageCaption("My Disc"), "My Disc");
}

}  // namespace
}  // namespace rondivo
