// Window tests: wxWidgets is initialised once, without running a main loop;
// each test drives its windows through posted events and Yield.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery at build time lists the tests without a display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new wxApp());
    wxInitializer init(argc, argv);
    if (!init.IsOk()) {
        fprintf(stderr, "wxWidgets could not be initialised (no display?)\n");
        return 1;
    }
    wxInitAllImageHandlers();
    return RUN_ALL_TESTS();
}
