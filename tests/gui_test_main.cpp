// Window tests: wxWidgets is initialised once, without running a main loop;
// each test drives its windows through posted events and Yield.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

// The sanitizer run has the programs the tests start write their reports into
// $RONDIVO_SANITIZER_REPORTS; a test may kill a program or not look at its exit
// status, so any report there fails the run that left it. Each is shown once.
bool sanitizerReportsLeft() {
    const char* dir = std::getenv("RONDIVO_SANITIZER_REPORTS");
    if (!dir || !*dir) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    bool any = false;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() == ".seen") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::cerr << "Sanitizer report " << entry.path().filename().string() << ":\n"
                  << in.rdbuf() << "\n";
        fs::rename(entry.path(), entry.path().string() + ".seen", ec);
        any = true;
    }
    return any;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (done by the build) needs no display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    wxApp::SetInstance(new wxApp());
    wxInitializer init(argc, argv);
    if (!init.IsOk()) {
        fprintf(stderr, "wxWidgets could not be initialised (no display?)\n");
        return 1;
    }
    wxInitAllImageHandlers();
    int status = RUN_ALL_TESTS();
    if (sanitizerReportsLeft()) status = 1;
    return status;
}
