#pragma once
// The progress dialog shown while the engine writes a disc: a moving bar, the
// drive's long operations with their share done, and Cancel.
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/timer.h>

#include "burn/disc_burner.h"

class wxStaticText;

namespace rondivo::burn {

class CBurnProgressDlg : public wxDialog {
  public:
    // `burner`, when given, tells about the drive's long operations and is
    // cancelled by the Cancel button.
    explicit CBurnProgressDlg(wxWindow* parent, CDiscBurner* burner = nullptr);
    ~CBurnProgressDlg() override;

    wxGauge* gauge() const { return gauge_; }
    wxStaticText* operationText() const { return operation_; }
    // Cancel: stops the burn at its next command; the dialog stays until it has.
    void cancel();

  private:
    void showProgress();

    wxGauge* gauge_ = nullptr;
    wxStaticText* operation_ = nullptr;
    wxTimer timer_;
    CDiscBurner* burner_ = nullptr;
    bool cancelling_ = false;
};

}  // namespace rondivo::burn
