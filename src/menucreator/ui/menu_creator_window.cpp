#include "menucreator/ui/menu_creator_window.h"

#include <wx/button.h>
#include <wx/colordlg.h>
#include <wx/dirdlg.h>
#include <wx/display.h>
#include <wx/filedlg.h>
#include <wx/fontdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <chrono>
#include <system_error>

#include "menucreator/image_gallery.h"
#include "menucreator/menu_editor_script.h"
#include "menucreator/templates.h"
#include "menucreator/ui/hyperlink_dialog.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "player/action_executor.h"
#include "ui/help_dialog.h"
#include "ui/open_with_dialog.h"
#include "ui/page_script.h"
#include "ui/picture.h"

namespace rondivo::menucreator {

namespace {

constexpr const char* kCaption = "Rondivo! CD-ROM Menu Creator";
constexpr const char* kImageFilter =
    "GIF/JPG/BMP (*.gif;*.jpg;*.bmp;*.jpeg)|*.gif;*.jpg;*.bmp;*.jpeg";
constexpr const char* kMusicFilter = "WAV/MP3/MID (*.wav;*.mp3;*.mid)|*.wav;*.mp3;*.mid";
constexpr const char* kMovieFilter =
    "WMV/MPG/AVI (*.wmv;*.mpg;*.avi;*.mpeg)|*.wmv;*.mpg;*.avi;*.mpeg";
constexpr const char* kHtmlFilter = "HTML Files (*.html)|*.html";
constexpr const char* kMusicAdded =
    "Your background music has been added to the menu. The music will play after you save the menu "
    "and "
    "click Create CD on the main screen to compile your presentation and preview or burn to CD.";
constexpr const char* kSelectFirst =
    "Please select an image or highlight text, then click the Hyperlink button to add a hyperlink.";
constexpr const char* kNoImages =
    "No images of type GIF or JPG were found in the directory selected. Please restart the Image "
    "Gallery "
    "Wizard and choose a directory containing images.";

struct ToolButton {
    const char* tooltip;
    int icon;
    int command;
};
constexpr ToolButton kButtons[21] = {
    {"Page Title", 174, 320},
    {"Insert Background Image", 173, 318},
    {"Insert Image", 158, 300},
    {"Hyperlink", 157, 305},
    {"Insert Text", 175, 322},
    {"Text Color", 171, 315},
    {"Background Color", 172, 317},
    {"Insert Background Music", 186, 324},
    {"Insert Movie", 199, 325},
    {"Justify Left", 164, 313},
    {"Center", 163, 312},
    {"Justify Right", 165, 314},
    {"Freely Move Objects", 166, 301},
    {"Change Font", 180, 321},
    {"Bold", 167, 302},
    {"Italic", 168, 303},
    {"Underline", 169, 304},
    {"Save", 159, 309},
    {"Open", 161, 310},
    {"Help", 185, 323},
    {"Preview", 162, 311},
};

// Web addresses go straight to the desktop's browser; the shell call of the
// platform layer is for files.
void openAddress(const std::string& url) {
    platform::SpawnResult r = platform::spawnProcess({"xdg-open", url});
    if (r.started())
        platform::waitForExit(r.pid, std::chrono::milliseconds(0));  // reaped when it ends
}

std::string fileUrl(const std::filesystem::path& p) {
    return "file://" + std::filesystem::absolute(p).lexically_normal().string();
}

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
    edit->SelectAll();
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

CMenuCreatorDlg::CMenuCreatorDlg(wxWindow* parent, const std::filesystem::path& programFolder,
                                 MenuPrompts prompts, MenuCreatorDialogs dialogs)
    : wxDialog(parent, wxID_ANY, kCaption, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX),
      programFolder_(programFolder),
      htmlFolder_(programFolder / "html"),
      prompts_(std::move(prompts)),
      dialogs_(std::move(dialogs)) {
    if (!dialogs_.saveAs) {
        dialogs_.saveAs = [this](wxWindow* owner, const std::string& name,
                                 const std::filesystem::path& folder, bool offerDiscard) {
            CSaveMenuDlg dlg(owner, name, folder, offerDiscard, prompts_);
            CSaveMenuDlg::Result r = dlg.run();
            return std::make_pair(r, dlg.name());
        };
    }
    if (!dialogs_.hyperlink) {
        dialogs_.hyperlink = [this](wxWindow* owner) -> std::optional<std::string> {
            CHyperlinkDlg dlg(owner, prompts_);
            if (dlg.ShowModal() != wxID_OK) return std::nullopt;
            return dlg.url();
        };
    }

    toolbar_ = new wxToolBar(this, ID_TOOLBAR, wxDefaultPosition, wxDefaultSize,
                             wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
    toolbar_->SetBackgroundColour(*wxWHITE);
    toolbar_->SetToolBitmapSize(wxSize(16, 16));
    for (const ToolButton& b : kButtons)
        toolbar_->AddTool(b.command, b.tooltip, toolbarIcon(b.icon), b.tooltip);
    toolbar_->Realize();
    toolbar_->Hide();

    document_ = std::make_unique<CMenuDocument>(this, ID_BROWSER, programFolder_);
    document_->view()->AddScriptMessageHandler("rondivoAction");
    addPageScript(document_->view(), actionClickScript("rondivoAction"),
                  wxWEBVIEW_INJECT_AT_DOCUMENT_END);

    // The toolbar stretches with the width, the page with both.
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(toolbar_, 0, wxEXPAND);
    sizer->Add(document_->view(), 1, wxEXPAND);
    SetSizer(sizer);
    SetMinSize(wxSize(320, 240));
    SetSize(ConvertDialogToPixels(wxSize(502, 329)));
    Centre();

    toolbar_->Bind(wxEVT_TOOL, [this](wxCommandEvent& e) { runCommand(e.GetId()); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
        if (endCode_ == 0 && e.CanVeto()) {
            e.Veto();
            runCommand(ID_CLOSE);
        } else {
            e.Skip();
        }
    });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_ESCAPE)
            runCommand(ID_CLOSE);
        else
            e.Skip();
    });
    wxWebView* view = document_->view();
    view->Bind(wxEVT_WEBVIEW_NAVIGATING, [this](wxWebViewEvent& e) {
        std::string url = e.GetURL().utf8_string();
        PreviewPlan plan = planPreviewNavigation(preparePreviewAddress(url, previewMacros()));
        if (!plan.cancel) return;
        e.Veto();
        // Dialogs wait until the engine has its answer.
        CallAfter([this, url] { handleNavigation(url); });
    });
    // Links with a target of their own (help pages, web links) open in the desktop's browser.
    view->Bind(wxEVT_WEBVIEW_NEWWINDOW, [this](wxWebViewEvent& e) {
        std::string url = e.GetURL().utf8_string();
        CallAfter([this, url] {
            if (!handleNavigation(url)) openAddress(url);
        });
    });
    view->Bind(wxEVT_WEBVIEW_LOADED, [this](wxWebViewEvent& e) { onLoaded(e.GetURL()); });
    view->Bind(wxEVT_WEBVIEW_SCRIPT_MESSAGE_RECEIVED, [this](wxWebViewEvent& e) {
        std::string href = e.GetString().utf8_string();
        CallAfter([this, href] { handleNavigation(href); });
    });
    document_->navigate(kChooserPageUrl);
}

