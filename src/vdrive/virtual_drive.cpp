#include <cctype>
#include <cstdlib>

#include "platform/file_io.h"
#include "scsi/scsi_sense.h"
#include "vdrive/virtual_drive_impl.h"

namespace rondivo::vdrive {

using namespace virtualdrive;

std::optional<std::uint16_t> profileFromName(const std::string& name) {
    std::string lower;
    for (char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto* m = virtualdrive::modelNamed(lower)) return m->profile;
    return std::nullopt;
}

std::string profileName(std::uint16_t p) {
    const auto* m = virtualdrive::modelFor(p);
    return m ? m->name : "none";
}

void VirtualDrive::Impl::load(const MediumModel& m) {
    medium.load(m);
    params = WriteParameters{};
    timestamp.clear();
    trayOpen = false;
    writeKbps = maxWriteKbps();
    pendingPolls = becomingReadyPolls;
    pendingTotal = 0;
    pendingAscq = 0x01;
    if (fd >= 0) platform::closeFile(fd);
    fd = -1;
}
// Faults and states that answer before the command is looked at.
bool VirtualDrive::Impl::answeredEarly(std::uint8_t op) {
    if (op == 0x12 || op == 0x03) return false;  // INQUIRY and REQUEST SENSE always answer
    if (mediumChange) {
        mediumChange = false;
        return fail(0x6, 0x28, 0x00), true;
    }
    if (busy.matches(op)) {
        --busy.times;
        status = scsi::kScsiStatusBusy;
        return true;
    }
    if (notReady.matches(op)) {
        --notReady.times;
        return fail(0x2, 0x04, notReadyAscq), true;
    }
    // GET CONFIGURATION answers while the drive is busy with a long operation.
    if (pendingPolls > 0 && op != 0x46) {
        --pendingPolls;
        if (pendingTotal > 0) progress = 65536 * (pendingTotal - pendingPolls) / (pendingTotal + 1);
        return fail(0x2, 0x04, pendingAscq), true;
    }
    if (senseFault.when.matches(op) && senseFault.key != 0x1) {
        --senseFault.when.times;
        return fail(senseFault.key, senseFault.asc, senseFault.ascq), true;
    }
    return false;
}

bool VirtualDrive::Impl::directionFits(const Command& cmd, const scsi::CommandBlock& block,
                                       const std::uint8_t* data) {
    const bool in = block.readsData(), out = block.writesData();
    if (block.dataLength == 0) return true;
    if (!data || (in && cmd.direction != 'i') || (out && cmd.direction != 'o')) return false;
    return in || out;
}

void VirtualDrive::Impl::run(scsi::CommandBlock& block, std::uint8_t* data) {
    const std::uint8_t op = block.cdb[0];
    status = 0;
    key = asc = ascq = 0;
    progress = -1;
    note.clear();
    const Command* cmd = findCommand(op);
    if (!cmd) return illegal(0x20);
    if (!directionFits(*cmd, block, data)) return illegal(0x24);
    if (answeredEarly(op)) return;
    if (cmd->needsMedium && trayOpen) return fail(0x2, 0x3A, 0x02);
    if (cmd->needsMedium && !medium.present) return fail(0x2, 0x3A, 0x01);
    (this->*cmd->handler)(Request{block.cdb.data(), data, block.dataLength});
    if (status == scsi::kScsiStatusGood && senseFault.when.matches(op)) {
        --senseFault.when.times;  // recovered error: done, and said so
        fail(senseFault.key, senseFault.asc, senseFault.ascq);
    }
    if (longOperation && status == scsi::kScsiStatusGood) {
        pendingPolls = pendingTotal = longOperationPolls;
        pendingAscq = *longOperation;
    }
    longOperation.reset();
}

namespace {
using Command = VirtualDrive::Impl::Command;
using Impl = VirtualDrive::Impl;
const Command kCommands[] = {
    {0x00, &Impl::testUnitReady, '-', true},
    {0x01, &Impl::rezero, '-', false},
    {0x03, &Impl::requestSense, 'i', false},
    {0x04, &Impl::formatUnit, 'o', true},
    {0x12, &Impl::inquiry, 'i', false},
    {0x1B, &Impl::startStop, '-', false},
    {0x1E, &Impl::preventAllow, '-', false},
    {0x23, &Impl::readFormatCapacities, 'i', true},
    {0x2A, &Impl::write, 'o', true},
    {0x35, &Impl::synchronizeCache, '-', true},
    {0x43, &Impl::readAtip, 'i', true},
    {0x46, &Impl::getConfiguration, 'i', false},
    {0x51, &Impl::readDiscInformation, 'i', true},
    {0x52, &Impl::readTrackInformation, 'i', true},
    {0x53, &Impl::reserveTrack, '-', true},
    {0x55, &Impl::modeSelect, 'o', false},
    {0x5A, &Impl::modeSense, 'i', false},
    {0x5B, &Impl::closeTrackSession, '-', true},
    {0x5C, &Impl::readBufferCapacity, 'i', true},
    {0xA1, &Impl::blank, '-', true},
    {0xB6, &Impl::setStreaming, 'o', true},
    {0xBB, &Impl::setCdSpeed, '-', false},
    {0xBF, &Impl::sendDiscStructure, 'o', true},
};
}  // namespace

const Command* VirtualDrive::Impl::findCommand(std::uint8_t op) {
    for (const auto& c : kCommands)
        if (c.op == op) return &c;
    return nullptr;
}

VirtualDrive::VirtualDrive(std::filesystem::path imageFile, std::uint16_t mediumProfile)
    : imageFile_(std::move(imageFile)), impl_(std::make_unique<Impl>()) {
    impl_->file = imageFile_;
    const auto* model = virtualdrive::modelFor(mediumProfile);
    impl_->load(model ? *model : *virtualdrive::modelFor(profile::kCdR));
    traceToStderr_ = std::getenv("RONDIVO_DEBUG") != nullptr;
}

VirtualDrive::~VirtualDrive() {
    if (impl_->fd >= 0) platform::closeFile(impl_->fd);
}

bool VirtualDrive::execute(scsi::CommandBlock& block, std::uint8_t* data) {
    std::lock_guard lock(mutex_);
    Impl& d = *impl_;
    if (d.noSense.matches(block.cdb[0])) {
        --d.noSense.times;
        traceRefusedLocked(block);
        return false;
    }
    d.run(block, data);
    block.targetStatus = d.status;
    block.hostAdapterStatus = 0;
    block.sense.fill(0);
    if (d.status == scsi::kScsiStatusCheckCondition) {
        scsi::encodeFixedSense(block.sense, d.key, d.asc, d.ascq);
        if (d.progress >= 0) {
            block.sense[15] = 0x80;  // sense-key specific: progress indication
            scsi::putBe16(&block.sense[16], static_cast<std::uint16_t>(d.progress));
        }
        std::copy_n(block.sense.begin(), d.lastSense.size(), d.lastSense.begin());
    } else if (block.cdb[0] != 0x03) {
        d.lastSense.fill(0);
    }
    block.status = d.status == scsi::kScsiStatusGood ? scsi::kStatusDone : scsi::kStatusError;

    TraceEntry e;
    e.cdb = block.cdb;
    e.cdbLength = block.cdbLength;
    e.dataLength = block.dataLength;
    e.scsiStatus = d.status;
    e.senseKey = d.key;
    e.asc = d.asc;
    e.ascq = d.ascq;
    e.note = d.note;
    record(e);
    return d.status == scsi::kScsiStatusCheckCondition && d.key == 0x6 && d.asc == 0x28;
}

void VirtualDrive::record(const TraceEntry& e) {
    impl_->trace.push_back(e);
    if (traceToStderr_) std::fprintf(stderr, "%s\n", e.line().c_str());
}

void VirtualDrive::traceRefusedLocked(scsi::CommandBlock& block) {
    block.status = scsi::kStatusError;
    block.hostAdapterStatus = 0xFF;
    block.targetStatus = 0;
    block.sense.fill(0);
    TraceEntry e;
    e.cdb = block.cdb;
    e.cdbLength = block.cdbLength;
    e.dataLength = block.dataLength;
    e.reachedDrive = false;
    record(e);
}

void VirtualDrive::traceRefused(scsi::CommandBlock& block) {
    std::lock_guard lock(mutex_);
    traceRefusedLocked(block);
}

void VirtualDrive::failNotReady(int times, std::optional<std::uint8_t> opcode, std::uint8_t ascq) {
    std::lock_guard lock(mutex_);
    impl_->notReady = Fault{times, opcode};
    impl_->notReadyAscq = ascq;
}

void VirtualDrive::failBusy(int times, std::optional<std::uint8_t> opcode) {
    std::lock_guard lock(mutex_);
    impl_->busy = Fault{times, opcode};
}

void VirtualDrive::failWriteAtSector(std::uint32_t sector) {
    std::lock_guard lock(mutex_);
    impl_->writeErrorSector = sector;
}

void VirtualDrive::reportMediumChange() {
    std::lock_guard lock(mutex_);
    impl_->mediumChange = true;
}

void VirtualDrive::answerWith(std::uint8_t opcode, std::uint8_t key, std::uint8_t asc,
                              std::uint8_t ascq, int times) {
    std::lock_guard lock(mutex_);
    impl_->senseFault = SenseFault{Fault{times, opcode}, key, asc, ascq};
}

void VirtualDrive::failWithoutSense(std::uint8_t opcode, int times) {
    std::lock_guard lock(mutex_);
    impl_->noSense = Fault{times, opcode};
}

void VirtualDrive::setLongOperationPolls(int polls) {
    std::lock_guard lock(mutex_);
    impl_->longOperationPolls = polls;
}

void VirtualDrive::setBecomingReadyPolls(int polls) {
    std::lock_guard lock(mutex_);
    impl_->becomingReadyPolls = polls;
    impl_->pendingPolls = polls;
    impl_->pendingTotal = 0;
    impl_->pendingAscq = 0x01;
}

void VirtualDrive::setNegativeAddressOnBlank(bool on) {
    std::lock_guard lock(mutex_);
    impl_->negativeAddress = on;
}

void VirtualDrive::setLeftoverTestWrite() {
    std::lock_guard lock(mutex_);
    impl_->params.testWrite = true;
}

void VirtualDrive::setUnderrunProtection(bool offered) {
    std::lock_guard lock(mutex_);
    impl_->underrunProtection = offered;
}

void VirtualDrive::setQuickFormatOffered(bool offered) {
    std::lock_guard lock(mutex_);
    impl_->quickFormatOffered = offered;
}

void VirtualDrive::setStreamingSupported(bool supported) {
    std::lock_guard lock(mutex_);
    impl_->streamingSupported = supported;
}

void VirtualDrive::handleClosed() {
    std::lock_guard lock(mutex_);
    impl_->prevent = false;
}

bool VirtualDrive::insertMediumNamed(const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto* model = virtualdrive::modelNamed(name);
    if (model) impl_->load(*model);
    return model != nullptr;
}

void VirtualDrive::leaveTrackOpen(std::uint32_t sectors, bool damaged) {
    std::lock_guard lock(mutex_);
    auto& m = impl_->medium;
    Track& t = m.invisible();
    t.recorded += sectors;
    t.damaged = damaged;
    m.sessionHasData = true;
    m.discStatus = 1;
    m.highestWritten = std::max(m.highestWritten, t.start + t.recorded);
}

void VirtualDrive::setCapacity(std::uint32_t sectors) {
    std::lock_guard lock(mutex_);
    impl_->medium.capacity = sectors;
}

void VirtualDrive::suspendBackgroundFormat() {
    std::lock_guard lock(mutex_);
    impl_->medium.backgroundFormat = virtualdrive::kSuspended;
}

bool VirtualDrive::readableElsewhere() const {
    std::lock_guard lock(mutex_);
    const auto& m = impl_->medium;
    if (m.model.profile == 0x13) return !m.intermediate;
    if (m.model.profile == 0x1A) return m.backgroundFormat != virtualdrive::kRunning;
    if (m.model.sequential) return !m.sessionHasData;
    return true;
}

int VirtualDrive::freshFormatsOverData() const {
    std::lock_guard lock(mutex_);
    return impl_->freshFormatsOverData;
}

void VirtualDrive::insertBlankMedium(std::uint16_t mediumProfile) {
    std::lock_guard lock(mutex_);
    if (const auto* model = virtualdrive::modelFor(mediumProfile)) impl_->load(*model);
}

void VirtualDrive::removeMedium() {
    std::lock_guard lock(mutex_);
    impl_->medium.present = false;
    impl_->trayOpen = false;
}

void VirtualDrive::finalizeMedium() {
    std::lock_guard lock(mutex_);
    impl_->medium.finalize();
}

std::vector<TraceEntry> VirtualDrive::trace() const {
    std::lock_guard lock(mutex_);
    return impl_->trace;
}

std::vector<std::string> VirtualDrive::traceText() const {
    std::vector<std::string> lines;
    for (const auto& e : trace()) lines.push_back(e.text());
    return lines;
}

void VirtualDrive::clearTrace() {
    std::lock_guard lock(mutex_);
    impl_->trace.clear();
}

std::uint16_t VirtualDrive::currentProfile() const {
    std::lock_guard lock(mutex_);
    return impl_->profile();
}

bool VirtualDrive::trayOpen() const {
    std::lock_guard lock(mutex_);
    return impl_->trayOpen;
}

bool VirtualDrive::removalPrevented() const {
    std::lock_guard lock(mutex_);
    return impl_->prevent;
}

WriteParameters VirtualDrive::writeParameters() const {
    std::lock_guard lock(mutex_);
    return impl_->params;
}

std::uint16_t VirtualDrive::writeSpeedKbps() const {
    std::lock_guard lock(mutex_);
    return impl_->writeKbps;
}

std::uint32_t VirtualDrive::sectorsWritten() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.highestWritten;
}

std::uint8_t VirtualDrive::discStatus() const {
    std::lock_guard lock(mutex_);
    return impl_->model().sequential ? impl_->medium.discStatus : 2;
}

std::uint16_t VirtualDrive::sessionCount() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.sessions;
}

std::uint8_t VirtualDrive::backgroundFormat() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.backgroundFormat;
}

std::string VirtualDrive::timestamp() const {
    std::lock_guard lock(mutex_);
    return impl_->timestamp;
}

std::uint32_t VirtualDrive::capacity() const {
    std::lock_guard lock(mutex_);
    return impl_->medium.capacity;
}

}  // namespace rondivo::vdrive
