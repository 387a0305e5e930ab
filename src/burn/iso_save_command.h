#pragma once
// Saving a folder as an ISO image from the command line.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>

#include "burn/image_writer.h"

namespace rondivo::burn {

// Masters `folder` as it stands (its contents become the root of the image)
// and writes the image to `isoFile`, with `label` as the volume label when
// it is not empty. With `terminalProgress`, shows the share of sectors
// written on `err` while it works. Returns 0 on success; 1 with a message on
// `err` when nothing or no complete image was written.
class CDiscBurner;

// Starts a write with `start` (StartSaveImage or StartBurn, given the
// completion callback) and waits for it, showing "\r<caption>: NN%" on `err`
// with `terminalProgress`. Returns -1 when it did not start, else the
// callback's error flag (0: success).
int runWithTerminalProgress(CDiscBurner& burner, std::uint32_t sectors, const char* caption,
                            std::ostream& err, bool terminalProgress,
                            const std::function<int(CompletionCallback)>& start);

int saveIsoCommand(const std::filesystem::path& folder, const std::filesystem::path& isoFile,
                   const std::string& label, std::ostream& out, std::ostream& err,
                   bool terminalProgress);

}  // namespace rondivo::burn
