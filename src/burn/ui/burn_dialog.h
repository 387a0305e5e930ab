#pragma once
// Burning the distributable folder to a disc and saving it as an ISO image:
// the burn settings dialog, the progress dialog shown while the engine
// writes, and the completion messages.
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "burn/disc_burner.h"
#include "burn/ui/burn_progress_dialog.h"

class wxCheckBox;
class wxStaticText;

namespace rondivo::burn {

// What the disc dialogs ask and say, given to them when they are made:
// standard() shows the real boxes, tests record instead.
struct DiscDialogs {
    // `style` carries the icon (wxICON_ERROR, wxICON_INFORMATION).
    std::function<void(const wxString& text, const wxString& caption, long style, wxWindow* parent)>
        say;
    // Where to save the image; nothing when the author cancels.
    std::function<std::optional<std::filesystem::path>(wxWindow* parent)> chooseIsoPath;
    // A yes/no question; no answer (not set) is "no".
    std::function<bool(const wxString& text, const wxString& caption, wxWindow* parent)> ask;

    static DiscDialogs standard();
};

inline constexpr const char* kNoRecordableDriveText =
    "No recordable CD-ROM device was found on your system.\n\nPlease use a computer which has a "
    "recordable CD-ROM or use a different CD burning tool to copy the file(s) to disc.";
inline constexpr const char* kBurnErrorText =
    "Error copying file(s) to CD-ROM.\n\nPlease verify a blank disc is inserted in the CD "
    "drive.\nPlease verify you are not copying more than the CD's max capacity (usually "
    "800MB).\nPlease try using a lower write speed.\nYou may also use a seperate CD burning "
    "tool to copy the files to your CD.";
inline constexpr const char* kBurnSuccessText =
    "Your autoplay CD-ROM has been successfully created!\nClose your CD drive bay door and watch "
    "your presentation autoplay.";

class CBurnDlg : public wxDialog {
  public:
    enum Id : int { kBurnButton = wxID_HIGHEST + 144 };

    CBurnDlg(wxWindow* parent, std::filesystem::path folder, CDiscBurner& burner,
             DiscDialogs dialogs);
    ~CBurnDlg() override;

    // The Burn button.
    void burn();

    wxChoice* driveChoice() const { return drives_; }
    wxChoice* speedChoice() const { return speeds_; }
    wxTextCtrl* titleText() const { return title_; }
    wxCheckBox* finalizeBox() const { return finalize_; }
    // What the dialog found in the drive: whether the image fits, or why not.
    wxStaticText* discText() const { return disc_; }
    // Offered when the disc in the drive is used but can be erased.
    wxCheckBox* eraseBox() const { return erase_; }
    // Reads the disc in the chosen drive and says what it found.
    void checkDisc();
    // The progress dialog while the burn runs (hidden once it has ended).
    CBurnProgressDlg* progress() const { return progress_; }

  private:
    void listDrives();
    int chosenRow() const;
    // Lays out the folder with the title as label: false (the reason said) when it cannot.
    bool layOutImage();
    bool startBurn();
    void closeProgress();
    std::function<void(int error)> finishedHandler();

    std::filesystem::path folder_;
    CDiscBurner& burner_;
    DiscDialogs dialogs_;
    wxChoice* drives_ = nullptr;
    wxChoice* speeds_ = nullptr;
    wxTextCtrl* title_ = nullptr;
    wxCheckBox* finalize_ = nullptr;
    wxStaticText* disc_ = nullptr;
    wxCheckBox* erase_ = nullptr;
    CBurnProgressDlg* progress_ = nullptr;
    // Cleared when the dialog goes: the writer's report then finds no dialog.
    std::shared_ptr<CBurnDlg*> alive_;
};

// "Burn to CD" and "Save ISO" of Presentation Complete.
void burnToCd(wxWindow* parent, const std::filesystem::path& folder, CDiscBurner& burner,
              const DiscDialogs& dialogs);
void saveIso(wxWindow* parent, const std::filesystem::path& folder, CDiscBurner& burner,
             const DiscDialogs& dialogs);

}  // namespace rondivo::burn
