#pragma once
// The operating system's own pass-through: SG_IO on Linux, SCSI pass-through
// on Windows. Each system's file defines it.
#include <memory>

#include "scsi/scsi_transport.h"

namespace rondivo::scsi {

std::unique_ptr<ScsiTransport> makeSystemTransport();

}  // namespace rondivo::scsi
