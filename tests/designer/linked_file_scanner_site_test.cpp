// The scanner on a real site nobody here wrote: the Debian Reference manual
// (package debian-reference-en, installed by scripts/setup). The expected
// files were found by another route: a crawler built on Python's HTML parser
// that follows href/src attributes from index.html.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "designer/linked_file_scanner.h"
#include "test_support.h"

namespace rondivo {
namespace {

namespace fs = std::filesystem;

TEST(LinkedFileScannerSite, CopiesEveryPageAndPictureTheDebianReferenceReaches) {
    const fs::path site = "/usr/share/debian-reference";
    if (!fs::exists(site / "index.html") || !fs::exists(site / "index.en.html"))
        GTEST_SKIP() << "debian-reference-en is not installed";
    test::TempDir dir;
    const fs::path dest = dir / "CD-ROM Distributable Files";
    fs::create_directories(dest);
    fs::copy_file(site / "index.html", dest / "index.html");

    int counter = 0;
    LinkedFileScanner scanner(counter);
    auto started = std::chrono::steady_clock::now();
    scanner.scanLinkedFiles(site / "index.html", dest, true);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    RecordProperty("scan_ms", static_cast<int>(ms.count()));

    std::set<std::string> files;
    for (fs::recursive_directory_iterator it(dest), end; it != end; ++it)
        if (it->is_regular_file())
            files.insert(it->path().lexically_relative(dest).generic_string());
    const std::set<std::string> expected = {
        "index.html",
        "index.en.html",
        "pr01.en.html",
        "ch01.en.html",
        "ch02.en.html",
        "ch03.en.html",
        "ch04.en.html",
        "ch05.en.html",
        "ch06.en.html",
        "ch07.en.html",
        "ch08.en.html",
        "ch09.en.html",
        "ch10.en.html",
        "ch11.en.html",
        "ch12.en.html",
        "apa.en.html",
        "debian-reference.css",
        "debian-reference.en.pdf",
        "debian-reference.en.txt.gz",
        "images/caution.png",
        "images/home.png",
        "images/next.png",
        "images/note.png",
        "images/prev.png",
        "images/tip.png",
        "images/warning.png",
    };
    EXPECT_EQ(files.size(), 26u);
    EXPECT_EQ(files, expected);
    EXPECT_EQ(scanner.scannedPages().size(), 16u) << "each page read once";

    // Pictures and other files arrive byte for byte.
    for (const auto& f : files) {
        if (f.find(".html") != std::string::npos) continue;
        EXPECT_EQ(test::readFile(dest / f), test::readFile(site / f)) << f;
    }
}

}  // namespace
}  // namespace rondivo