void CMenuCreatorDlg::finish(int code) {
    endCode_ = code;
    if (IsModal())
        EndModal(code);
    else
        Hide();
}

void CMenuCreatorDlg::onLoaded(const wxString& url) {
    currentUrl_ = url.utf8_string();
    document_->setDesignMode(editing_);
    if (templateFirstLoad_ && currentUrl_.find(kBlankTemplateMarker) == std::string::npos)
        document_->freeMove();
    templateFirstLoad_ = false;
}

void CMenuCreatorDlg::loadPage(const std::string& pathOrUrl) {
    head_ = readMenuHeadValuesFrom(pathOrUrl);
    if (!head_.title.empty()) SetTitle(wxString::FromUTF8(head_.title));
    bool isAddress = pathOrUrl.find("://") != std::string::npos;
    document_->navigate(isAddress ? pathOrUrl : fileUrl(pathOrUrl));
}

bool CMenuCreatorDlg::handleNavigation(const std::string& address) {
    PreviewPlan plan = planPreviewNavigation(preparePreviewAddress(address, previewMacros()));
    for (const PreviewStep& step : plan.steps) runPreviewStep(step);
    return plan.cancel;
}

void CMenuCreatorDlg::startFromChooser(const std::string& address) {
    TemplateChoice choice = templateForAddress(address, htmlFolder_);
    if (choice.kind == TemplateKind::ImageGallery) {
        auto folder = prompts_.folder(this, "Select a folder containing your images");
        if (!folder || folder->empty()) return;
        GalleryResult r = generateImageGallery(folder->utf8_string(), htmlFolder_);
        if (r.pictureCount == 0) {
            prompts_.message(this, kNoImages, "Rondivo!", wxOK | wxICON_ERROR);
            return;
        }
        prompts_.message(
            this,
            wxString::Format("Your image gallery has been created with %d images and will now open "
                             "in the Menu Designer. Click the PREVIEW toolbar button to see it in "
                             "action or click the SAVE toolbar button and then click CREATE CD on "
                             "the main screen to compile your presentation for CD.",
                             r.pictureCount),
            "Rondivo!", wxOK | wxICON_INFORMATION);
    }
    editing_ = true;
    templateFirstLoad_ = true;
    loadPage(choice.page);
    toolbar_->Show();
    Layout();
}

