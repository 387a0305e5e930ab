#include "menucreator/ui/menu_prompts.h"

#include <wx/colordlg.h>
#include <wx/dialog.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/fontdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <algorithm>

#include "ui/picture.h"

namespace rondivo::menucreator {

namespace {

// A small picture beside the file list, refreshed while the selection changes.
class PicturePreview : public wxPanel {
  public:
    PicturePreview(wxWindow* parent, wxFileDialog* dialog)
        : wxPanel(parent), dialog_(dialog), timer_(this) {
        auto* s = new wxBoxSizer(wxHORIZONTAL);
        s->Add(new wxStaticText(this, wxID_ANY, "Preview:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
               6);
        bitmap_ = new wxStaticBitmap(this, wxID_ANY, wxBitmap(96, 96));
        s->Add(bitmap_);
        SetSizerAndFit(s);
        SetMinSize(GetBestSize());
        Bind(wxEVT_TIMER, [this](wxTimerEvent&) { refresh(); });
        timer_.Start(300);
    }

  private:
    void refresh() {
        wxString file = dialog_->GetCurrentlySelectedFilename();
        if (file == shown_) return;
        shown_ = file;
        wxImage img;
        wxBitmap bmp(96, 96);
        if (!file.empty() && wxFileExists(file)) img = loadPicture(file);
        if (img.IsOk()) {
            double scale = std::min(96.0 / img.GetWidth(), 96.0 / img.GetHeight());
            if (scale < 1)
                img.Rescale(std::max(1, int(img.GetWidth() * scale)),
                            std::max(1, int(img.GetHeight() * scale)), wxIMAGE_QUALITY_HIGH);
            bmp = wxBitmap(img);
        }
        bitmap_->SetBitmap(bmp);
        Layout();
    }
    wxFileDialog* dialog_;
    wxStaticBitmap* bitmap_ = nullptr;
    wxTimer timer_;
    wxString shown_;
};

wxWindow* createPicturePreview(wxWindow* parent) {
    wxWindow* p = parent;
    while (p && !wxDynamicCast(p, wxFileDialog)) p = p->GetParent();
    return new PicturePreview(parent, wxDynamicCast(p, wxFileDialog));
}

// A plain dialog with a caption, a group title and one edit box.
std::optional<wxString> askText(wxWindow* parent, const wxString& caption, const wxString& group,
                                const wxString& initial) {
    wxDialog dlg(parent, wxID_ANY, caption);
    auto* box = new wxStaticBoxSizer(wxVERTICAL, &dlg, group);
    auto* edit =
        new wxTextCtrl(box->GetStaticBox(), wxID_ANY, initial, wxDefaultPosition, wxSize(300, -1));
    box->Add(edit, 0, wxEXPAND | wxALL, 8);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(box, 1, wxEXPAND | wxALL, 8);
    top->Add(dlg.CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
    dlg.SetSizerAndFit(top);
    dlg.Centre();
    // The text is typed over at once: the field, not OK, gets the keys, with
    // the proposed text selected once the window is up (showing moves the focus).
    dlg.Bind(wxEVT_INIT_DIALOG, [edit](wxInitDialogEvent&) {
        edit->SetFocus();
        edit->SelectAll();
    });
    dlg.CallAfter([edit] {
        edit->SetFocus();
        edit->SelectAll();
    });
    if (dlg.ShowModal() != wxID_OK) return std::nullopt;
    return edit->GetValue();
}

}  // namespace

MenuPrompts MenuPrompts::standard() {
    MenuPrompts p;
    p.message = [](wxWindow* parent, const wxString& text, const wxString& caption, long style) {
        return wxMessageBox(text, caption, style, parent);
    };
    p.openFiles = [](wxWindow* parent, const wxString& title, const wxString& folder,
                     const wxString& name, const wxString& filter, long style, bool preview) {
        wxFileDialog dlg(parent, title, folder, name,
                         filter.empty() ? wxString(wxFileSelectorDefaultWildcardStr) : filter,
                         style);
        if (preview) dlg.SetExtraControlCreator(createPicturePreview);
        std::vector<wxString> out;
        if (dlg.ShowModal() != wxID_OK) return out;
        wxArrayString paths;
        dlg.GetPaths(paths);
        for (const wxString& s : paths) out.push_back(s);
        return out;
    };
    p.colour = [](wxWindow* parent) -> std::optional<wxColour> {
        wxColourData data;
        wxColourDialog dlg(parent, &data);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return dlg.GetColourData().GetColour();
    };
    p.font = [](wxWindow* parent) -> std::optional<std::pair<wxString, int>> {
        wxFontData data;
        data.SetInitialFont(wxFont(wxFontInfo(10).FaceName("Arial")));
        data.SetRange(2, 36);
        data.EnableEffects(false);
        wxFontDialog dlg(parent, data);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        wxFont f = dlg.GetFontData().GetChosenFont();
        return std::make_pair(f.GetFaceName(), f.GetPointSize());
    };
    p.folder = [](wxWindow* parent, const wxString& title) -> std::optional<wxString> {
        wxDirDialog dlg(parent, title, "", wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return dlg.GetPath();
    };
    p.text = askText;
    return p;
}

}  // namespace rondivo::menucreator
