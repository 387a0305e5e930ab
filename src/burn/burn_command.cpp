#include "burn/burn_command.h"

#include <atomic>
#include <csignal>
#include <ostream>

#include "burn/disc_burner.h"
#include "burn/terminal_progress.h"

namespace rondivo::burn {

namespace {

constexpr const char* kNoRecordableDrive =
    "No recordable CD-ROM device was found on your system.\n\nPlease use a computer which has a "
    "recordable CD-ROM or use a different CD burning tool to copy the file(s) to disc.";
constexpr const char* kBurnFailed =
    "Error copying file(s) to CD-ROM.\n\nPlease verify a blank disc is inserted in the CD "
    "drive.\nPlease verify you are not copying more than the CD's max capacity (usually "
    "800MB).\nPlease try using a lower write speed.\nYou may also use a seperate CD burning "
    "tool to copy the files to your CD.";

// SIGINT and SIGTERM stop the burn at its next command, so that what was
// written is closed and the tray unlocked, instead of ending the process.
std::atomic<bool> stopRequested{false};

extern "C" void requestStop(int) {
    stopRequested = true;
}

class StopSignals {
  public:
    StopSignals() {
        stopRequested = false;
        previousInt_ = std::signal(SIGINT, requestStop);
        previousTerm_ = std::signal(SIGTERM, requestStop);
    }
    ~StopSignals() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    void (*previousInt_)(int) = SIG_DFL;
    void (*previousTerm_)(int) = SIG_DFL;
};

int firstRecordableRow(CDiscBurner& burner) {
    for (int row = 0; row < 20 && !burner.GetDriveDescription(row).empty(); ++row)
        if (burner.SelectDrive(row) && burner.IsDriveRecordable()) return row;
    return -1;
}

}  // namespace

int burnCommand(const std::filesystem::path& folder, const BurnOptions& options, std::ostream& out,
                std::ostream& err, bool terminalProgress) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        err << "Error while beginning to copy file(s) to CD-ROM.\n\"" << folder.string()
            << "\" is not a folder.\n";
        return 1;
    }
    CDiscBurner burner;
    int row = options.driveRow;
    if (row < 0) {
        row = firstRecordableRow(burner);
        if (row < 0) {
            err << kNoRecordableDrive << "\n";
            return 1;
        }
    }
    if (!burner.SelectDrive(row)) {
        err << "Error opening CD-ROM device.\n";
        return 1;
    }
    if (!burner.IsDriveRecordable()) {
        err << kNoRecordableDrive << "\n";
        return 1;
    }
    out << "Drive " << row << ": " << burner.GetDriveDescription(row) << "\n" << std::flush;

    burner.ClearImage();
    if (!options.label.empty()) burner.SetVolumeLabel(options.label);
    burner.SetFinalize(options.finalize);
    burner.setErase(options.blank);
    burner.AddFolder("\\", folder, "*.*", true);
    for (const auto& extra : options.alsoAtRoot) burner.AddFolder("\\", extra, "*.*", false);
    burner.SetWriteSpeed(static_cast<std::uint8_t>(options.speed));
    const std::uint32_t sectors = burner.ComputeLayout();
    if (sectors == 0) {
        err << "Error while beginning to copy file(s) to CD-ROM.\n" << burner.lastMessage() << "\n";
        printNotes(burner, err);
        return 1;
    }
    StopSignals signals;
    const int error = runWithTerminalProgress(
        burner, sectors, "Burning", err, terminalProgress,
        [&](CompletionCallback cb) { return burner.StartBurn(cb); }, &stopRequested);
    printNotes(burner, err);
    if (error < 0) {
        err << "Error while initiating copying of file(s) to CD-ROM.\n"
            << burner.lastMessage() << "\n";
        if (burner.needsErasing()) err << "Use --blank to erase it.\n";
        return 1;
    }
    if (error && burner.wasCancelled()) {
        err << burner.lastMessage() << "\n";
        return 1;
    }
    if (error) {
        const int code = burner.TakeLastError();
        err << kBurnFailed << "\n" << burner.lastMessage() << " (error " << code << ")\n";
        return 1;
    }
    burner.EjectDisc();
    out << "Burned " << sectors << " sectors of 2048 bytes.\n"
        << "Your autoplay CD-ROM has been successfully created!\n";
    return 0;
}

}  // namespace rondivo::burn