void CMenuCreatorDlg::selectAllStep() {
    if (document_->selectionIsTextBox()) document_->selectTextBoxContents();
}

std::string CMenuCreatorDlg::chooseFile(const wxString& title, const wxString& filter, bool preview,
                                        const wxString& defaultName) {
    auto files = prompts_.openFiles(this, title, wxString::FromUTF8(htmlFolder_.string()),
                                    defaultName, filter, wxFD_OPEN | wxFD_FILE_MUST_EXIST, preview);
    return files.empty() ? std::string() : files.front().utf8_string();
}

void CMenuCreatorDlg::runCommand(int id) {
    // Buttons that are disabled send nothing.
    if (id != ID_CLOSE && toolbar_->FindById(id) && !toolbar_->GetToolEnabled(id)) return;
    switch (id) {
        case ID_PAGE_TITLE:
            if (auto t = prompts_.text(this, "Add Page Title", "Enter the Title for your Page",
                                       wxString::FromUTF8(head_.title))) {
                head_.title = t->utf8_string();
                SetTitle(*t);
            }
            break;
        case ID_BACKGROUND_IMAGE:
            if (std::string p = chooseFile("Select a Background Image", kImageFilter, true);
                !p.empty()) {
                document_->setBodyBackground(fileUrl(p));
                head_.backgroundImage = p;
            }
            break;
        case ID_INSERT_IMAGE:
            insertImage();
            break;
        case ID_HYPERLINK:
            hyperlink();
            break;
        case ID_INSERT_TEXT:
            insertText();
            break;
        case ID_TEXT_COLOR:
            selectAllStep();
            if (auto c = prompts_.colour(this)) document_->foreColour(c->GetRGB());
            break;
        case ID_BACKGROUND_COLOR:
            if (auto c = prompts_.colour(this)) {
                document_->setPageBackgroundColour(c->GetRGB());
                head_.backgroundColour = colourText(c->GetRGB());
            }
            break;
        case ID_BACKGROUND_MUSIC:
            if (std::string p = chooseFile("Select a Music File", kMusicFilter, false);
                !p.empty()) {
                head_.musicPath = p;
                prompts_.message(this, kMusicAdded, "Rondivo!", wxOK | wxICON_INFORMATION);
            }
            break;
        case ID_INSERT_MOVIE:
            insertMovie();
            break;
        case ID_JUSTIFY_LEFT:
            document_->justifyLeft();
            break;
        case ID_CENTER:
            document_->justifyCenter();
            break;
        case ID_JUSTIFY_RIGHT:
            document_->justifyRight();
            break;
        case ID_FREE_MOVE:
            document_->freeMove();
            break;
        case ID_CHANGE_FONT:
            selectAllStep();
            if (auto f = prompts_.font(this)) {
                document_->fontName(f->first.utf8_string());
                document_->fontSize(fontSizeForPoints(f->second));
            }
            break;
        case ID_BOLD:
            selectAllStep();
            document_->bold();
            break;
        case ID_ITALIC:
            selectAllStep();
            document_->italic();
            break;
        case ID_UNDERLINE:
            selectAllStep();
            document_->underline();
            break;
        case ID_SAVE:
            saveFlow(false);
            break;
        case ID_CLOSE:
            saveFlow(true);
            break;
        case ID_OPEN: {
            auto files = prompts_.openFiles(this, "Open Existing HTML File",
                                            wxString::FromUTF8(htmlFolder_.string()), "index",
                                            kHtmlFilter, wxFD_OPEN | wxFD_FILE_MUST_EXIST, false);
            if (files.empty()) break;
            std::filesystem::path file = files.front().utf8_string();
            editing_ = true;
            loadPage(file.string());
            menuFolder_ = file.parent_path();
            menuName_ = file.filename().string();
            break;
        }
        case ID_HELP: {
            // The program's own manual, at its Menu Creator chapter.
            CHelpDlg help(this, helpManualPage(programFolder_.string()), "MENUCREATOR");
            help.ShowModal();
            break;
        }
        case ID_PREVIEW:
        case ID_STOP_PREVIEW:
            togglePreview();
            break;
        default:
            break;
    }
}

