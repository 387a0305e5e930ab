#include "app/composition_root.h"

#include <chrono>
#include <thread>

#include "menucreator/ui/menu_creator_dialog.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/player_files.h"
#include "platform/user_folders.h"
#include "platform/user_program_folder.h"
#include "player/sound_job.h"
#include "player/ui/browser_window.h"
#include "player/ui/secure_extract_dialog.h"
#include "player/ui/splash_window.h"
#include "ui/gui_pump.h"

namespace rondivo {

namespace fs = std::filesystem;

PresentationCompleteActions discActions(std::function<burn::CDiscBurner&()> burner,
                                        burn::DiscDialogs dialogs) {
    PresentationCompleteActions actions = PresentationCompleteActions::standard();
    actions.burnToCd = [burner, dialogs](wxWindow* parent, const fs::path& folder) {
        burn::burnToCd(parent, folder, burner(), dialogs);
    };
    actions.saveIso = [burner, dialogs](wxWindow* parent, const fs::path& folder) {
        burn::saveIso(parent, folder, burner(), dialogs);
    };
    return actions;
}

SecureExtractionHook secureExtraction() {
    return [](SecureExtraction& e) {
        SecureWindowState window;
        window.address = e.address.string();
        window.dataFolderLayout = e.dataFolderLayout;
        extractSecureFiles(e.owner, window, e.dataFolderLayout);
        e.address = platform::u8path(window.address);
        e.secureFolder = window.secureFolder;
    };
}

ProgramPaths ProgramPaths::running() {
    return {platform::executablePath(), platform::programFolder()};
}

CompositionRoot::CompositionRoot(ProgramPaths paths) : paths_(std::move(paths)) {}
CompositionRoot::~CompositionRoot() = default;

burn::CDiscBurner& CompositionRoot::discBurner() {
    if (!burner_) burner_ = std::make_unique<burn::CDiscBurner>();
    return *burner_;
}

DesignerCollaborators CompositionRoot::designerCollaborators() {
    DesignerCollaborators c;
    c.programFolder = paths_.programFolder;
    c.ownExecutable = platform::windowsPlayer(c.programFolder);
    c.prompts = DesignerPrompts::standard(c.programFolder);
    c.runMenuCreator = [](wxWindow* parent, const fs::path& htmlFolder) {
        // Installed, the program folder is read-only: menus are saved in the user's own.
        return menucreator::runMenuCreator(
            parent,
            platform::menuWorkFolder(htmlFolder.parent_path(), platform::localAppDataFolder()));
    };
    c.presentationComplete = discActions([this]() -> burn::CDiscBurner& { return discBurner(); },
                                         burn::DiscDialogs::standard());
    c.presentationComplete.previewPlayer = [designer = paths_.executable](const fs::path& folder) {
        return platform::previewPlayer(folder, designer);
    };
    return c;
}

void CompositionRoot::runDesigner() {
    CDesignerDlg dlg(nullptr, designerCollaborators());
    dlg.ShowModal();
}

void CompositionRoot::showDesignerSplash(const fs::path& image) {
    auto* splash = new SplashWindow(image.string());
    splash->showNow();
    auto job = std::make_shared<SplashTimerJob>();
    job->displayMs = 2000;
    // Windows belong to the main thread: the worker asks it to hide the
    // splash, which stays until the process ends.
    job->hide = [splash] { splash->CallAfter([splash] { splash->hideSplash(); }); };
    std::thread([job] { runSplashTimer(*job); }).detach();
}

void CompositionRoot::showPlayerSplash(const std::string& image, int displayMs) {
    auto* splash = new SplashWindow(image);
    splash->showNow();
    // The wait keeps the splash painted (a compositor may ask for it again).
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(splashDisplayTime(displayMs));
    while (std::chrono::steady_clock::now() < until) {
        pumpPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    splash->hideSplash();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pumpPendingEvents();
    pumpPendingEvents();
}

void CompositionRoot::startSound(const std::string& path) {
    soundJob_ = startSoundJob(path);
}

bool CompositionRoot::soundFinished() const {
    return !soundJob_ || soundJob_->finished;
}

void CompositionRoot::runBrowser(const BrowserLaunch& launch) {
    BrowserWindow window(launch, secureExtraction());
    window.run();
}

std::string CompositionRoot::extractSecureFilesForShell(bool dataFolderLayout) {
    return extractSecureFilesForShellLaunch(dataFolderLayout);
}

}  // namespace rondivo
