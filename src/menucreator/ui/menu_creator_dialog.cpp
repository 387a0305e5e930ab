#include "menucreator/ui/menu_creator_dialog.h"

#include <wx/filedlg.h>
#include <wx/sizer.h>

#include <chrono>
#include <system_error>

#include "menucreator/image_gallery.h"
#include "menucreator/menu_editor_script.h"
#include "menucreator/menu_folder.h"
#include "menucreator/picture_types.h"
#include "menucreator/templates.h"
#include "menucreator/ui/hyperlink_dialog.h"
#include "menucreator/ui/preview_host.h"
#include "platform/file_io.h"
#include "platform/process.h"
#include "player/action_executor.h"
#include "player/page_scripts.h"
#include "ui/file_url.h"
#include "ui/help_dialog.h"
#include "ui/message_box.h"
#include "ui/open_with_dialog.h"
#include "ui/web_view_script.h"

namespace rondivo::menucreator {

namespace {

constexpr const char* kCaption = "Rondivo! CD-ROM Menu Creator";
constexpr const char* kMusicFilter = "WAV/MP3/MID (*.wav;*.mp3;*.mid)|*.wav;*.mp3;*.mid";
constexpr const char* kMovieFilter =
    "WMV/MPG/AVI (*.wmv;*.mpg;*.avi;*.mpeg)|*.wmv;*.mpg;*.avi;*.mpeg";
constexpr const char* kHtmlFilter = "HTML Files (*.html)|*.html";
constexpr const char* kMusicAdded =
    "Your background music has been added to the menu. The music will play after you save the menu "
    "and click Create CD on the main screen to compile your presentation and preview or burn to "
    "CD.";
constexpr const char* kSelectFirst =
    "Please select an image or highlight text, then click the Hyperlink button to add a hyperlink.";
constexpr const char* kNoImages =
    "No images of type GIF, JPG, BMP, PNG, WebP or SVG were found in the directory selected. "
    "Please restart the Image Gallery Wizard and choose a directory containing images.";

using D = CMenuCreatorDlg;

struct ToolButton {
    const char* tooltip;
    int icon;
    int command;
};
constexpr ToolButton kButtons[21] = {
    {"Page Title", 174, D::kPageTitle},
    {"Insert Background Image", 173, D::kBackgroundImage},
    {"Insert Image", 158, D::kInsertImage},
    {"Hyperlink", 157, D::kHyperlink},
    {"Insert Text", 175, D::kInsertText},
    {"Text Color", 171, D::kTextColor},
    {"Background Color", 172, D::kBackgroundColor},
    {"Insert Background Music", 186, D::kBackgroundMusic},
    {"Insert Movie", 199, D::kInsertMovie},
    {"Justify Left", 164, D::kJustifyLeft},
    {"Center", 163, D::kCenter},
    {"Justify Right", 165, D::kJustifyRight},
    {"Freely Move Objects", 166, D::kFreeMove},
    {"Change Font", 180, D::kChangeFont},
    {"Bold", 167, D::kBold},
    {"Italic", 168, D::kItalic},
    {"Underline", 169, D::kUnderline},
    {"Save", 159, D::kSave},
    {"Open", 161, D::kOpen},
    {"Help", 185, D::kHelp},
    {"Preview", 162, D::kPreview},
};

// Web addresses go straight to the desktop's browser; the shell call of the
// platform layer is for files.
void openAddress(const std::string& url) {
    platform::SpawnResult r = platform::spawnProcess({"xdg-open", url});
    if (r.started())
        platform::waitForExit(r.pid, std::chrono::milliseconds(0));  // reaped when it ends
}

}  // namespace

CMenuCreatorDlg::CMenuCreatorDlg(wxWindow* parent, const std::filesystem::path& programFolder,
                                 MenuPrompts prompts, MenuCreatorDialogs dialogs)
    : wxDialog(parent, wxID_ANY, kCaption, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX),
      programFolder_(programFolder),
      htmlFolder_(programFolder / "html"),
      prompts_(std::move(prompts)),
      dialogs_(std::move(dialogs)) {
    useStandardDialogs();
    buildToolbar();
    document_ = std::make_unique<CMenuDocument>(this, kBrowser, programFolder_);
    addPageScript(document_->view(), actionLinkScript(), wxWEBVIEW_INJECT_AT_DOCUMENT_END);
    previewHost_ = std::make_unique<PreviewHost>(*this, prompts_, [this] {
        if (!editing_) togglePreview();
    });
    layOut();
    bindWindowEvents();
    bindPageEvents();
    document_->navigate(kChooserPageUrl);
}

CMenuCreatorDlg::~CMenuCreatorDlg() = default;

// The window's own Save As and hyperlink dialogs, where a test gave none.
void CMenuCreatorDlg::useStandardDialogs() {
    if (!dialogs_.saveAs) {
        dialogs_.saveAs = [this](wxWindow* owner, const std::string& name,
                                 const MenuFileFor& fileFor, bool offerDiscard) {
            CSaveMenuDlg dlg(owner, name, fileFor, offerDiscard, prompts_);
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
}

void CMenuCreatorDlg::buildToolbar() {
    toolbar_ = new wxToolBar(this, kToolbar, wxDefaultPosition, wxDefaultSize,
                             wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER);
    toolbar_->SetBackgroundColour(*wxWHITE);
    toolbar_->SetToolBitmapSize(wxSize(16, 16));
    for (const ToolButton& b : kButtons)
        toolbar_->AddTool(b.command, b.tooltip, toolbarIcon(b.icon), b.tooltip);
    toolbar_->Realize();
    toolbar_->Hide();  // until the author has chosen how to start
}

// The toolbar stretches with the width, the page with both.
void CMenuCreatorDlg::layOut() {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(toolbar_, 0, wxEXPAND);
    sizer->Add(document_->view(), 1, wxEXPAND);
    SetSizer(sizer);
    SetMinSize(wxSize(320, 240));
    SetSize(ConvertDialogToPixels(wxSize(502, 329)));
    Centre();
}

void CMenuCreatorDlg::bindWindowEvents() {
    toolbar_->Bind(wxEVT_TOOL, [this](wxCommandEvent& e) { runCommand(e.GetId()); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
        if (endCode_ == 0 && e.CanVeto()) {
            e.Veto();
            runCommand(kClose);
        } else {
            e.Skip();
        }
    });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_ESCAPE)
            runCommand(kClose);
        else
            e.Skip();
    });
}

