#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "scsi/sg_transport.h"

#ifdef __linux__
#include <scsi/sg.h>
#include <sys/ioctl.h>
#endif

#include "scsi/device_access.h"
#include "scsi/mmc_commands.h"
#include "scsi/scsi_sense.h"
#include "scsi/system_transport.h"

namespace rondivo::scsi {

namespace fs = std::filesystem;

bool parseScsiAddress(const std::string& text, ScsiAddress& out) {
    ScsiAddress a;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d:%d%n", &a.host, &a.channel, &a.target, &a.lun,
                    &consumed) != 4 ||
        static_cast<std::size_t>(consumed) != text.size()) {
        return false;
    }
    if (a.host < 0 || a.host > 255 || a.target < 0 || a.target > 255 || a.lun < 0 || a.lun > 255)
        return false;
    out = a;
    return true;
}

std::unique_ptr<ScsiTransport> makeSystemTransport() {
    return std::make_unique<SgTransport>();
}

SgTransport::SgTransport(fs::path sysClassBlock, fs::path devFolder)
    : sysClassBlock_(std::move(sysClassBlock)), devFolder_(std::move(devFolder)) {}

SgTransport::~SgTransport() {
    closeHandle();
}

namespace {

// Number of an "srN" entry, or -1.
int srNumber(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
    int n = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || n > 100000) return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// O_NONBLOCK: an empty drive must still open so it can be asked about its tray.
int openForQuestions(const std::string& device) {
    return ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

std::vector<DriveCandidate> SgTransport::listDrives() {
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassBlock_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const int n = srNumber(name);
        if (n >= 0) found.emplace_back(n, name);
    }
    std::sort(found.begin(), found.end());

    std::vector<DriveCandidate> drives;
    for (const auto& [n, name] : found) {
        DriveCandidate c;
        c.device = (devFolder_ / name).string();
        const int fd = openForQuestions(c.device);
        if (fd < 0) continue;
        ::close(fd);
        // Linux has no drive letters; the table keeps the Windows habit of D:
        // for the first optical drive so that descriptions read the same.
        c.letter = static_cast<char>('D' + std::min<std::size_t>(drives.size(), 'Z' - 'D'));
        std::error_code linkError;
        const auto target = fs::read_symlink(sysClassBlock_ / name / "device", linkError);
        ScsiAddress address;
        if (!linkError && parseScsiAddress(target.filename().string(), address)) {
            c.hasAddress = true;
            c.hostAdapter = static_cast<std::uint8_t>(address.host);
            c.target = static_cast<std::uint8_t>(address.target);
            c.lun = static_cast<std::uint8_t>(address.lun);
        }
        drives.push_back(c);
    }
    return drives;
}

bool SgTransport::openDevice(const std::string& device, bool forWriting) {
    if (fd_ >= 0 && openDevice_ == device && (writable_ || !forWriting)) return true;
    closeHandle();
    // Read-write, because the kernel refuses every writing command on a read-only
    // handle; exclusive, so that no other program talks to the drive mid-burn.
    fd_ = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_EXCL | O_CLOEXEC);
    writable_ = fd_ >= 0;
    if (fd_ < 0) {
        const int error = errno;
        failure_ = openFailureText(device, error);
        // Questions may still be asked, so the drive can be listed and described.
        if (forWriting || (fd_ = openForQuestions(device)) < 0) return false;
    }
    openDevice_ = device;
    return true;
}

bool SgTransport::openExclusive(const std::string& device) {
    failure_.clear();
    return openDevice(device, true);
}

void SgTransport::closeHandle() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    writable_ = false;
    openDevice_.clear();
}

bool SgTransport::execute(const std::string& device, CommandBlock& block, std::uint8_t* data) {
    block.status = kStatusError;
    failure_.clear();
    if (!openDevice(device, !readOnlyHandleAllows(block.opcode()))) {
        block.hostAdapterStatus = 0xFF;
        return false;
    }
#ifdef __linux__
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = block.cdbLength;
    io.cmdp = block.cdb.data();
    io.mx_sb_len = static_cast<unsigned char>(block.sense.size());
    io.sbp = block.sense.data();
    io.timeout = commandTimeoutSeconds(block) * 1000u;
    if (block.dataLength > 0 && (block.readsData() || block.writesData())) {
        io.dxfer_direction = block.readsData() ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
        io.dxfer_len = block.dataLength;
        io.dxferp = data;
    } else {
        io.dxfer_direction = SG_DXFER_NONE;
    }
    if (::ioctl(fd_, SG_IO, &io) != 0) {
        block.hostAdapterStatus = 0xFF;
        failure_ = passThroughFailureText(device, errno);
        return false;
    }
    block.targetStatus = io.status;
    block.hostAdapterStatus = static_cast<std::uint8_t>(io.host_status);
    failure_ = hostFailureText(io.host_status, io.driver_status, commandTimeoutSeconds(block));
    if ((io.info & SG_INFO_OK_MASK) == SG_INFO_OK && io.status == kScsiStatusGood) {
        block.status = kStatusDone;
        return false;
    }
    return decodeSense(block.sense).mediumMayHaveChanged();
#else
    (void)data;
    block.hostAdapterStatus = 0xFF;
    return false;
#endif
}

}  // namespace rondivo::scsi
