#include "burn/terminal_progress.h"

#include <gtest/gtest.h>

namespace rondivo::burn {
namespace {

TEST(TerminalProgress, ShowsTheDrivesLongOperationInsteadOfTheWrite) {
    EXPECT_EQ(progressLine("Burning", 42, "", -1), "Burning: 42%");
    EXPECT_EQ(progressLine("Burning", 100, "Formatting", 7), "Formatting: 7%");
    EXPECT_EQ(progressLine("Burning", 100, "Closing", -1), "Closing");
}

}  // namespace
}  // namespace rondivo::burn
