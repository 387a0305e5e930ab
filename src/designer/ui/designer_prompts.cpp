#include "designer/ui/designer_prompts.h"

#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/sound.h>

#include "designer/ui/custom_size_dialog.h"
#include "designer/ui/options_dialog.h"
#include "designer/ui/presentation_complete_dialog.h"
#include "ui/help_dialog.h"
#include "ui/message_box.h"

namespace rondivo {

DesignerPrompts DesignerPrompts::standard(const std::filesystem::path& programFolder) {
    DesignerPrompts p;
    p.message = [](wxWindow* parent, const std::string& text, long style) {
        showProgramMessage(text, wxOK | style, parent);
    };
    p.chooseFile = [](wxWindow* parent, const FileChooser& chooser) -> std::optional<std::string> {
        wxFileDialog dlg(parent, wxString::FromUTF8(chooser.title),
                         wxString::FromUTF8(chooser.startFolder), "",
                         wxString::FromUTF8(wxFilterFromWindowsFilter(chooser.filter)),
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return dlg.GetPath().utf8_string();
    };
    p.customSize = [message = p.message](
                       wxWindow* parent,
                       std::pair<int, int> start) -> std::optional<std::pair<int, int>> {
        CustomSizeDialog dlg(parent, start.first, start.second, message);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return std::pair{dlg.width(), dlg.height()};
    };
    p.runOptions = [](COptionsDlg& options) { return options.ShowModal(); };
    p.runPresentationComplete = [](CPresentationCompleteDlg& complete) { complete.ShowModal(); };
    p.help = [programFolder](wxWindow* parent, const std::string& anchor) {
        HelpDialog dlg(parent, helpManualPage(programFolder.string()), anchor);
        dlg.ShowModal();
    };
    p.playSound = [](const std::string& path) {
        // No audio device is no error worth a message: the preview just stays silent.
        wxLogNull quiet;
        wxSound::Play(wxString::FromUTF8(path), wxSOUND_ASYNC);
    };
    return p;
}

}  // namespace rondivo
