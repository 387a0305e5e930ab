// The designer's entry point: the main designer window, run modally.
#include "app/window_seams.h"
#include "designer/designer_dialog.h"
#include "platform/paths.h"

namespace rondivo {

void runDesignerWindow() {
    CDesignerDlg dlg(nullptr, platform::executableFolder(), platform::executablePath());
    dlg.ShowModal();
}

}  // namespace rondivo
