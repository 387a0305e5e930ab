#include "burn/platform_transports.h"

#include "scsi/system_transport.h"
#include "vdrive/virtual_drive.h"

namespace rondivo::burn {

std::vector<std::unique_ptr<scsi::ScsiTransport>> defaultTransports() {
    std::vector<std::unique_ptr<scsi::ScsiTransport>> list;
    list.push_back(scsi::makeSystemTransport());
    if (auto v = vdrive::VirtualDriveTransport::fromEnvironment()) list.push_back(std::move(v));
    return list;
}

}  // namespace rondivo::burn