void CMenuCreatorDlg::bindPageEvents() {
    wxWebView* view = document_->view();
    view->Bind(wxEVT_WEBVIEW_NAVIGATING, [this](wxWebViewEvent& e) {
        std::string url = e.GetURL().utf8_string();
        // Action links arrive as written through the player's own scheme.
        if (auto action = carriedAddress(kActionScheme, url)) url = *action;
        if (!planPreviewNavigation(url, previewMacros()).cancel()) return;
        e.Veto();
        // Dialogs wait until the engine has its answer.
        CallAfter([this, url] { handleNavigation(url); });
    });
    // Links with a target of their own open in the desktop's browser; the
    // built-in manual (the chooser's "Action Commands") in the help window.
    view->Bind(wxEVT_WEBVIEW_NEWWINDOW, [this](wxWebViewEvent& e) {
        std::string url = e.GetURL().utf8_string();
        CallAfter([this, url] {
            if (handleNavigation(url)) return;
            if (auto chapter = helpChapterOf(url))
                showHelp(*chapter);
            else
                openAddress(url);
        });
    });
    view->Bind(wxEVT_WEBVIEW_LOADED, [this](wxWebViewEvent& e) { onLoaded(e.GetURL()); });
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
    pageFolder_ = isAddress ? std::filesystem::path() : platform::u8path(pathOrUrl).parent_path();
    document_->navigate(isAddress ? pathOrUrl : fileUrl(pathOrUrl));
}

bool CMenuCreatorDlg::handleNavigation(const std::string& address) {
    PreviewPlan plan = planPreviewNavigation(address, previewMacros());
    if (plan.beginEditing) startFromChooser(plan.prepared);
    executeActions(plan.actions, previewActionContext(htmlFolder_), *previewHost_);
    if (plan.openOutside) openAddress(plan.prepared);
    return plan.cancel();
}

void CMenuCreatorDlg::startFromChooser(const std::string& address) {
    TemplateChoice choice = templateForAddress(address, htmlFolder_);
    if (choice.kind == TemplateKind::ImageGallery && !makeGallery()) return;
    editing_ = true;
    templateFirstLoad_ = true;
    loadPage(choice.page);
    toolbar_->Show();
    Layout();
}

