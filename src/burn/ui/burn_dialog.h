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
#include <optional>

#include "burn/disc_burner.h"

class wxCheckBox;
class wxStaticText;

namespace rondivo::burn {

// How the dialogs and the completion handlers show their messages; tests
// record them instead. `style` carries the icon (wxICON_ERROR, wxICON_INFORMATION).
using MessageShower = std::function<void(const wxString& text, const wxString& caption, long style,
                                         wxWindow* parent)>;
void setMessageShower(MessageShower shower);
// Asks where to save the image; nothing when the author cancels. Tests replace it.
using IsoPathChooser = std::function<std::optional<std::filesystem::path>(wxWindow* parent)>;
void setIsoPathChooser(IsoPathChooser chooser);
// The engine the dialogs use: the program's one object unless a test names another.
void setDialogBurner(CDiscBurner* burner);
CDiscBurner& dialogBurner();

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

class CBurnProgressDlg : public wxDialog {
  public:
    // `burner`, when given, tells about the drive's long operations.
    explicit CBurnProgressDlg(wxWindow* parent, const CDiscBurner* burner = nullptr);
    ~CBurnProgressDlg() override;

    wxGauge* gauge() const { return gauge_; }
    wxStaticText* operationText() const { return operation_; }

  private:
    void showProgress();

    wxGauge* gauge_ = nullptr;
    wxStaticText* operation_ = nullptr;
    wxTimer timer_;
    const CDiscBurner* burner_ = nullptr;
};

// The progress dialog while it exists.
CBurnProgressDlg* burnProgressDialog();

class CBurnDlg : public wxDialog {
  public:
    CBurnDlg(wxWindow* parent, std::filesystem::path folder, CDiscBurner& burner);
    ~CBurnDlg() override;

    // The Burn button.
    void burn();

    wxChoice* driveChoice() const { return drives_; }
    wxChoice* speedChoice() const { return speeds_; }
    wxTextCtrl* titleText() const { return title_; }
    wxCheckBox* finalizeBox() const { return finalize_; }

  private:
    void listDrives();
    void closeProgress();

    std::filesystem::path folder_;
    CDiscBurner& burner_;
    wxChoice* drives_ = nullptr;
    wxChoice* speeds_ = nullptr;
    wxTextCtrl* title_ = nullptr;
    wxCheckBox* finalize_ = nullptr;
};

// The burn dialog while it is open (for the completion handler and tests).
CBurnDlg* currentBurnDialog();

// "Burn to CD" and "Save ISO" of Presentation Complete.
void burnToCd(wxWindow* parent, const std::filesystem::path& folder);
void saveIso(wxWindow* parent, const std::filesystem::path& folder);
// The path of the last image saved in this run.
const std::filesystem::path& savedIsoPath();

}  // namespace rondivo::burn
