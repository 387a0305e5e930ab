#include "scsi/device_access.h"

#include <cerrno>
#include <cstring>

#include "scsi/mmc_commands.h"

namespace rondivo::burn {

bool readOnlyHandleAllows(std::uint8_t opcode) {
    switch (opcode) {
        case op::kTestUnitReady:
        case op::kRequestSense:
        case op::kInquiry:
        case op::kReadFormatCapacities:
        case op::kReadTocPmaAtip:
        case op::kGetConfiguration:
        case op::kReadDiscInformation:
        case op::kReadTrackInformation:
        case op::kModeSense10:
        case op::kReadBufferCapacity:
            return true;
        default:
            return false;
    }
}

std::string openFailureText(const std::string& device, int error) {
    if (error == EACCES || error == EPERM || error == EROFS)
        return "your user cannot write to " + device + ": add it to the cdrom group";
    if (error == EBUSY)
        return "another program is using " + device +
               " (or the disc is mounted): close it and try again";
    return "cannot open " + device + ": " + std::strerror(error);
}

}  // namespace rondivo::burn
