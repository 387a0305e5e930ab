// Every script we put into pages must also run in the IE 11 engine of the
// Windows player: ES5 syntax, and none of the DOM calls IE 11 lacks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "menucreator/menu_editor_script.h"
#include "platform/process.h"
#include "player/media_compat.h"
#include "player/page_scripts.h"
#include "test_support.h"

namespace rondivo {
namespace {

std::vector<std::pair<std::string, std::string>> injectedScripts() {
    return {{"action links", actionLinkScript()},
            {"new windows", newWindowScript()},
            {"back keys", backScript()},
            {"no right click", noRightClickScript()},
            {"media compatibility", mediaCompatScript()},
            {"menu editor", menucreator::menuEditorScript()}};
}

TEST(InjectedScripts, ParseAsEcmaScript5) {
    auto acorn = platform::findOnPath("acorn");
    if (!acorn) GTEST_SKIP() << "acorn (Debian package node-acorn) is not installed";
    test::TempDir t;
    for (const auto& [name, script] : injectedScripts()) {
        SCOPED_TRACE(name);
        const auto file = t / "script.js";
        test::writeFile(file, script);
        auto r = test::runProgram({acorn->string(), "--ecma5", "--silent", file.string()});
        EXPECT_EQ(r.status, 0) << r.output;
    }
}

TEST(InjectedScripts, UseNoCallIe11Lacks) {
    for (const auto& [name, script] : injectedScripts())
        for (const char* call : {".remove()", "fetch(", ".classList", ".closest(", ".includes(",
                                 "Array.from", "Object.assign", "Promise", ".append(", ".prepend("})
            EXPECT_THAT(script, ::testing::Not(::testing::HasSubstr(call))) << name;
    // NodeList.forEach and Element.matches are missing there too (std::regex:
    // GoogleTest's own regex on Windows knows no bracket expressions).
    const std::regex forEachOfList(R"(querySelectorAll\([^)]*\)\.forEach)");
    for (const auto& [name, script] : injectedScripts()) {
        EXPECT_FALSE(std::regex_search(script, forEachOfList)) << name;
        EXPECT_THAT(script, ::testing::Not(::testing::HasSubstr(".matches("))) << name;
    }
}

}  // namespace
}  // namespace rondivo
