// The player's windows meet the secure-file extraction here.
#include "app/window_seams.h"
#include "player/ui/secure_extract_dialog.h"
#include "player/ui/secure_hooks.h"

namespace rondivo {

std::string extractSecureFilesForShell(bool dataFolderLayout) {
    return extractSecureFilesForShellLaunch(dataFolderLayout);
}

void installSecureFileHooks() {
    setSecureExtractionHook([](SecureExtraction& e) {
        SecureWindowState window;
        window.address = e.address.string();
        window.dataFolderLayout = e.dataFolderLayout;
        rondivo::extractSecureFiles(e.owner, window, e.dataFolderLayout);
        e.address = window.address;
        e.secureFolder = window.secureFolder;
    });
}

}  // namespace rondivo