// Asks for a picture folder and writes the gallery page; false to stay on the chooser.
bool CMenuCreatorDlg::makeGallery() {
    auto folder = prompts_.folder(this, "Select a folder containing your images");
    if (!folder || folder->empty()) return false;
    GalleryResult r = generateImageGallery(platform::u8path(folder->utf8_string()), htmlFolder_);
    if (r.pictureCount == 0) {
        prompts_.message(this, kNoImages, kProgramTitle, wxOK | wxICON_ERROR);
        return false;
    }
    prompts_.message(
        this,
        wxString::Format("Your image gallery has been created with %d images and will now open "
                         "in the Menu Designer. Click the PREVIEW toolbar button to see it in "
                         "action or click the SAVE toolbar button and then click CREATE CD on "
                         "the main screen to compile your presentation for CD.",
                         r.pictureCount),
        kProgramTitle, wxOK | wxICON_INFORMATION);
    return true;
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

const CMenuCreatorDlg::Command* CMenuCreatorDlg::findCommand(int id) {
    // Commands marked true format text: a selected text box gives its text first.
    static const Command kCommands[] = {
        {kPageTitle, false, [](D& d) { d.askPageTitle(); }},
        {kBackgroundImage, false, [](D& d) { d.chooseBackgroundImage(); }},
        {kInsertImage, false, [](D& d) { d.insertImage(); }},
        {kHyperlink, false, [](D& d) { d.hyperlink(); }},
        {kInsertText, false, [](D& d) { d.insertText(); }},
        {kTextColor, true, [](D& d) { d.chooseTextColour(); }},
        {kBackgroundColor, false, [](D& d) { d.chooseBackgroundColour(); }},
        {kBackgroundMusic, false, [](D& d) { d.chooseBackgroundMusic(); }},
        {kInsertMovie, false, [](D& d) { d.insertMovie(); }},
        {kJustifyLeft, false, [](D& d) { d.document_->justifyLeft(); }},
        {kCenter, false, [](D& d) { d.document_->justifyCenter(); }},
        {kJustifyRight, false, [](D& d) { d.document_->justifyRight(); }},
        {kFreeMove, false, [](D& d) { d.document_->freeMove(); }},
        {kChangeFont, true, [](D& d) { d.changeFont(); }},
        {kBold, true, [](D& d) { d.document_->bold(); }},
        {kItalic, true, [](D& d) { d.document_->italic(); }},
        {kUnderline, true, [](D& d) { d.document_->underline(); }},
        {kSave, false, [](D& d) { d.saveFlow(false); }},
        {kClose, false, [](D& d) { d.saveFlow(true); }},
        {kOpen, false, [](D& d) { d.openPage(); }},
        {kHelp, false, [](D& d) { d.showHelp("MENUCREATOR"); }},
        {kPreview, false, [](D& d) { d.togglePreview(); }},
        {kStopPreview, false, [](D& d) { d.togglePreview(); }},
    };
    for (const Command& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

void CMenuCreatorDlg::runCommand(int id) {
    // Buttons that are disabled send nothing.
    if (id != kClose && toolbar_->FindById(id) && !toolbar_->GetToolEnabled(id)) return;
    const Command* command = findCommand(id);
    if (!command) return;
    if (command->onTextBoxText) selectAllStep();
    command->run(*this);
}

void CMenuCreatorDlg::askPageTitle() {
    auto title = prompts_.text(this, "Add Page Title", "Enter the Title for your Page",
                               wxString::FromUTF8(head_.title));
    if (!title) return;
    head_.title = title->utf8_string();
    SetTitle(*title);
}

void CMenuCreatorDlg::chooseBackgroundImage() {
    std::string p = chooseFile("Select a Background Image", pictureFileFilter(), true);
    if (p.empty()) return;
    document_->setBodyBackground(fileUrl(p));
    head_.backgroundImage = p;
}

void CMenuCreatorDlg::insertImage() {
    document_->caretToEnd();
    std::string p = chooseFile("Select an Image", pictureFileFilter(), true);
    if (p.empty()) return;
    document_->lineBreak();
    document_->paragraph();
    document_->insertImage(platform::u8path(p));
    document_->lineBreak();
    document_->paragraph();
    document_->zeroImageBorders();
    document_->freeMove();
    document_->placeNewest("img");
}

void CMenuCreatorDlg::hyperlink() {
    if (!document_->selectionIsTextOrControl()) {
        prompts_.message(this, kSelectFirst, kProgramTitle, wxOK);
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
    document_->insertTextBox(text->utf8_string());
    document_->freeMove();
    document_->placeNewest("fieldset");
}

void CMenuCreatorDlg::chooseTextColour() {
    if (auto c = prompts_.colour(this)) document_->foreColour(c->GetRGB());
}

void CMenuCreatorDlg::chooseBackgroundColour() {
    auto c = prompts_.colour(this);
    if (!c) return;
    document_->setPageBackgroundColour(c->GetRGB());
    head_.backgroundColour = colourText(c->GetRGB());
}

void CMenuCreatorDlg::chooseBackgroundMusic() {
    std::string p = chooseFile("Select a Music File", kMusicFilter, false);
    if (p.empty()) return;
    head_.musicPath = p;
    prompts_.message(this, kMusicAdded, kProgramTitle, wxOK | wxICON_INFORMATION);
}

void CMenuCreatorDlg::insertMovie() {
    document_->caretToEnd();
    std::string p = chooseFile("Select a Movie", kMovieFilter, false);
    if (p.empty()) return;
    document_->lineBreak();
    document_->paragraph();
    document_->pasteFragment(
        "<EMBED SRC=\"" + pageFileAddress(platform::u8path(p)) + "\" border=0 autoplay=true>",
        true);
    // The engine's line break would replace the selected movie; continue after it.
    document_->caretToEnd();
    document_->lineBreak();
    document_->paragraph();
    insertedMovies_ += 2;
    document_->freeMove();
}

void CMenuCreatorDlg::changeFont() {
    auto font = prompts_.font(this);
    if (!font) return;
    document_->fontName(font->first.utf8_string());
    document_->fontSize(fontSizeForPoints(font->second));
}

void CMenuCreatorDlg::openPage() {
    // The author's own menus are where Save put them; the templates and demos are in html/.
    std::error_code ec;
    std::filesystem::path start = programFolder_ / kMenusFolderName;
    if (!std::filesystem::is_directory(start, ec)) start = htmlFolder_;
    auto files = prompts_.openFiles(this, "Open Existing HTML File",
                                    wxString::FromUTF8(platform::u8string(start)), "index",
                                    kHtmlFilter, wxFD_OPEN | wxFD_FILE_MUST_EXIST, false);
    if (files.empty()) return;
    std::filesystem::path file = platform::u8path(files.front().utf8_string());
    editing_ = true;
    loadPage(platform::u8string(file));
    openedFolder_ = file.parent_path();
    menuName_ = platform::u8string(file.filename());
}

// The program's own manual, at a chapter.
void CMenuCreatorDlg::showHelp(const std::string& chapter) {
    HelpDialog help(this, helpManualPage(platform::u8string(programFolder_)), chapter);
    help.ShowModal();
}

void CMenuCreatorDlg::togglePreview() {
    editing_ = !editing_;
    for (const ToolButton& b : kButtons)
        if (b.command != kPreview) toolbar_->EnableTool(b.command, editing_);
    document_->setDesignMode(editing_);
    if (!editing_) {
        toolbar_->AddTool(kStopPreview, "Stop Preview", toolbarIcon(178), "Stop Preview");
    } else {
        toolbar_->DeleteTool(kStopPreview);
    }
    toolbar_->Realize();
}

void CMenuCreatorDlg::saveFlow(bool offerDiscard) {
    if (currentUrl_.empty() || currentUrl_.find(kChooserMarker) != std::string::npos) {
        finish(wxID_CANCEL);
        return;
    }
    if (menuName_.empty()) {
        std::error_code ec;
        std::filesystem::current_path(htmlFolder_, ec);
        menuName_ = "My Menu";
    }
    auto [result, name] = dialogs_.saveAs(
        this, menuName_, [this](const std::string& n) { return menuFileFor(n); }, offerDiscard);
    if (result == CSaveMenuDlg::Result::Cancel) return;
    if (result == CSaveMenuDlg::Result::Discard) {
        finish(wxID_CANCEL);
        return;
    }
    const std::filesystem::path file = menuFileFor(name);
    if (!writeMenu(file)) return;
    menuFilePath_ = file;
    menuName_ = platform::u8string(file.filename());
    finish(wxID_OK);
}

std::filesystem::path CMenuCreatorDlg::menuFileFor(const std::string& fileName) const {
    return menuSavePath(programFolder_, openedFolder_, fileName);
}

// Writes the page into its folder with the files it links from where it was
// opened; false (the author told) when the page itself could not be written.
bool CMenuCreatorDlg::writeMenu(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (!saveMenuPage(file, document_->bodyHtml(), head_)) {
        // Ending with OK here would hand the designer a page that is not there.
        prompts_.message(
            this,
            wxString::FromUTF8("The menu could not be saved as " + platform::u8string(file) + "."),
            kProgramTitle, wxOK | wxICON_ERROR);
        return false;
    }
    LinkedCopyReport copied = copyLinkedFiles(file, pageFolder_);
    if (!copied.failed.empty()) {
        std::string list;
        for (const std::string& f : copied.failed) list += "\n" + f;
        prompts_.message(this,
                         wxString::FromUTF8("The menu was saved, but these files it shows or "
                                            "opens could not be copied beside it:" +
                                            list),
                         kProgramTitle, wxOK | wxICON_WARNING);
    }
    return true;
}

std::optional<std::string> runMenuCreator(wxWindow* parent,
                                          const std::filesystem::path& programFolder) {
    CMenuCreatorDlg dlg(parent, programFolder);
    if (dlg.ShowModal() != wxID_OK || dlg.menuFilePath().empty()) return std::nullopt;
    return dlg.menuFilePath().string();
}

}  // namespace rondivo::menucreator
