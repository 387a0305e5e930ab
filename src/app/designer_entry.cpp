// The designer's entry point: the main designer window, run modally, with the
// Menu Creator behind its "&Menu Creator" button.
#include "app/window_seams.h"
#include "designer/ui/designer_dialog.h"
#include "menucreator/ui/menu_creator_window.h"
#include "platform/paths.h"

namespace rondivo {

void runDesignerWindow() {
    setMenuCreatorRunner([](wxWindow* parent, const std::filesystem::path& htmlFolder) {
        return menucreator::runMenuCreator(parent, htmlFolder.parent_path());
    });
    CDesignerDlg dlg(nullptr, platform::programFolder(), platform::executablePath());
    dlg.ShowModal();
}

}  // namespace rondivo
