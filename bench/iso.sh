#!/usr/bin/env bash
# Saves ISO images of generated trees with our engine and with genisoimage
# -R -J (both write Rock Ridge and Joliet; for the large files also a plain
# cat), alternating the tools and reporting the median of the pair ratios of
# time and the ratio of peak memory. $1: the bench build folder.
set -euo pipefail
build="$(cd "${1:?usage: bench/iso.sh BUILD_DIR}" && pwd)"
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${ISO_BENCH_RUNS:-3}"
only="${ISO_BENCH_ONLY:-big many flat huge}"  # a subset: ISO_BENCH_ONLY=big
command -v genisoimage >/dev/null || { echo "iso bench: genisoimage missing, skipped"; exit 0; }
libs=()
for l in burn vdrive scsi iso platform; do
    [ -f "$build/librondivo_$l.a" ] || { echo "iso bench: $build/librondivo_$l.a missing"; exit 1; }
    libs+=("$build/librondivo_$l.a")
done

work="$(mktemp -d "${TMPDIR:-/tmp}/rondivo-isobench-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# A small driver over the engine: the same calls as the Save ISO command,
# with the layout timed on its own and the peak memory reported.
tool="$build/iso_save_tool"
cat > "$work/tool.cpp" <<'CPP'
#include <sys/resource.h>
#include <chrono>
#include <cstdio>
#include "burn/disc_burner.h"
int main(int argc, char** argv) {
    using clock = std::chrono::steady_clock;
    if (argc != 3) return 2;
    auto t0 = clock::now();
    rondivo::burn::CDiscBurner burner;
    burner.AddFolder("\\", argv[1], "*.*", true);
    std::uint32_t sectors = burner.ComputeLayout();
    auto t1 = clock::now();
    if (!sectors) { std::fprintf(stderr, "%s\n", burner.lastMessage().c_str()); return 1; }
    std::uint64_t metadata = burner.session().layout.firstDataSector * 2048ull;
    int error = 1;
    if (!burner.StartSaveImage(argv[2], [&](int e) { error = e; })) return 1;
    burner.waitUntilDone();
    auto t2 = clock::now();
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    double cpu = ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    std::printf("%.4f %.4f %ld %llu %.4f\n", std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t0).count(), ru.ru_maxrss,
                static_cast<unsigned long long>(metadata / 1024), cpu);
    return error;
}
CPP
g++ -std=c++20 -O2 -I"$here/src" "$work/tool.cpp" "${libs[@]}" -o "$tool" -lpthread \
    $(pkg-config --libs gio-2.0 2>/dev/null)

