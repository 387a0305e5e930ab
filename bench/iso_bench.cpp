// Image builder costs that do not depend on the disk: adding a large flat
// folder, laying it out, and emitting its metadata.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "iso/iso_layout.h"
#include "iso/iso_metadata.h"
#include "iso/iso_names.h"

namespace {

namespace fs = std::filesystem;
using namespace rondivo;

// 20,000 one-byte files with long mixed-case names, made once per run and
// removed at exit.
struct FlatFolder {
    fs::path path;
    FlatFolder() {
        std::string tmpl = (fs::temp_directory_path() / "rondivo-isobench-XXXXXX").string();
        path = mkdtemp(tmpl.data());
        for (int i = 0; i < 20000; ++i) {
            char name[96];
            std::snprintf(name, sizeof name, "Entry Mixed Case Document Number %05d.Html", i);
            std::ofstream(path / name) << 'x';
        }
    }
    ~FlatFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const fs::path& flatFolder() {
    static FlatFolder folder;
    return folder.path;
}

void BM_AddAndLayoutFlatFolder(benchmark::State& state) {
    const fs::path& folder = flatFolder();
    for (auto _ : state) {
        iso::IsoImage session;
        iso::clearImage(session);
        iso::addFolder(session, "\\", folder, "*.*", true);
        benchmark::DoNotOptimize(iso::computeLayout(session));
    }
}
BENCHMARK(BM_AddAndLayoutFlatFolder)->Unit(benchmark::kMillisecond);

void BM_EmitMetadataFlatFolder(benchmark::State& state) {
    iso::IsoImage session;
    iso::clearImage(session);
    iso::addFolder(session, "\\", flatFolder(), "*.*", true);
    iso::computeLayout(session);
    for (auto _ : state) {
        iso::emitMetadata(session);
        benchmark::DoNotOptimize(session.metadata.data());
    }
}
BENCHMARK(BM_EmitMetadataFlatFolder)->Unit(benchmark::kMillisecond);

void BM_ShortNamesSharingAStem(benchmark::State& state) {
    for (auto _ : state) {
        iso::ShortNameTable table;
        for (int i = 0; i < state.range(0); ++i)
            benchmark::DoNotOptimize(table.assign(
                u"Document number " + std::u16string(1, u'a' + i % 26) + u".html", false));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ShortNamesSharingAStem)->Range(1000, 64000)->Complexity();

}  // namespace