void CMenuCreatorDlg::insertImage() {
    document_->caretToEnd();
    std::string p = chooseFile("Select an Image", kImageFilter, true);
    if (p.empty()) return;
    document_->lineBreak();
    document_->paragraph();
    document_->insertImage(p);
    document_->lineBreak();
    document_->paragraph();
    document_->zeroImageBorders();
    document_->freeMove();
}

void CMenuCreatorDlg::hyperlink() {
    if (!document_->selectionIsTextOrControl()) {
        prompts_.message(this, kSelectFirst, "Rondivo!", wxOK);
        return;
    }
    selectAllStep();
    auto url = dialogs_.hyperlink(this);
    if (!url) return;
    document_->hyperlink(*url);
    document_->keepActionLinksInPlace();
}

void CMenuCreatorDlg::insertText() {
    auto text =
        prompts_.text(this, "Add Text Box", "Enter text for this text box", "My Text Label");
    if (!text) return;
    document_->caretToEnd();
    document_->pasteFragment("<P><BR><FIELDSET>" + text->utf8_string() + "</FIELDSET><BR></P>",
                             false);
    document_->freeMove();
}

void CMenuCreatorDlg::insertMovie() {
    document_->caretToEnd();
    std::string p = chooseFile("Select a Movie", kMovieFilter, false);
    if (p.empty()) return;
    document_->lineBreak();
    document_->paragraph();
    document_->pasteFragment("<EMBED SRC=\"" + fileUrl(p) + "\" border=0 autoplay=true>", true);
    // The engine's line break would replace the selected movie; continue after it.
    document_->caretToEnd();
    document_->lineBreak();
    document_->paragraph();
    insertedMovies_ += 2;
    document_->freeMove();
}

void CMenuCreatorDlg::togglePreview() {
    editing_ = !editing_;
    for (int i = 0; i < 20; ++i) toolbar_->EnableTool(kButtons[i].command, editing_);
    document_->setDesignMode(editing_);
    if (!editing_) {
        toolbar_->AddTool(ID_STOP_PREVIEW, "Stop Preview", toolbarIcon(178), "Stop Preview");
    } else {
        toolbar_->DeleteTool(ID_STOP_PREVIEW);
    }
    toolbar_->Realize();
}

void CMenuCreatorDlg::saveFlow(bool offerDiscard) {
    if (currentUrl_.empty() || currentUrl_.find(kChooserMarker) != std::string::npos) {
        finish(wxID_CANCEL);
        return;
    }
    if (menuFolder_.empty()) {
        std::error_code ec;
        std::filesystem::current_path(htmlFolder_, ec);
        menuFolder_ = std::filesystem::current_path(ec);
        menuName_ = "My Menu";
    }
    auto [result, name] = dialogs_.saveAs(this, menuName_, menuFolder_, offerDiscard);
    if (result == CSaveMenuDlg::Result::Cancel) return;
    if (result == CSaveMenuDlg::Result::Discard) {
        finish(wxID_CANCEL);
        return;
    }
    std::filesystem::path file = menuFolder_ / name;
    if (!saveMenuPage(file, document_->bodyHtml(), head_)) {
        // Ending with OK here would hand the designer a page that is not there.
        prompts_.message(
            this, wxString::FromUTF8("The menu could not be saved as " + file.string() + "."),
            "Rondivo!", wxOK | wxICON_ERROR);
        return;
    }
    menuFilePath_ = file;
    menuName_ = name;
    finish(wxID_OK);
}

