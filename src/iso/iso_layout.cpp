#include "iso/iso_layout.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "iso/iso_bytes.h"

namespace rondivo::burn {

namespace {

constexpr std::uint32_t kDotRecordsBytes = 68;  // "." and "..", 34 bytes each

template <typename RecordLength>
std::uint32_t directoryBytes(const ImageDir& dir, RecordLength recordLength) {
    std::uint64_t used = kDotRecordsBytes;
    std::uint64_t free = kSectorSize - kDotRecordsBytes;
    for (const ImageEntry* child : dir.children) {
        std::uint32_t r = recordLength(*child);
        if (r > free) {
            used += free + r;
            free = kSectorSize - r;
        } else {
            used += r;
            free -= r;
        }
    }
    return static_cast<std::uint32_t>(sectorsFor(used + free) * kSectorSize);
}

}  // namespace

std::uint32_t isoDirectoryBytes(const ImageDir& dir) {
    return directoryBytes(dir,
                          [](const ImageEntry& e) { return isoRecordLength(e.isoName.size()); });
}

std::uint32_t jolietDirectoryBytes(const ImageDir& dir) {
    return directoryBytes(
        dir, [](const ImageEntry& e) { return jolietRecordLength(e.jolietName.size()); });
}

void orderPathTable(IsoImage& session, std::ostream& log) {
    auto& order = session.pathTable;
    if (order.size() != session.dirs.size()) {
        order.clear();
        for (auto& d : session.dirs) order.push_back(d.get());
    }
    if (order.size() < 2) {
        if (!order.empty()) order[0]->number = 1;
        return;
    }
    // Sorting by the parent's number needs the parents' final numbers, which
    // depend on the order: repeat until numbering and order agree. Each pass
    // settles one more level of the tree.
    for (int pass = 1;; ++pass) {
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i]->number = static_cast<std::uint16_t>(i + 1);
        if (pass > 1000) {
            log << "failed to sort path table\a";
            log.flush();
            return;
        }
        std::sort(order.begin() + 1, order.end(), [](const ImageDir* a, const ImageDir* b) {
            if (a->parent->number != b->parent->number)
                return a->parent->number < b->parent->number;
            return a->longName < b->longName;
        });
        bool settled = true;
        for (std::size_t i = 1; i < order.size() && settled; ++i) {
            if (order[i]->parent->number < order[i - 1]->parent->number ||
                order[i]->number < order[i - 1]->number)
                settled = false;
        }
        if (settled) return;
    }
}

namespace {
// Now, or SOURCE_DATE_EPOCH when set (the reproducible-builds convention):
// two images of one tree are then the same byte for byte.
std::time_t imageCreationTime() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        const long long t = std::strtoll(epoch, &end, 10);
        if (end != epoch && *end == '\0' && t >= 0) return static_cast<std::time_t>(t);
    }
    return std::time(nullptr);
}
}  // namespace

std::uint32_t computeLayout(IsoImage& session) {
    session.status = kStatusLayout;
    session.layoutValid = false;
    if (!session.root) clearImage(session);
    if (!session.refusal.empty()) {
        session.status = kStatusIdle;
        return 0;
    }
    noteVolumeLabel(session);
    session.created = imageTimeFromUnix(imageCreationTime());
    orderPathTable(session, std::cout);
    ImageLayout& l = session.layout;
    l = {};
    std::uint64_t next = 19;  // 16 primary, 17 supplementary, 18 terminator

    std::uint64_t isoTable = 10, jolietTable = 10;
    for (std::size_t i = 1; i < session.pathTable.size(); ++i) {
        const ImageDir* d = session.pathTable[i];
        std::size_t n = d->isoName.size();
        isoTable += 8 + n + (n % 2);
        jolietTable += 8 + 2 * d->longName.size();
    }
    l.isoPathTableBytes = static_cast<std::uint32_t>(isoTable);
    l.jolietPathTableBytes = static_cast<std::uint32_t>(jolietTable);
    l.isoLTable = static_cast<std::uint32_t>(next);
    next += sectorsFor(isoTable);
    l.isoMTable = static_cast<std::uint32_t>(next);
    next += sectorsFor(isoTable);
    l.jolietLTable = static_cast<std::uint32_t>(next);
    next += sectorsFor(jolietTable);
    l.jolietMTable = static_cast<std::uint32_t>(next);
    next += sectorsFor(jolietTable);

    l.isoDirStart = static_cast<std::uint32_t>(next);
    std::uint64_t running = 0;
    for (auto& d : session.dirs) {
        d->isoSector = static_cast<std::uint32_t>(running);
        d->isoSize = isoDirectoryBytes(*d);
        running += d->isoSize / kSectorSize;
    }
    l.isoDirSectors = static_cast<std::uint32_t>(running);
    next += running;

    l.jolietDirStart = static_cast<std::uint32_t>(next);
    running = 0;
    for (auto& d : session.dirs) {
        d->jolietSector = static_cast<std::uint32_t>(running);
        d->jolietSize = jolietDirectoryBytes(*d);
        running += d->jolietSize / kSectorSize;
    }
    l.jolietDirSectors = static_cast<std::uint32_t>(running);
    next += running;

    if (next < kFirstDataSectorMinimum) {
        l.paddingSectors = static_cast<std::uint32_t>(kFirstDataSectorMinimum - next);
        next = kFirstDataSectorMinimum;
    }
    l.firstDataSector = static_cast<std::uint32_t>(next);

    running = 0;
    for (auto& e : session.entries) {
        e->dataSector = 0;
        if (e->dir || e->size == 0) continue;
        e->dataSector = static_cast<std::uint32_t>(running);
        running += sectorsFor(e->size);
    }
    std::uint64_t volume = (next + running + 31) / 32 * 32;
    if (volume > 0xFFFFFFFFull || running > 0xFFFFFFFFull) {
        session.refusal = "The files are too large for one disc image.";
        session.status = kStatusIdle;
        return 0;
    }
    l.dataSectors = static_cast<std::uint32_t>(running);
    l.volumeSize = static_cast<std::uint32_t>(volume);
    session.layoutValid = true;
    session.status = kStatusIdle;
    return l.volumeSize;
}

}  // namespace rondivo::burn
