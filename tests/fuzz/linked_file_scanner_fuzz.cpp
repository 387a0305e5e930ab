// A page (or a batch file) as an author wrote it: the scanner must finish
// and never write outside the distributable folder, nor into the site.
#include <cstdlib>
#include <filesystem>

#include "designer/linked_file_scanner.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;

namespace {

// A small site the page may link to, with a file beside the destination
// that links climbing out of it would reach.
void layOutSite(const fs::path& root) {
    using rondivo::fuzz::writeBytes;
    fs::create_directories(root / "site" / "pics");
    fs::create_directories(root / "out" / "dest");
    writeBytes(root / "site" / "a.gif", "g");
    writeBytes(root / "site" / "pics" / "b.jpg", "j");
    writeBytes(root / "site" / "sub.html", "<img src=\"a.gif\"><a href=\"../escape.gif\">");
    writeBytes(root / "site" / "run.bat", "start /wait a.gif\r\n");
    writeBytes(root / "escape.gif", "outside");
}

std::size_t entriesIn(const fs::path& p) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(p), fs::directory_iterator()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    const fs::path root = fuzz::freshScratch("scan");
    layOutSite(root);
    const bool batch = size > 0 && data[0] == 'B';
    const fs::path page = root / "site" / (batch ? "page.bat" : "index.html");
    fuzz::writeBytes(page, fuzz::text(data, size));
    fs::copy_file(page, root / "out" / "dest" / page.filename());

    int counter = 0;
    LinkedFileScanner scanner(counter);
    scanner.scanLinkedFiles(page, root / "out" / "dest", true);
    scanner.collectAbsolutePaths(fuzz::text(data, size));

    // Nothing beside the destination, nothing new in the site or above it.
    if (entriesIn(root / "out") != 1 || entriesIn(root) != 3 || entriesIn(root / "site") != 5 ||
        entriesIn(root / "site" / "pics") != 1)
        std::abort();
    for (const fs::path& copied : scanner.copied()) {
        auto rel = copied.lexically_normal().lexically_relative(root / "out" / "dest");
        if (rel.empty() || *rel.begin() == "..") std::abort();
    }
    return 0;
}