# The small-file trees: long mixed-case names, 1-4 KiB of varied bytes each.
gen="$work/gen"
cat > "$work/gen.cpp" <<'CPP'
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
namespace fs = std::filesystem;
static std::mt19937 rng(7);
static void fill(const fs::path& folder, int count, const char* prefix) {
    fs::create_directories(folder);
    std::string bytes(4096, '\0');
    for (int i = 0; i < count; ++i) {
        char name[96];
        // Numbers first, so that genisoimage's own 8.3 names differ early
        // and its collision search does not dominate its time.
        std::snprintf(name, sizeof name, "%05d %s Mixed Case Document Name.Html", i, prefix);
        for (auto& c : bytes) c = static_cast<char>(rng());
        std::ofstream(folder / name, std::ios::binary).write(bytes.data(), 1024 + rng() % 3073);
    }
}
int main(int, char** argv) {
    fs::path root = argv[1];
    std::string which = argv[2];
    if (which == "many" || which == "huge") {
        // The image holds at most 200,000 entries, folders included: the
        // large tree has 99 files in each of its 2,000 folders.
        const int folders = which == "many" ? 500 : 2000;
        const int files = which == "many" ? 100 : 99;
        for (int d = 0; d < folders; ++d) {
            char name[64];
            std::snprintf(name, sizeof name, "%04d Folder With A Long Name", d);
            fill(root / which / name, files, "Page");
        }
    }
    if (which == "flat") fill(root / "flat" / "One Big Folder", 20000, "Entry");
}
CPP
g++ -std=c++20 -O2 "$work/gen.cpp" -o "$gen"

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
seconds() { local t0; t0=$(now); "$@" >/dev/null 2>&1; calc "$(now) - $t0"; }
# Peak memory (KiB) of a command, measured the same way for both tools.
peak() { /usr/bin/time -f '%M' -o "$work/peak" "$@" >/dev/null 2>&1; cat "$work/peak"; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# Runs ours and genisoimage alternately; prints medians and the pair-ratio median.
compare() {
    local name="$1" tree="$2" withcat="$3"
    local ratios=() ours=() theirs=() cats=() catratios=() layouts=() rss=() meta=() cpus=() grss=()
    for i in $(seq "$runs"); do
        local t0 line o g c
        # Each tool starts with no write-back of an earlier one pending, and
        # the order alternates so neither always runs first.
        local pair=(ours theirs)
        [ $((i % 2)) -eq 0 ] && pair=(theirs ours)
        for who in "${pair[@]}"; do
            sync
            if [ "$who" = ours ]; then
                t0=$(now); line=$("$tool" "$tree" "$work/ours.iso"); o=$(calc "$(now) - $t0")
                rm -f "$work/ours.iso"
                read -r lay _ maxrss metakib cpu <<<"$line"
            else
                g=$(seconds genisoimage -quiet -R -J -joliet-long -o "$work/theirs.iso" "$tree")
                rm -f "$work/theirs.iso"
                grss+=("$(peak genisoimage -quiet -R -J -joliet-long -o "$work/theirs.iso" "$tree")")
                rm -f "$work/theirs.iso"
            fi
        done
        ours+=("$o"); theirs+=("$g"); layouts+=("$lay"); rss+=("$maxrss"); meta+=("$metakib"); cpus+=("$cpu")
        ratios+=("$(calc "$o / $g")")
        if [ "$withcat" = yes ]; then
            sync
            c=$(seconds sh -c "find '$tree' -type f -print0 | sort -z | xargs -0 cat > '$work/cat.out'")
            rm -f "$work/cat.out"
            cats+=("$c"); catratios+=("$(calc "$o / $c")")
        fi
    done
    printf '%s:\n' "$name"
    printf '  runs: ours %s | genisoimage %s%s\n' "${ours[*]}" "${theirs[*]}" \
        "$([ "$withcat" = yes ] && printf ' | cat %s' "${cats[*]}")"
    printf '  our CPU time (both threads) %.3f s\n' "$(printf '%s\n' "${cpus[@]}" | median)"
    printf '  ours %.3f s (layout %.3f s), genisoimage %.3f s, ours/genisoimage %.2f\n' \
        "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${layouts[@]}" | median)" \
        "$(printf '%s\n' "${theirs[@]}" | median)" "$(printf '%s\n' "${ratios[@]}" | median)"
    if [ "$withcat" = yes ]; then
        printf '  cat %.3f s, ours/cat %.2f\n' "$(printf '%s\n' "${cats[@]}" | median)" \
            "$(printf '%s\n' "${catratios[@]}" | median)"
    fi
    local ourpeak theirpeak
    ourpeak=$(printf '%s\n' "${rss[@]}" | sort -g | tail -1)
    theirpeak=$(printf '%s\n' "${grss[@]}" | sort -g | tail -1)
    printf '  peak memory ours %.1f MiB (metadata buffer %.1f MiB), genisoimage %.1f MiB, ours/genisoimage %.2f\n' \
        "$(calc "$ourpeak / 1024")" "$(calc "${meta[0]} / 1024")" "$(calc "$theirpeak / 1024")" \
        "$(calc "$ourpeak / $theirpeak")"
}

# (a) 2 GiB in 8 files.
if [[ " $only " == *" big "* ]]; then
    mkdir -p "$work/big"
    head -c $((256 << 20)) /dev/urandom > "$work/big/file1.bin"
    for i in 2 3 4 5 6 7 8; do cp "$work/big/file1.bin" "$work/big/file$i.bin"; done
    compare "2 GiB in 8 files" "$work/big" yes
    rm -rf "$work/big"
fi

# (b) 50,000 files of 1-4 KiB in 500 folders, (c) 20,000 in one folder,
# (d) 198,000 in 2,000 folders; each tree made just before it is measured.
tree() {
    local which="$1" title="$2"
    [[ " $only " == *" $which "* ]] || return 0
    "$gen" "$work" "$which"
    compare "$title" "$work/$which" no
    rm -rf "${work:?}/$which"
}
tree many "50,000 files in 500 folders"
tree flat "20,000 files in one folder"
tree huge "198,000 files in 2,000 folders"
