// Costs that grow with the number of links in a page: the Menu Creator's save
// (every plain link opens in a new window) and the build's repair of links
// written as absolute Windows paths.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "designer/linked_file_scanner.h"
#include "menucreator/menu_page.h"

namespace {

namespace fs = std::filesystem;

void BM_MenuSaveBlankTargets(benchmark::State& state) {
    std::string page = "<HTML><BODY>\n";
    for (int i = 0; i < state.range(0); ++i)
        page += i % 2 ? "<A HREF=\"http://example.com/" + std::to_string(i) + "\">x</A>\n"
                      : "<a href=\"http://ACTION_RUN=p" + std::to_string(i) + ".exe\">r</a>\n";
    page += "</BODY></HTML>\n";
    for (auto _ : state) benchmark::DoNotOptimize(rondivo::menucreator::addBlankTargets(page));
}
BENCHMARK(BM_MenuSaveBlankTargets)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// A page whose pictures are named as "C:\...\picNNNNN.gif"; the
// pictures exist, so every link is copied and rewritten.
struct AbsoluteLinkSite {
    fs::path root;
    std::string page;
    explicit AbsoluteLinkSite(int links) {
        std::string tmpl = (fs::temp_directory_path() / "rondivo-linkbench-XXXXXX").string();
        root = mkdtemp(tmpl.data());
        fs::create_directories(root / "pics");
        fs::create_directories(root / "site");
        std::string win = "C:" + (root / "pics").string();
        for (auto& c : win)
            if (c == '/') c = '\\';
        for (int i = 0; i < links; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "pic%05d.gif", i);
            std::ofstream(root / "pics" / name) << 'g';
            page += "<img src=\"" + win + "\\" + name + "\">\n";
        }
    }
    ~AbsoluteLinkSite() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void BM_BuildAbsoluteLinkRepair(benchmark::State& state) {
    AbsoluteLinkSite site(static_cast<int>(state.range(0)));
    const fs::path dest = site.root / "out";
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove_all(dest, ec);
        fs::create_directories(dest);
        std::ofstream(site.root / "site" / "index.html", std::ios::trunc) << site.page;
        std::ofstream(dest / "index.html", std::ios::trunc) << site.page;
        int counter = 0;
        rondivo::LinkedFileScanner scanner(counter);
        scanner.setDestinationRoot(dest);
        // Every link is unresolved, as the scan of the page leaves it.
        scanner.collectAbsolutePaths(site.page);
        state.ResumeTiming();
        scanner.repairAbsoluteLinks(site.root / "site" / "index.html", dest, site.root / "site",
                                    true);
        benchmark::DoNotOptimize(scanner.unresolved().size());
    }
}
BENCHMARK(BM_BuildAbsoluteLinkRepair)
    ->Arg(5000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
