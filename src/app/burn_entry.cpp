// Connects Presentation Complete's "Burn to CD" and "Save ISO" to the disc
// dialogs.
#include "app/window_seams.h"
#include "burn/ui/burn_dialog.h"
#include "designer/ui/presentation_complete_dialog.h"

namespace rondivo {

void installBurnActions() {
    setBurnToCdAction([](CPresentationCompleteDlg& dialog, const std::filesystem::path& folder) {
        burn::burnToCd(&dialog, folder);
    });
    setSaveIsoAction([](CPresentationCompleteDlg& dialog, const std::filesystem::path& folder) {
        burn::saveIso(&dialog, folder);
    });
}

}  // namespace rondivo
