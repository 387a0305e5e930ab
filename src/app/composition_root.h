#pragma once
// The one place where the program's windows are built and handed what they
// work with: the designer its Menu Creator and the disc actions of
// Presentation Complete, the browser window its secure-file extraction, the
// burn dialog the program's CDiscBurner. Nothing else reaches across the
// subsystems' windows; window tests build the same windows with fakes.
#include <filesystem>
#include <memory>
#include <string>

#include "burn/ui/burn_dialog.h"
#include "designer/ui/designer_dialog.h"
#include "player/browser_launch.h"
#include "player/ui/secure_hooks.h"

namespace rondivo {

struct SoundJob;

// "Burn to CD" and "Save ISO" on the disc dialogs, with the engine
// `burner()` gives at the time of the click.
PresentationCompleteActions discActions(std::function<burn::CDiscBurner&()> burner,
                                        burn::DiscDialogs dialogs);

// The browser window's secure-file extraction: the disc's ".enc" files
// decrypted behind the progress dialog.
SecureExtractionHook secureExtraction();

// The program the designer is: its executable and its program folder.
struct ProgramPaths {
    std::filesystem::path executable;
    std::filesystem::path programFolder;
    // This process's.
    static ProgramPaths running();
};

class CompositionRoot {
  public:
    explicit CompositionRoot(ProgramPaths paths = ProgramPaths::running());
    ~CompositionRoot();
    CompositionRoot(const CompositionRoot&) = delete;
    CompositionRoot& operator=(const CompositionRoot&) = delete;

    // Designer: the splash (hidden by a worker after 2000 ms) and the main window, modal.
    void showDesignerSplash(const std::filesystem::path& image);
    void runDesigner();

    // Player: splash (returns when hidden again), start-up sound, browser window (modal).
    void showPlayerSplash(const std::string& image, int displayMs);
    void startSound(const std::string& path);
    bool soundFinished() const;
    void runBrowser(const BrowserLaunch& launch);
    // Decrypts the disc's secure files for a shell launch; returns their folder.
    std::string extractSecureFilesForShell(bool dataFolderLayout);

  private:
    DesignerCollaborators designerCollaborators();
    // Made on the first burn or save: finding the drives takes a moment.
    burn::CDiscBurner& discBurner();

    ProgramPaths paths_;
    std::unique_ptr<burn::CDiscBurner> burner_;
    // Lives until the process ends, as the start-up routine expects.
    std::shared_ptr<SoundJob> soundJob_;
};

}  // namespace rondivo
