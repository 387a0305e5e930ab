#include "burn/iso_save_command.h"

#include <ostream>

#include "burn/disc_burner.h"
#include "burn/terminal_progress.h"

namespace rondivo::burn {

int saveIsoCommand(const std::filesystem::path& folder, const std::filesystem::path& isoFile,
                   const std::string& label, std::ostream& out, std::ostream& err,
                   bool terminalProgress, const std::vector<std::filesystem::path>& alsoAtRoot) {
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
    for (const auto& extra : alsoAtRoot) burner.AddFolder("\\", extra, "*.*", false);
    std::uint32_t sectors = burner.ComputeLayout();
    if (sectors == 0) {
        err << "Error while beginning to save CD-ROM ISO.\n" << burner.lastMessage() << "\n";
        printNotes(burner, err);
        return 1;
    }
    const int error = runWithTerminalProgress(
        burner, sectors, "Saving ISO image", err, terminalProgress,
        [&](CompletionCallback cb) { return burner.StartSaveImage(isoFile, cb); });
    printNotes(burner, err);
    if (error < 0) {
        err << "Error while initiating saving of CD-ROM ISO.\n" << burner.lastMessage() << "\n";
        return 1;
    }
    if (error) {
        err << "Error saving CD-ROM ISO.\n" << burner.lastMessage() << "\n";
        return 1;
    }
    out << "Saved " << isoFile.string() << " (" << sectors << " sectors of 2048 bytes).\n";
    return 0;
}

}  // namespace rondivo::burn
