#pragma once
// The Menu Creator's preview as a host of the player's action executor. It
// answers through the window's prompts, so tests see every message; quitting
// and ejecting only say that the presentation would end here and return to
// editing, and the restore command is not offered.
#include <wx/dialog.h>

#include <functional>
#include <memory>

#include "menucreator/ui/menu_prompts.h"
#include "player/action_executor.h"

namespace rondivo::menucreator {

class PreviewHost : public ActionHost {
  public:
    PreviewHost(wxDialog& window, const MenuPrompts& prompts, std::function<void()> leavePreview);
    ~PreviewHost() override;

    std::string caption() override;
    std::string pageTitle() override { return {}; }  // copy messages say "CD-ROM Application"
    void showMessageDialog(const std::string& caption, const std::string& text) override;
    void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
    std::optional<std::string> pickFolder(const std::string& prompt) override;
    void openProgress(const std::string& heading) override;
    void setProgressText(const std::string& text) override;
    void closeProgress() override;
    void openWith(const std::filesystem::path& file) override;
    void quit() override;
    void maximize() override;
    void restoreSize() override;
    void minimize() override;
    // No drive is chosen while designing, so the eject reaches none.
    void eject() override { quit(); }
    std::vector<RunCommand> commandsToRun(std::string_view argument) override;
    std::vector<CopyItem> copiesIntoFolder(std::string_view argument,
                                           const std::string& folder) override;

  private:
    wxDialog& window_;
    const MenuPrompts& prompts_;
    std::function<void()> leavePreview_;
    std::unique_ptr<wxDialog> progress_;
    wxWindow* progressText_ = nullptr;
};

}  // namespace rondivo::menucreator
