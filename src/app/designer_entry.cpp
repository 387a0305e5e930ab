// The designer's entry point: the main designer window, run modally, with the
// Menu Creator behind its "&Menu Creator" button.
#include "app/window_seams.h"
#include "designer/ui/designer_dialog.h"
#include "menucreator/ui/menu_creator_window.h"
#include "platform/paths.h"
#include "platform/player_files.h"

namespace rondivo {

void runDesignerWindow() {
    setMenuCreatorRunner([](wxWindow* parent, const std::filesystem::path& htmlFolder) {
        return menucreator::runMenuCreator(parent, htmlFolder.parent_path());
    });
    CDesignerDlg dlg(nullptr, platform::executableFolder(),
                     platform::windowsPlayer(platform::executableFolder()));
    dlg.ShowModal();
}

}  // namespace rondivo
