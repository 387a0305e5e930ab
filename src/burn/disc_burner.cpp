#include "burn/disc_burner.h"

#include "burn/disc_sink.h"
#include "burn/drive_discovery.h"
#include "burn/drive_operations.h"
#include "burn/platform_transports.h"
#include "iso/iso_layout.h"

namespace rondivo::burn {

struct CDiscBurner::DiscParts {
    DriveState drive;
    Sleeper sleep = sleepFor;
    UtcClock clock = currentUtcTime;
};

namespace {
constexpr const char* kBusyText = "An image is already being written.";
}

CDiscBurner::CDiscBurner() : CDiscBurner(TransportFactory(defaultTransports)) {}

CDiscBurner::CDiscBurner(const TransportFactory& makeTransports) : CDiscBurner(makeTransports()) {}

CDiscBurner::CDiscBurner(std::vector<std::unique_ptr<scsi::ScsiTransport>> transports)
    : disc_(std::make_unique<DiscParts>()), drive_(disc_->drive), writer_(session_) {
    DiscoverDrives(drive_, std::move(transports));
    iso::clearImage(session_);
}

CDiscBurner::~CDiscBurner() {
    writer_.wait();
    for (auto& t : drive_.transports) t->closeHandle();
}

DriveState& CDiscBurner::drive() {
    return drive_;
}

void CDiscBurner::setSleeper(std::function<void(std::chrono::milliseconds)> sleep) {
    disc_->sleep = std::move(sleep);
}

void CDiscBurner::setClock(std::function<scsi::UtcTime()> clock) {
    disc_->clock = std::move(clock);
}

bool CDiscBurner::SelectDrive(int row) {
    if (isBusy()) {
        message_ = kBusyText;
        return false;
    }
    return burn::SelectDrive(drive_, row);
}

std::string CDiscBurner::GetDriveDescription(int row) const {
    return burn::GetDriveDescription(drive_, row);
}

bool CDiscBurner::IsDriveRecordable() const {
    return burn::IsDriveRecordable(drive_);
}

std::uint8_t CDiscBurner::GetCurrentWriteSpeed() {
    return burn::GetCurrentWriteSpeed(drive_);
}

std::uint8_t CDiscBurner::GetMaxWriteSpeed() {
    return burn::GetMaxWriteSpeed(drive_);
}

void CDiscBurner::SetWriteSpeed(std::uint8_t factor) {
    if (isBusy()) return;
    drive_.writeSpeed = factor;
    if (drive_.currentRow >= 0) setCdSpeed(drive_, 0, factor);
}

void CDiscBurner::SetFinalize(bool finalize) {
    if (!isBusy()) drive_.finalize = finalize;
}

void CDiscBurner::setErase(bool erase) {
    if (!isBusy()) drive_.blankFirst = erase;
}

std::string CDiscBurner::operationName() const {
    switch (drive_.operation.load()) {
        case LongOperation::Erasing:
            return "Erasing";
        case LongOperation::Formatting:
            return "Formatting";
        case LongOperation::Closing:
            return "Closing";
        default:
            return {};
    }
}

int CDiscBurner::operationPercent() const {
    return drive_.operationPercent.load();
}

bool CDiscBurner::EjectDisc() {
    if (isBusy() || drive_.currentRow < 0) return false;
    const bool ok = ejectDisc(drive_);
    endExclusiveUse(drive_);
    return ok;
}

int CDiscBurner::TakeLastError() {
    int code = session_.errorCode.exchange(iso::kErrorNone);
    return burn::TakeLastError(drive_, code);
}

int CDiscBurner::StartBurn(CompletionCallback callback) {
    message_.clear();
    needsErasing_ = false;
    if (isBusy()) {
        message_ = kBusyText;
        return 0;
    }
    if (drive_.currentRow < 0) {
        message_ = "No drive has been selected.";
        return 0;
    }
    if (!session_.layoutValid) {
        session_.errorCode = iso::kErrorNoLayout;
        message_ = "The image has not been laid out.";
        return 0;
    }
    drive_.cancelRequested = false;
    drive_.clearNotes();
    // One exclusive handle from the first question to the eject.
    if (!beginExclusiveUse(drive_)) {
        message_ = "The drive cannot be used for burning: " + failureText(drive_) + ".";
        return 0;
    }
    // The new session's place on the disc: every location in its metadata
    // counts from there.
    BurnPlan plan;
    const auto outcome = planBurn(drive_, plan, session_.layout.volumeSize, message_, disc_->sleep);
    if (outcome != PlanOutcome::Ready) {
        needsErasing_ = outcome == PlanOutcome::NeedsErasing;
        endExclusiveUse(drive_);
        return 0;
    }
    auto sink = std::make_unique<DiscSink>(drive_, plan, session_.layout.volumeSize, disc_->sleep,
                                           disc_->clock);
    const int started = startWriting(std::move(sink), plan.writeStart, std::move(callback));
    if (!started) endExclusiveUse(drive_);
    return started;
}

std::string CDiscBurner::checkDisc() {
    needsErasing_ = false;
    if (isBusy()) return kBusyText;
    if (drive_.currentRow < 0) return "No drive has been selected.";
    if (!session_.layoutValid) return "The image has not been laid out.";
    BurnPlan plan;
    std::string message;
    const auto outcome = planBurn(drive_, plan, session_.layout.volumeSize, message, disc_->sleep,
                                  std::chrono::seconds(0));
    needsErasing_ = outcome == PlanOutcome::NeedsErasing;
    return outcome == PlanOutcome::Ready ? std::string() : message;
}

void CDiscBurner::cancelBurn() {
    if (isBusy()) drive_.cancelRequested = true;
}

bool CDiscBurner::wasCancelled() const {
    return drive_.cancelRequested.load();
}

void CDiscBurner::ClearImage() {
    if (isBusy()) {
        message_ = kBusyText;
        return;
    }
    iso::clearImage(session_);
}

iso::ImageDir* CDiscBurner::AddFolder(std::string_view target, const std::filesystem::path& folder,
                                      std::string_view pattern, bool recurse) {
    if (isBusy()) {
        message_ = kBusyText;
        return nullptr;
    }
    return iso::addFolder(session_, target, folder, pattern, recurse);
}

std::uint32_t CDiscBurner::ComputeLayout() {
    if (isBusy()) {
        message_ = kBusyText;
        return 0;
    }
    message_.clear();
    std::uint32_t sectors = iso::computeLayout(session_);
    if (sectors == 0) message_ = session_.refusal;
    return sectors;
}

void CDiscBurner::SetVolumeLabel(std::string_view text) {
    if (!isBusy()) iso::setVolumeLabel(session_, text);
}

int CDiscBurner::StartSaveImage(const std::filesystem::path& path, CompletionCallback callback) {
    message_.clear();
    if (isBusy()) {
        message_ = kBusyText;
        return 0;
    }
    if (!session_.layoutValid) {
        session_.errorCode = iso::kErrorNoLayout;
        message_ = "The image has not been laid out.";
        return 0;
    }
    auto sink = std::make_unique<ImageFileSink>(path);
    if (!sink->create()) {
        session_.errorCode = iso::kErrorImageFile;
        message_ = sink->message();
        return 0;
    }
    return startWriting(std::move(sink), 0, std::move(callback));
}

int CDiscBurner::startWriting(std::unique_ptr<ImageSink> sink, std::uint32_t sessionStart,
                              CompletionCallback callback) {
    message_.clear();
    if (isBusy()) {
        message_ = kBusyText;
        return 0;
    }
    session_.sessionStart = sessionStart;
    return writer_.start(std::move(sink), std::move(callback)) ? 1 : 0;
}

std::vector<std::string> CDiscBurner::notes() const {
    std::vector<std::string> notes = session_.notes;
    for (std::string& note : writer_.notes()) notes.push_back(std::move(note));
    for (std::string& note : drive_.currentNotes()) notes.push_back(std::move(note));
    return notes;
}

std::string CDiscBurner::lastMessage() const {
    if (!message_.empty()) return message_;
    return writer_.message();
}

}  // namespace rondivo::burn
