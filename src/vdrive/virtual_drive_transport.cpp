#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "platform/debug_log.h"
#include "scsi/device_access.h"
#include "vdrive/virtual_drive_impl.h"

namespace rondivo::vdrive {

using namespace virtualdrive;

void VirtualDriveTransport::add(std::shared_ptr<VirtualDrive> drive) {
    drives_.push_back(std::move(drive));
}

void VirtualDriveTransport::closeHandle() {
    ++closes_;
    for (auto& d : drives_) d->handleClosed();
}

std::vector<scsi::DriveCandidate> VirtualDriveTransport::listDrives() {
    std::vector<scsi::DriveCandidate> list;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        scsi::DriveCandidate c;
        c.device = drives_[i]->imageFile().string();
        c.letter = static_cast<char>('V' + std::min<std::size_t>(i, 'Z' - 'V'));
        list.push_back(c);
    }
    return list;
}

bool VirtualDriveTransport::execute(const std::string& device, scsi::CommandBlock& block,
                                    std::uint8_t* data) {
    failure_.clear();
    for (auto& d : drives_) {
        if (d->imageFile().string() != device) continue;
        if (readOnly_ && !scsi::readOnlyHandleAllows(block.cdb[0])) {
            d->traceRefused(block);
            failure_ = scsi::openFailureText(device, EACCES);
            return false;
        }
        const bool changed = d->execute(block, data);
        if (block.hostAdapterStatus != 0) failure_ = "the host adapter reported an error";
        return changed;
    }
    block.status = scsi::kStatusError;
    block.hostAdapterStatus = 0xFF;  // no such device
    failure_ = "no such device";
    return false;
}

std::unique_ptr<VirtualDriveTransport> VirtualDriveTransport::fromSetting(
    const std::string& setting) {
    std::string path = setting;
    bool used = false;
    if (path.size() > 5 && path.compare(path.size() - 5, 5, ",used") == 0) {
        used = true;
        path.resize(path.size() - 5);
    }
    std::uint16_t p = profile::kCdR;
    std::string name;
    const auto comma = path.rfind(',');
    if (comma != std::string::npos) {
        if (auto named = profileFromName(path.substr(comma + 1))) {
            p = *named;
            name = path.substr(comma + 1);
            path.resize(comma);
        }
    }
    if (path.empty()) return nullptr;
    auto transport = std::make_unique<VirtualDriveTransport>();
    auto drive = std::make_shared<VirtualDrive>(path, p);
    // Models that share a profile (BD-R and BD-R DL) are told apart by name.
    if (!name.empty()) {
        std::string lower;
        for (char c : name)
            if (!std::isspace(static_cast<unsigned char>(c)))
                lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        drive->insertMediumNamed(lower);
    }
    if (used) drive->finalizeMedium();
    transport->add(drive);
    return transport;
}

std::unique_ptr<VirtualDriveTransport> VirtualDriveTransport::fromEnvironment() {
    const char* value = std::getenv("RONDIVO_VIRTUAL_DRIVE");
    if (!value || !*value) return nullptr;
    auto t = fromSetting(value);
    if (t) platform::debugLog(std::string("virtual drive: ") + value);
    return t;
}

}  // namespace rondivo::vdrive
