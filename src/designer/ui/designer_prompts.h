#pragma once
// The questions, messages, help and sounds of the designer's windows, given
// to each window when it is made: standard() opens the real dialogs, window
// tests answer them instead.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "designer/designer_settings.h"

class wxWindow;

namespace rondivo {

class COptionsDlg;
class CPresentationCompleteDlg;

struct DesignerPrompts {
    // A message box with the program's title; `style` carries the icon.
    std::function<void(wxWindow* parent, const std::string& text, long style)> message;
    std::function<std::optional<std::string>(wxWindow* parent, const FileChooser& chooser)>
        chooseFile;
    // "Custom Window Size", starting at `start`; nothing when cancelled.
    std::function<std::optional<std::pair<int, int>>(wxWindow* parent, std::pair<int, int> start)>
        customSize;
    // Runs the main window's Options dialog modally; its return code.
    std::function<int(COptionsDlg& options)> runOptions;
    // Runs "Presentation Complete" after a build. Modal: the designer runs
    // modally, and a window shown beside it would get no input at all.
    std::function<void(CPresentationCompleteDlg& complete)> runPresentationComplete;
    // The manual, at `anchor` when one is given.
    std::function<void(wxWindow* parent, const std::string& anchor)> help;
    std::function<void(const std::string& path)> playSound;

    // The manual comes from `programFolder`.
    static DesignerPrompts standard(const std::filesystem::path& programFolder);
};

}  // namespace rondivo
