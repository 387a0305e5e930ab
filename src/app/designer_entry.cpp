// The designer's entry point: the main designer window, run modally, with the
// Menu Creator behind its "&Menu Creator" button.
#include "app/window_seams.h"
#include "designer/ui/designer_dialog.h"
#include "menucreator/ui/menu_creator_window.h"
#include "platform/paths.h"
#include "platform/user_folders.h"
#include "platform/user_program_folder.h"

namespace rondivo {

void runDesignerWindow() {
    setMenuCreatorRunner([](wxWindow* parent, const std::filesystem::path& htmlFolder) {
        // Installed, the program folder is read-only: menus are saved in the user's own.
        return menucreator::runMenuCreator(
            parent,
            platform::menuWorkFolder(htmlFolder.parent_path(), platform::localAppDataFolder()));
    });
    CDesignerDlg dlg(nullptr, platform::programFolder(), platform::executablePath());
    dlg.ShowModal();
}

}  // namespace rondivo
