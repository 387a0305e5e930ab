#include "burn/drive_discovery.h"

#include <algorithm>
#include <cstdio>

#include "platform/debug_log.h"
#include "scsi/scsi_sense.h"

namespace rondivo::burn {

std::string formatDriveDescription(std::uint8_t host, std::uint8_t target, std::uint8_t lun,
                                   char letter, std::span<const std::uint8_t> inquiry) {
    std::array<char, 48> id{};
    for (std::size_t i = 8; i < 48; ++i) {
        const std::uint8_t c = i < inquiry.size() ? inquiry[i] : 0;
        id[i] = c < 32 ? ' ' : static_cast<char>(c);
    }
    char text[160];
    std::snprintf(text, sizeof text, "%d:%d:%d,%c: %.8s %.16s %.4s ", host, target, lun, letter,
                  &id[8], &id[16], &id[32]);
    std::string result = text;
    if (result.size() > kMaxDescription) result.resize(kMaxDescription);
    return result;
}

namespace {

// INQUIRY straight through a transport, before any drive is current.
std::string describeCandidate(scsi::ScsiTransport& transport, const scsi::DriveCandidate& c,
                              std::uint8_t host, std::uint8_t target, std::uint8_t lun) {
    std::array<std::uint8_t, 64> answer{};
    auto block = scsi::makeInquiry(64);
    if (transport.execute(c.device, block, answer.data())) {
        transport.closeHandle();
        block.status = scsi::kStatusPending;
        transport.execute(c.device, block, answer.data());
    }
    transport.closeHandle();
    // Device type 5 with qualifier 0: a CD/DVD drive that is actually there.
    if (block.status != scsi::kStatusDone || answer[0] != 5) return {};
    return formatDriveDescription(host, target, lun, c.letter, answer);
}

DriveEntry entryFor(scsi::ScsiTransport& t, const scsi::DriveCandidate& c, std::uint8_t host,
                    std::uint8_t target, std::uint8_t lun) {
    DriveEntry e;
    e.letter = c.letter;
    e.hostAdapter = host;
    e.target = target;
    e.lun = lun;
    e.device = c.device;
    e.transport = &t;
    e.description = describeCandidate(t, c, host, target, lun);
    return e;
}

int nextHostAdapter(const std::vector<DriveEntry>& rows) {
    int next = 0;
    for (const auto& r : rows) next = std::max(next, r.hostAdapter + 1);
    return next;
}

}  // namespace

bool DiscoverDrives(DriveState& state,
                    std::vector<std::unique_ptr<scsi::ScsiTransport>> transports) {
    state.drives.clear();
    state.transports = std::move(transports);
    bool available = false;
    state.currentRow = -1;

    for (auto& t : state.transports) {
        if (t->kind() == scsi::TransportKind::Virtual || available) continue;
        const auto candidates = t->listDrives();
        std::vector<DriveEntry> rows;
        std::vector<const scsi::DriveCandidate*> withoutAddress;
        for (const auto& c : candidates) {
            if (rows.size() >= kMaxDriveRows) break;
            if (c.hasAddress) {
                rows.push_back(entryFor(*t, c, c.hostAdapter, c.target, c.lun));
            } else {
                withoutAddress.push_back(&c);
            }
        }
        // A pass-through transport counts only when some drive told its address;
        // drives that did not then follow, numbered on from the highest adapter.
        if (t->kind() == scsi::TransportKind::PassThrough && rows.empty()) continue;
        for (const auto* c : withoutAddress) {
            if (rows.size() >= kMaxDriveRows) break;
            const int host = nextHostAdapter(rows);
            rows.push_back(entryFor(*t, *c, static_cast<std::uint8_t>(host), 0, 0));
        }
        state.drives = std::move(rows);
        available = true;
    }

    for (auto& t : state.transports) {
        if (t->kind() != scsi::TransportKind::Virtual) continue;
        for (const auto& c : t->listDrives()) {
            if (state.drives.size() >= kMaxDriveRows) break;
            const int host = nextHostAdapter(state.drives);
            state.drives.push_back(entryFor(*t, c, static_cast<std::uint8_t>(host), 0, 0));
            available = true;
        }
    }
    platform::debugLog("drives found: " + std::to_string(state.drives.size()));
    return available;
}

std::string GetDriveDescription(const DriveState& state, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= state.rowCount()) return {};
    return state.drives[static_cast<std::size_t>(row)].description;
}