void CMenuCreatorDlg::copyFiles(const std::vector<std::pair<std::string, std::string>>& pairs,
                                const std::string& doneText) {
    wxDialog progress(this, wxID_ANY, "Rondivo!", wxDefaultPosition, wxDefaultSize, wxCAPTION);
    auto* s = new wxBoxSizer(wxVERTICAL);
    s->Add(new wxStaticText(&progress, 1030, "Copying files:"), 0, wxALL, 8);
    auto* detail = new wxStaticText(&progress, 1031, "", wxDefaultPosition, wxSize(360, 40));
    s->Add(detail, 0, wxALL, 8);
    progress.SetSizerAndFit(s);
    progress.Centre();
    progress.Show();
    bool failed = false;
    for (const auto& [source, target] : pairs) {
        detail->SetLabel(wxString::FromUTF8(source + " ->\n" + target));
        progress.Update();
        std::filesystem::path from = platform::resolvePath(htmlFolder_, source);
        std::filesystem::path to = platform::toNativePath(target);
        std::error_code ec;
        std::filesystem::create_directory(to.parent_path(), ec);
        ec.clear();
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            failed = true;
            prompts_.message(this,
                             wxString::FromUTF8("Error copying file " + source + " to " + target),
                             "CD-ROM Application", wxOK | wxICON_ERROR);
        }
    }
    progress.Hide();
    if (!failed)
        prompts_.message(this, wxString::FromUTF8(doneText), "CD-ROM Application",
                         wxOK | wxICON_INFORMATION);
}

void CMenuCreatorDlg::runPreviewStep(const PreviewStep& step) {
    switch (step.kind) {
        case PreviewStepKind::BeginEditing:
            startFromChooser(step.argument);
            break;
        case PreviewStepKind::MessageBox:
            prompts_.message(this, wxString::FromUTF8(previewMessageText(step.argument)),
                             GetTitle(), wxOK);
            break;
        case PreviewStepKind::Quit:
        case PreviewStepKind::Eject:
            // No drive is chosen while designing, so the eject reaches none.
            prompts_.message(this, kPreviewExitMessage, GetTitle(), wxOK | wxICON_INFORMATION);
            if (!editing_) togglePreview();
            break;
        case PreviewStepKind::Run:
            for (const std::string& entry : previewRunEntries(step.argument, htmlFolder_)) {
                int r = platform::shellExecute(entry, "", htmlFolder_);
                if (platform::shellSucceeded(r)) continue;
                if (auto text = launchFailureText(r, entry, ""))
                    prompts_.message(this, wxString::FromUTF8(*text), kOpenErrorCaption,
                                     wxOK | wxICON_ERROR);
                else
                    OpenWithDialog(this, platform::resolvePath(htmlFolder_, entry)).ShowModal();
            }
            break;
        case PreviewStepKind::Browse:
            platform::openFolder(
                platform::toNativePath(previewBrowseFolder("C:\\", step.argument)));
            break;
        case PreviewStepKind::Maximize: {
            wxRect screen = wxDisplay(wxDisplay::GetFromWindow(this) == wxNOT_FOUND
                                          ? 0u
                                          : unsigned(wxDisplay::GetFromWindow(this)))
                                .GetGeometry();
            wxSize border = (GetSize() - GetClientSize()) / 2;
            SetSize(-1 - border.x, -1 - border.y, screen.width + border.x + 1,
                    screen.height + border.y + 1);
            break;
        }
        case PreviewStepKind::RestoreSize:
            prompts_.message(this, kPreviewRestoreMessage, "Rondivo!", wxOK | wxICON_INFORMATION);
            break;
        case PreviewStepKind::Minimize:
            Iconize(true);
            break;
        case PreviewStepKind::UserSelectCopy: {
            auto folder = prompts_.folder(this, "Where do you wish to save the file(s)?");
            if (!folder || folder->empty()) break;
            std::string f = folder->utf8_string();
            copyFiles(previewUserCopyPairs(step.argument, f, htmlFolder_),
                      "All files have been copied to " + f);
            break;
        }
        case PreviewStepKind::Copy:
            copyFiles(previewCopyPairs(step.argument), "All files have been copied.");
            break;
        case PreviewStepKind::OpenInNewWindow:
            openAddress(step.argument);
            break;
    }
}

std::optional<std::string> runMenuCreator(wxWindow* parent,
                                          const std::filesystem::path& programFolder) {
    CMenuCreatorDlg dlg(parent, programFolder);
    if (dlg.ShowModal() != wxID_OK || dlg.menuFilePath().empty()) return std::nullopt;
    return dlg.menuFilePath().string();
}

}  // namespace rondivo::menucreator
