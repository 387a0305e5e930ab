#pragma once
// Progress of a write on a terminal, for the command-line save and burn.
#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "burn/image_writer.h"

namespace rondivo::burn {

class CDiscBurner;

// "Burning: 42%", or the drive's long operation instead while one runs
// ("Formatting: 7%", "Closing" when the drive gives no share).
std::string progressLine(const std::string& caption, int percent, const std::string& operation,
                         int operationPercent);

// Starts a write with `start` (StartSaveImage or StartBurn, given the
// completion callback) and waits for it, showing "\r<progress line>" on `err`
// with `terminalProgress`. When `stop` becomes true the burn is cancelled.
// Returns -1 when it did not start, else the callback's error flag (0: success).
int runWithTerminalProgress(CDiscBurner& burner, std::uint32_t sectors, const char* caption,
                            std::ostream& err, bool terminalProgress,
                            const std::function<int(CompletionCallback)>& start,
                            const std::atomic<bool>* stop = nullptr);

// Writes the burner's notes (how the image differs from the folder) on
// `err`, one "Note: " line each.
void printNotes(const CDiscBurner& burner, std::ostream& err);

}  // namespace rondivo::burn