void readCapabilities(DriveState& state) {
    // A drive that does not answer must not inherit the previous drive's page.
    state.capabilities.fill(0);
    for (bool defaults : {true, false}) {
        auto block = scsi::makeModeSense10(scsi::kPageCapabilities, defaults, 128);
        if (ExecuteCommand(state, block) != scsi::kStatusDone) continue;
        const std::span<const std::uint8_t> answer(state.data.data(), 128);
        if (auto offset = scsi::findModePage(answer, scsi::kPageCapabilities)) {
            std::copy_n(answer.begin() + static_cast<std::ptrdiff_t>(*offset),
                        scsi::kCapabilitiesCopySize, state.capabilities.begin());
        }
    }
    const auto caps = scsi::parseCapabilities(state.capabilities);
    state.maxWriteSpeed = scsi::speedFactorFromKbps(caps.maxWriteKbps);
    state.currentWriteSpeed = scsi::speedFactorFromKbps(caps.currentWriteKbps);
}

bool SelectDrive(DriveState& state, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= state.rowCount()) return false;
    if (state.currentRow >= 0)
        state.drives[static_cast<std::size_t>(state.currentRow)].transport->closeHandle();
    const auto& entry = state.drives[static_cast<std::size_t>(row)];
    state.currentRow = row;
    state.holdHandle = false;
    entry.transport->closeHandle();

    auto inquiry = scsi::makeInquiry(32);
    const bool ok = ExecuteCommand(state, inquiry) == scsi::kStatusDone;
    readCapabilities(state);
    return ok;
}

bool IsDriveRecordable(const DriveState& state) {
    return state.capabilities[3] != 0;
}

std::uint8_t GetCurrentWriteSpeed(DriveState& state) {
    readCapabilities(state);
    return state.currentWriteSpeed;
}

std::uint8_t GetMaxWriteSpeed(DriveState& state) {
    readCapabilities(state);
    return state.maxWriteSpeed;
}

std::uint8_t ExecuteCommand(DriveState& state, scsi::CommandBlock& block,
                            std::span<std::uint8_t> data) {
    block.senseLength = scsi::kRequestedSenseLength;
    block.status = scsi::kStatusPending;
    block.targetStatus = 0;
    block.hostAdapterStatus = 0;
    block.sense.fill(0);
    state.transportMessage.clear();

    if (data.empty()) data = state.data;
    const bool selected =
        state.currentRow >= 0 && static_cast<std::size_t>(state.currentRow) < state.rowCount();
    if (!selected || block.dataLength > data.size()) {
        // Never let a drive write past the buffer, nor send to no drive at all.
        block.status = scsi::kStatusError;
        block.hostAdapterStatus = 0xFF;
        state.transportMessage = selected ? "the answer does not fit" : "no drive is selected";
    } else {
        // An answer shorter than asked for must not leave stale bytes behind.
        if (block.readsData()) std::fill_n(data.begin(), block.dataLength, 0);
        auto& entry = state.drives[static_cast<std::size_t>(state.currentRow)];
        if (entry.transport->execute(entry.device, block, data.data())) {
            // A fresh handle clears the system's idea of the old disc; a burn
            // keeps its handle and only repeats the command.
            if (!state.holdHandle) entry.transport->closeHandle();
            block.status = scsi::kStatusPending;
            block.sense.fill(0);
            entry.transport->execute(entry.device, block, data.data());
        }
        if (block.status != scsi::kStatusDone)
            state.transportMessage = entry.transport->lastFailure();
        if (state.releaseHandle && !state.holdHandle) entry.transport->closeHandle();
    }

    state.sense = block.sense;
    const auto sense = scsi::decodeSense(state.sense);
    // The drive corrected the error itself: the command did what it was asked.
    if (block.status != scsi::kStatusDone && sense.valid &&
        scsi::judgeSense(sense) == scsi::SenseVerdict::Success &&
        block.targetStatus == scsi::kScsiStatusCheckCondition) {
        block.status = scsi::kStatusDone;
    }
    state.busy = block.status != scsi::kStatusDone && block.targetStatus == scsi::kScsiStatusBusy;
    state.transportFailed = block.status != scsi::kStatusDone && !state.busy && !sense.valid;
    if (block.status != scsi::kStatusDone && sense.asc != 0)
        state.lastError = static_cast<std::uint16_t>(sense.asc << 8 | sense.ascq);
    return block.status;
}

int TakeLastError(DriveState& state, int& engineError) {
    if (engineError != 0) {
        const int e = engineError;
        engineError = 0;
        return e;
    }
    return TakeLastError(state);
}

int TakeLastError(DriveState& state) {
    return state.lastError.exchange(0);
}

}  // namespace rondivo::burn
