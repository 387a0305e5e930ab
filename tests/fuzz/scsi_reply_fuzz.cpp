// What a drive answers: sense data and the replies the engine parses.
#include <span>

#include "fuzz_support.h"
#include "scsi/mmc_commands.h"
#include "scsi/scsi_sense.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rondivo;
    std::span<const std::uint8_t> answer(data, size);
    scsi::decodeSense(answer);
    scsi::currentProfile(answer);
    scsi::mediaTypeFromAtip(answer);
    scsi::mediaTypeFromDiscInformation(answer);
    for (std::uint8_t page : {0x05, 0x2A}) scsi::findModePage(answer, page);
    scsi::parseDiscInformation(answer);
    scsi::parseTrackInformation(answer);
    scsi::parseCapabilities(answer);
    return 0;
}
