#include "disc/action_address.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "disc/percent_coding.h"
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
}

// What IE hands the navigation hook for an address it was given: blanks as
// %20, letters beyond ASCII as their UTF-8 bytes in %XX.
std::string asIeWrites(std::string_view address) {
    std::string out;
    for (unsigned char c : address) {
        if (c != ' ' && c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char escape[4];
        std::snprintf(escape, sizeof escape, "%%%02X", c);
        out += escape;
    }
    return out;
}

// Given the address the editor writes for each verb, the player should read
// back that verb and that argument whichever way the click reaches it: as
// written, carried by the page's script through our scheme, or through the
// engine's navigation with IE's escapes undone by the router.
TEST(ActionAddress, EveryVerbReadsBackWhatTheEditorWrote) {
    using V = ActionVerb;
    const struct {
        ActionVerb verb;
        const char* argument;
    } rows[] = {
        {V::MessageBox, "Grüße + Dank, bis bald"},
        {V::Quit, ""},
        {V::Run, "setup.exe /s,read me.txt"},
        {V::Browse, ""},
        {V::Browse, "docs\\manuals"},
        {V::Maximize, ""},
        {V::RestoreSize, ""},
        {V::Minimize, ""},
        {V::Eject, ""},
        {V::UserSelectCopy, "a.pdf,b c.pdf"},
        {V::Copy, "a.pdf,out,b.pdf,out"},
    };
    for (const ActionVerbInfo& info : actionVerbs())
        EXPECT_TRUE(std::any_of(std::begin(rows), std::end(rows),
                                [&](const auto& r) { return r.verb == info.verb; }))
            << info.name << " has no row";
    for (const auto& r : rows) {
        const std::string written = buildActionAddress(r.verb, r.argument);
        const std::string forms[] = {
            written,
            carriedAddress(kActionScheme, carryAddress(kActionScheme, written)).value_or(""),
            percentDecode(asIeWrites(written)),
        };
        for (const std::string& form : forms) {
            EXPECT_TRUE(isActionAddress(form)) << form;
            auto request = parseActionAddress(form, testMacros());
            ASSERT_EQ(request.calls.size(), 1u) << form;
            EXPECT_EQ(request.calls[0].verb, r.verb) << form;
            EXPECT_EQ(request.calls[0].hasArgument, *r.argument != '\0') << form;
            EXPECT_EQ(request.calls[0].argument, r.argument) << form;
        }
    }
    // Without the router's decoding only the blanks come back; "+" is never a blank.
    auto raw = parseActionAddress(asIeWrites("http://ACTION_MESSAGEBOX=a b+c"), testMacros());
    ASSERT_EQ(raw.calls.size(), 1u);
    EXPECT_EQ(raw.calls[0].argument, "a b+c");
}

std::vector<std::string> texts(std::string_view text, const std::vector<TextSpan>& spans) {
    std::vector<std::string> out;
    for (const TextSpan& s : spans) out.emplace_back(text.substr(s.begin, s.end - s.begin));
    return out;
}

TEST(ActionAddress, FileSpansAreTheFilesOnTheDisc) {
    const struct {
        const char* link;
        std::vector<std::string> files;
    } rows[] = {
        {"http://ACTION_RUN=C:\\tools\\setup.exe", {"C:\\tools\\setup.exe"}},
        {"ACTION_RUN=setup.exe /s, readme.txt", {"setup.exe", "readme.txt"}},
        {"http://ACTION_COPY=a.pdf,{desktop},C:\\b.pdf,C:\\Temp", {"a.pdf", "C:\\b.pdf"}},
        {"http://action_user_select_copy=a.pdf,b.pdf", {"a.pdf", "b.pdf"}},
        {"http://ACTION_BROWSE=C:\\Temp", {}},
        {"http://ACTION_MESSAGEBOX=C:\\x.txt", {}},
        {"http://ACTION_RUN", {}},
        {"index.html", {}},
    };
    for (const auto& r : rows) EXPECT_EQ(texts(r.link, actionFileSpans(r.link)), r.files) << r.link;
}

TEST(ActionAddress, PrivateSchemesCarryAnyAddressIntact) {
    const std::string address = "http://example.com/a b?q=1&r=%41#top:ü";
    for (std::string_view scheme : {kActionScheme, kNewWindowScheme}) {
        std::string navigation = carryAddress(scheme, address);
        EXPECT_EQ(navigation.substr(scheme.size()).find_first_of(" ?&#:"), std::string::npos)
            << navigation;
        EXPECT_EQ(carriedAddress(scheme, navigation), address);
    }
    // The page's script encodes with encodeURIComponent, which keeps these as they are.
    EXPECT_EQ(carriedAddress(kNewWindowScheme, "rondivo-open:http%3A%2F%2Fx.org%2F(a)!*'"),
              "http://x.org/(a)!*'");
    EXPECT_EQ(carriedAddress(kActionScheme, "http://ACTION_QUIT"), std::nullopt);
    EXPECT_EQ(carriedAddress(kActionScheme, carryAddress(kNewWindowScheme, "x")), std::nullopt);
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

}  // namespace
}  // namespace rondivo
