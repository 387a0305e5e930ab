#include "iso/iso_layout.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "iso/iso_bytes.h"
#include "iso/volume_writer.h"

namespace rondivo::iso {

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
    const auto writers = imageWriters(session);
    std::uint64_t next = 16;  // after the system area
    for (const auto& w : writers) next += w->descriptorCount();
    ++next;  // the set terminator
    for (const auto& w : writers) w->computeBlocks(session, next);
    // Whole 64 KiB blocks: the stream is written in them.
    const std::uint64_t volume = (next + 31) / 32 * 32;
    if (volume > 0xFFFFFFFFull) {
        session.refusal = "The files are too large for one disc image.";
        session.status = kStatusIdle;
        return 0;
    }
    l.volumeSize = static_cast<std::uint32_t>(volume);
    session.layoutValid = true;
    session.status = kStatusIdle;
    return l.volumeSize;
}

}  // namespace rondivo::iso
