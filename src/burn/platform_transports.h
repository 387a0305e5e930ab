#pragma once
// The transports of this platform, for the engine that finds the drives.
#include <memory>
#include <vector>

#include "scsi/scsi_transport.h"

namespace rondivo::burn {

// SG_IO on Linux or SCSI pass-through on Windows, then a virtual drive when
// RONDIVO_VIRTUAL_DRIVE names one.
std::vector<std::unique_ptr<scsi::ScsiTransport>> defaultTransports();

}  // namespace rondivo::burn
