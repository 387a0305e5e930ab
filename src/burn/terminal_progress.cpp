#include "burn/terminal_progress.h"

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

#include "burn/disc_burner.h"

namespace rondivo::burn {

std::string progressLine(const std::string& caption, int percent, const std::string& operation,
                         int operationPercent) {
    if (operation.empty()) return caption + ": " + std::to_string(percent) + "%";
    if (operationPercent < 0) return operation;
    return operation + ": " + std::to_string(operationPercent) + "%";
}

void printNotes(const CDiscBurner& burner, std::ostream& err) {
    const std::string label = iso::labelFilteringNote(burner.session());
    if (!label.empty()) err << "Note: " << label << "\n";
    for (const std::string& note : burner.notes()) err << "Note: " << note << "\n";
}

int runWithTerminalProgress(CDiscBurner& burner, std::uint32_t sectors, const char* caption,
                            std::ostream& err, bool terminalProgress,
                            const std::function<int(CompletionCallback)>& start,
                            const std::atomic<bool>* stop) {
    std::atomic<int> errorFlag{0};
    std::atomic<bool> done{false};
    auto callback = [&](int error) {
        errorFlag = error;
        done = true;
    };
    if (!start(callback)) return -1;
    std::string shown;
    bool cancelled = false;
    while (!done) {
        if (stop && *stop && !cancelled) {
            burner.cancelBurn();
            cancelled = true;
        }
        if (terminalProgress) {
            const int percent = static_cast<int>(100.0 * burner.sectorsWritten() / sectors);
            const std::string line =
                progressLine(caption, percent, burner.operationName(), burner.operationPercent());
            if (line != shown) {
                // Blanks wipe the rest of a longer line shown before.
                err << "\r" << line << "          \r" << line << std::flush;
                shown = line;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    burner.waitUntilDone();
    if (terminalProgress) {
        if (errorFlag)
            err << "\n";
        else
            err << "\r" << caption << ": 100%          \n" << std::flush;
    }
    return errorFlag;
}

}  // namespace rondivo::burn
