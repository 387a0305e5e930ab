#include "player/ui/copy_progress_dialog.h"

#include <wx/activityindicator.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "ui/gui_pump.h"

namespace rondivo {

CopyProgressDialog::CopyProgressDialog(wxWindow* parent, const std::string& caption)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* spinner = new wxActivityIndicator(this, wxID_ANY);
    spinner->Start();
    row->Add(spinner, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 10);
    heading_ = new wxStaticText(this, kHeading, "");
    row->Add(heading_, 1, wxALIGN_CENTER_VERTICAL);
    sizer->Add(row, 0, wxALL | wxEXPAND, 12);
    detail_ = new wxStaticText(this, kDetail, "\n", wxDefaultPosition, wxSize(380, -1),
                               wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    sizer->Add(detail_, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

void CopyProgressDialog::setHeading(const std::string& text) {
    heading_->SetLabel(wxString::FromUTF8(text));
    paintNow();
}

void CopyProgressDialog::setDetail(const std::string& text) {
    detail_->SetLabel(wxString::FromUTF8(text));
    paintNow();
}

void CopyProgressDialog::paintNow() {
    Layout();
    // Paint and size events only: the copy runs on this thread and must not
    // let the user click links in the page meanwhile.
    pumpPendingEvents(wxEVT_CATEGORY_UI);
    Update();
}

}  // namespace rondivo
