#include "scsi/device_access.h"

#include <cerrno>
#include <cstring>

#include "scsi/mmc_commands.h"

namespace rondivo::scsi {

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

std::string passThroughFailureText(const std::string& device, int error) {
    if (error == EPERM || error == EACCES)
        return "the system did not pass the command on to " + device +
               " (it is not allowed on this handle; your user may need write access to it)";
    return std::string("the system refused the command: ") + std::strerror(error);
}

std::string hostFailureText(unsigned hostStatus, unsigned driverStatus, unsigned timeoutSeconds) {
    constexpr unsigned kDidTimeOut = 0x03;
    constexpr unsigned kDriverSense = 0x08;  // sense data came back: the drive answered
    if (hostStatus == kDidTimeOut)
        return "the drive did not answer within " + std::to_string(timeoutSeconds) + " seconds";
    const unsigned driver = driverStatus & 0x0F;
    if (hostStatus != 0) return "the host adapter reported error " + std::to_string(hostStatus);
    if (driver != 0 && driver != kDriverSense)
        return "the system's driver reported error " + std::to_string(driver);
    return {};
}

}  // namespace rondivo::scsi
