#include "burn/iso_save_command.h"

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

#include "burn/disc_burner.h"

namespace rondivo::burn {

int runWithTerminalProgress(CDiscBurner& burner, std::uint32_t sectors, const char* caption,
                            std::ostream& err, bool terminalProgress,
                            const std::function<int(CompletionCallback)>& start) {
    std::atomic<int> errorFlag{0};
    std::atomic<bool> done{false};
    auto callback = [&](int error, std::intptr_t) {
        errorFlag = error;
        done = true;
    };
    if (!start(callback)) return -1;
    int shown = -1;
    while (!done) {
        if (terminalProgress) {
            int percent = static_cast<int>(100.0 * burner.SectorsWritten() / sectors);
            if (percent != shown) {
                err << "\r" << caption << ": " << percent << "%" << std::flush;
                shown = percent;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    burner.WaitUntilDone();
    if (terminalProgress) {
        if (errorFlag)
            err << "\n";
        else
            err << "\r" << caption << ": 100%\n" << std::flush;
    }
    return errorFlag;
}

int saveIsoCommand(const std::filesystem::path& folder, const std::filesystem::path& isoFile,
                   const std::string& label, std::ostream& out, std::ostream& err,
                   bool terminalProgress) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        err << "Error while beginning to save CD-ROM ISO.\n\"" << folder.string()
            << "\" is not a folder.\n";
        return 1;
    }
    CDiscBurner burner;
    burner.ClearImage();
    if (!label.empty()) burner.SetVolumeLabel(label);
    burner.AddFolder("\\", folder, "*.*", true);
    std::uint32_t sectors = burner.ComputeLayout();
    if (sectors == 0) {
        err << "Error while beginning to save CD-ROM ISO.\n" << burner.LastMessage() << "\n";
        return 1;
    }
    const int error = runWithTerminalProgress(
        burner, sectors, "Saving ISO image", err, terminalProgress,
        [&](CompletionCallback cb) { return burner.StartSaveImage(isoFile, cb, 0); });
    if (error < 0) {
        err << "Error while initiating saving of CD-ROM ISO.\n" << burner.LastMessage() << "\n";
        return 1;
    }
    if (error) {
        err << "Error saving CD-ROM ISO.\n" << burner.LastMessage() << "\n";
        return 1;
    }
    out << "Saved " << isoFile.string() << " (" << sectors << " sectors of 2048 bytes).\n";
    return 0;
}

}  // namespace rondivo::burn
