#pragma once
// The window side of secure-file extraction: the "Please wait .." progress
// dialog in front of the extraction worker (see secure_extract.h).
#include <wx/dialog.h>

#include <string>

#include "player/secure_extract.h"

class wxGauge;

namespace rondivo {

inline constexpr int kExtractProgressRange = 50;

// "Please wait ..": the bar counts the files done; Cancel asks the worker to stop.
class SecureExtractDialog : public wxDialog {
  public:
    enum Id : int { kProgressBar = 1091 };

    explicit SecureExtractDialog(wxWindow* parent);
    void setProgress(int files);
    bool cancelPressed() const { return cancelPressed_; }

  private:
    wxGauge* gauge_ = nullptr;
    bool cancelPressed_ = false;
};

// Shows the modeless progress dialog at once, starts the worker and, until it
// is done, shows its file counter on the bar, pumps pending messages and
// sleeps 5 ms. "Cancel" sets the worker's cancel flag; the dialog then stays
// until the worker has finished its current file. Destroys the dialog and
// returns the worker's result.
ExtractionResult runExtractionWithProgress(wxWindow* parent, const ExtractionRequest& request);

// The browser window's extraction step: mirrors the disc (the current
// directory) into the temporary folder, with the password from the
// executable's autorun.inf, and stores the outcome in `window` (secureFolder,
// dataFolderLayout, and the address of the decrypted page when ".enc" files
// were found). Returns the folder of the decrypted files, or "" when the disc
// has none. `applicationDataFolderLayout` is the application's flag;
// `executableFolder` empty means the disc the player plays (platform::discFolder()).
std::string extractSecureFiles(wxWindow* parent, SecureWindowState& window,
                               bool applicationDataFolderLayout,
                               const std::filesystem::path& executableFolder = {});

// The shell launch of an ".enc" autoplay file: the same pass for a window that
// is never shown and whose clean-up is off, so the decrypted files stay for
// the launched program. Returns the folder D that holds them ("" when none).
std::string extractSecureFilesForShellLaunch(bool applicationDataFolderLayout);

}  // namespace rondivo
