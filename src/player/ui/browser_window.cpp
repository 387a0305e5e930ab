#include "player/ui/browser_window.h"

#include <wx/dcmemory.h>
#include <wx/dirdlg.h>
#include <wx/display.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/icon.h>
#include <wx/log.h>
#include <wx/mediactrl.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/textdlg.h>
#include <wx/webview.h>

#include "disc/action_address.h"
#include "disc/autorun_inf.h"
#include "platform/eject.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/player_files.h"
#include "player/media_compat.h"
#include "player/page_scripts.h"
#include "player/secure_extract.h"
#include "player/ui/copy_progress_dialog.h"
#include "player/ui/player_message_dialog.h"
#include "ui/file_url.h"
#include "ui/message_box.h"
#include "ui/open_with_dialog.h"
#include "ui/picture.h"
#include "ui/web_view_script.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

long browserStyle(const PresentationSettings& s) {
    long style =
        wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX;
    // The window manager decides decorations when the window is created, so
    // the frame options are applied here rather than after creation.
    if (s.disableTitleBar) style &= ~(wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    if (s.disableResizing) style &= ~(wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX);
    if (!(style & (wxCAPTION | wxRESIZE_BORDER))) style |= wxBORDER_NONE;
    if (s.topMost) style |= wxSTAY_ON_TOP;
    return style | wxDIALOG_NO_PARENT;
}

// The program's own icon: a disc.
wxIcon programIcon() {
    wxBitmap bmp(32, 32, 32);
    bmp.UseAlpha();
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        dc.SetPen(wxPen(wxColour(90, 90, 110)));
        dc.SetBrush(wxBrush(wxColour(200, 205, 225)));
        dc.DrawCircle(16, 16, 15);
        dc.SetBrush(wxBrush(wxColour(120, 160, 230)));
        dc.DrawCircle(16, 16, 9);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.DrawCircle(16, 16, 3);
    }
    wxIcon icon;
    icon.CopyFromBitmap(bmp);
    return icon;
}

}  // namespace

BrowserWindow::BrowserWindow(const BrowserLaunch& launch, const SecureExtractionHook& extraction) {
    takeLaunch(launch);
    Create(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
           browserStyle(launch.settings));
    SetClientSize(kBrowserTemplateWidth, kBrowserTemplateHeight);
    SetMinSize(wxSize(kBrowserMinWidth, kBrowserMinHeight));
    Centre();
    // The control grows with the window.
    SetSizer(new wxBoxSizer(wxVERTICAL));
    runSecureExtraction(extraction);
    context_.executableFolder = platform::discFolder();
    context_.dataFolderLayout = dataFolderLayout;
    context_.secureFolder = secureFolder;

    // The frame options are in the style; then the movie or the page.
    if (mediaMode) {
        createMediaCtrl();
        auto slash = address.rfind('/');
        if (slash != std::string::npos && slash > 0)
            SetTitle(wxString::FromUTF8(address.substr(slash + 1)));
    } else {
        createWebView(launch.settings.disableRightClick != 0);
    }
    Layout();
    applySize(true);
    if (web_) web_->LoadURL(wxString::FromUTF8(fileUrl(address)));
    setCaptionFromAutorunInf();
    setWindowIcon();

    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { quit(); });
}

void BrowserWindow::takeLaunch(const BrowserLaunch& launch) {
    const PresentationSettings& s = launch.settings;
    placement_.sizeIndex = launch.windowSizeIndex;
    placement_.customWidth = s.customWidth;
    placement_.customHeight = s.customHeight;
    placement_.startX = s.startX;
    placement_.startY = s.startY;
    placement_.centreOnStart = s.centreOnStart != 0;
    iconPath = launch.icon;
    mediaMode = launch.mediaMode;
    dataFolderLayout = launch.dataFolderLayout;
    auto found = platform::findCaseInsensitive("/", launch.address);
    address = (found ? *found : launch.address).string();
}

// The disc's secure files, decrypted into the temporary folder; the page
// shown is then their copy.
void BrowserWindow::runSecureExtraction(const SecureExtractionHook& extract) {
    if (!extract) return;
    SecureExtraction extraction;
    extraction.owner = this;
    extraction.address = platform::u8path(address);
    extraction.dataFolderLayout = dataFolderLayout;
    extract(extraction);
    address = extraction.address.string();
    secureFolder = extraction.secureFolder;
}

BrowserWindow::~BrowserWindow() {
    if (progress_) progress_->Destroy();
    if (cleanupTempOnClose) {
        SecureWindowState state;
        state.address = address;
        state.secureFolder = secureFolder;
        state.dataFolderLayout = dataFolderLayout;
        removeSecureFolder(state);
    }
}

void BrowserWindow::createWebView(bool suppressRightClick) {
    web_ =
        wxWebView::New(this, kWebView, wxWebViewDefaultURLStr, wxDefaultPosition, GetClientSize());
    addPageScript(web_, actionLinkScript());
    addPageScript(web_, newWindowScript());
    addPageScript(web_, backScript());
    // Menu pages carry their music as BGSOUND and movies as EMBED, which the engine does not play.
    addPageScript(web_, mediaCompatScript(), wxWEBVIEW_INJECT_AT_DOCUMENT_END);
    if (suppressRightClick) {
        web_->EnableContextMenu(false);
        addPageScript(web_, noRightClickScript());
    }
    GetSizer()->Add(web_, 1, wxEXPAND);
    web_->Bind(wxEVT_WEBVIEW_NAVIGATING, &BrowserWindow::onNavigating, this);
    web_->Bind(wxEVT_WEBVIEW_TITLE_CHANGED, &BrowserWindow::onTitleChanged, this);
    // New-window requests the page script does not see (a form's target, a
    // Ctrl+click): the engine opens nothing, the request is routed as a link.
    web_->Bind(wxEVT_WEBVIEW_NEWWINDOW,
               [this](wxWebViewEvent& e) { onBeforeNavigate(e.GetURL().utf8_string(), true); });
    engineHooks_ = std::make_unique<EngineHooks>(
        web_,
        [this](ScriptDialogKind kind, const std::string& message, const std::string& text) {
            // The window's caption (the disc's label or the page's title), never the page's
            // address as the engine would have it; the program's name when there is none.
            std::string title = caption();
            return showScriptDialog(kind, title.empty() ? kProgramTitle : title, message, text);
        },
        [this](const std::string& url) {
            CallAfter([this, decision = routeUnshown(url)] { openLinkOutside(decision, *this); });
        });
}

void BrowserWindow::createMediaCtrl() {
    media_ = new wxMediaCtrl();
    media_->Create(this, kMedia, wxEmptyString, wxDefaultPosition, GetClientSize());
    GetSizer()->Add(media_, 1, wxEXPAND);
    media_->Bind(wxEVT_MEDIA_LOADED, [this](wxMediaEvent&) { media_->Play(); });
    media_->Load(wxString::FromUTF8(address));
}

void BrowserWindow::setCaptionFromAutorunInf() {
    if (auto label = labelFromAutorunInf(context_.executableFolder))
        SetTitle(wxString::FromUTF8(*label));
}

void BrowserWindow::setWindowIcon() {
    wxIcon icon;
    const std::string lower = platform::toLower(iconPath);
    // Icons inside programs and libraries are a Windows resource; those discs get the program's
    // icon.
    if (!iconPath.empty() && lower.find(".exe") == std::string::npos &&
        lower.find(".dll") == std::string::npos) {
        wxLogNull quiet;
        // The icon lies in the disc's root, whichever folder the page is in.
        wxImage image = loadPicture(platform::resolvePath(context_.executableFolder, iconPath));
        if (image.IsOk()) {
            int side = wxSystemSettings::GetMetric(wxSYS_ICON_X, this);
            if (side <= 0) side = 32;
            icon.CopyFromBitmap(wxBitmap(image.Rescale(side, side, wxIMAGE_QUALITY_HIGH)));
        }
    }
    if (!icon.IsOk()) icon = programIcon();
    SetIcon(icon);
}

int BrowserWindow::run() {
    closed_ = false;
    return ShowModal();
}

ScreenMetrics BrowserWindow::screenMetrics() const {
    ScreenMetrics m;
    m.width = wxSystemSettings::GetMetric(wxSYS_SCREEN_X);
    m.height = wxSystemSettings::GetMetric(wxSYS_SCREEN_Y);
    int bx = wxSystemSettings::GetMetric(wxSYS_BORDER_X, this);
    int by = wxSystemSettings::GetMetric(wxSYS_BORDER_Y, this);
    m.borderX = bx > 0 ? bx : 1;
    m.borderY = by > 0 ? by : 1;
    // The display the window is on (the first one before it is shown).
    wxRect area = wxDisplay(this).GetClientArea();
    m.workArea = {area.x, area.y, area.width, area.height};
    return m;
}

void BrowserWindow::applySize(bool initial) {
    wxRect now = GetRect();
    WindowRect r = rondivo::applySize(placement_, {now.x, now.y, now.width, now.height},
                                      screenMetrics(), initial);
    SetSize(r.x, r.y, r.width, r.height, wxSIZE_ALLOW_MINUS_ONE);
    if (!initial) Show();
}

void BrowserWindow::applyStartPosition() {
    wxRect now = GetRect();
    if (auto r = rondivo::applyStartPosition(placement_, {now.x, now.y, now.width, now.height},
                                             screenMetrics()))
        Move(r->x, r->y, wxSIZE_ALLOW_MINUS_ONE);
}

bool BrowserWindow::onBeforeNavigate(const std::string& url, bool newWindow) {
    LinkDecision decision = routeLink(url, newWindow);
    switch (decision.route) {
        case LinkRoute::Show:
            if (!newWindow) return false;
            // A local page wanting a window of its own replaces the menu; Back returns.
            CallAfter([this, url] { web_->LoadURL(wxString::FromUTF8(url)); });
            return true;
        case LinkRoute::Action:
            runActionsLater(url);
            return true;
        case LinkRoute::Ignore:
            return true;
        case LinkRoute::ShellFile:
        case LinkRoute::Desktop:
        case LinkRoute::Browser:
            // After the engine has its answer: a launch may wait or show a dialog.
            CallAfter([this, decision] { openLinkOutside(decision, *this); });
            return true;
    }
    return false;
}

void BrowserWindow::runActionsLater(const std::string& url) {
    // Actions may open modal dialogs; they run after the engine has its answer.
    CallAfter([this, url] { handleActionAddress(url, context_, *this); });
}

void BrowserWindow::onNavigating(wxWebViewEvent& event) {
    const wxString url = event.GetURL();
    if (auto action = carriedAddress(kActionScheme, url.utf8_string())) {
        event.Veto();
        onBeforeNavigate(*action);
        return;
    }
    if (auto newWindowUrl = carriedAddress(kNewWindowScheme, url.utf8_string())) {
        event.Veto();
        onBeforeNavigate(*newWindowUrl, true);
        return;
    }
    if (onBeforeNavigate(url.utf8_string())) event.Veto();
}

void BrowserWindow::onTitleChanged(wxWebViewEvent& event) {
    // The engine reports an empty title when a page without one starts to
    // load; that must not wipe the label from autorun.inf.
    std::string title = event.GetString().utf8_string();
    if (title.empty()) return;
    pageTitle_ = title;
    SetTitle(event.GetString());
}

std::string BrowserWindow::caption() {
    return GetTitle().utf8_string();
}

std::optional<std::string> BrowserWindow::showScriptDialog(ScriptDialogKind kind,
                                                           const std::string& title,
                                                           const std::string& message,
                                                           const std::string& defaultText) {
    const wxString wxTitle = wxString::FromUTF8(title);
    const wxString text = wxString::FromUTF8(message);
    if (kind == ScriptDialogKind::Prompt) {
        wxTextEntryDialog dlg(this, text, wxTitle, wxString::FromUTF8(defaultText));
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return dlg.GetValue().utf8_string();
    }
    const bool confirm = kind == ScriptDialogKind::Confirm;
    wxMessageDialog dlg(this, text, wxTitle,
                        confirm ? wxOK | wxCANCEL | wxICON_QUESTION : wxOK | wxICON_EXCLAMATION);
    if (dlg.ShowModal() != wxID_OK && confirm) return std::nullopt;
    return std::string();
}

void BrowserWindow::showMessageDialog(const std::string& caption, const std::string& text) {
    PlayerMessageDialog dlg(this, caption, text);
    dlg.ShowModal();
}

void BrowserWindow::messageBox(const std::string& text, const std::string& caption,
                               MessageIcon icon) {
    wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(caption),
                 wxOK | (icon == MessageIcon::Error ? wxICON_ERROR : wxICON_INFORMATION), this);
}

std::optional<std::string> BrowserWindow::pickFolder(const std::string& prompt) {
    wxDirDialog dlg(this, wxString::FromUTF8(prompt), wxEmptyString,
                    wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    if (dlg.ShowModal() != wxID_OK) return std::nullopt;
    return dlg.GetPath().utf8_string();
}

void BrowserWindow::openProgress(const std::string& heading) {
    if (!progress_) progress_ = new CopyProgressDialog(this, caption());
    progress_->Show();
    progress_->setHeading(heading);
}

void BrowserWindow::setProgressText(const std::string& text) {
    if (progress_) progress_->setDetail(text);
}

void BrowserWindow::closeProgress() {
    if (!progress_) return;
    progress_->Destroy();
    progress_ = nullptr;
}

void BrowserWindow::openWith(const fs::path& file) {
    offerOpenWith(this, file);
}

void BrowserWindow::quit() {
    closed_ = true;
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

void BrowserWindow::maximize() {
    WindowRect r = fullScreenRect(screenMetrics());
    SetSize(r.x, r.y, r.width, r.height, wxSIZE_ALLOW_MINUS_ONE);
}

void BrowserWindow::minimize() {
    Iconize(true);
}

void BrowserWindow::eject() {
    // The disc that carries the player; a player run from a hard disk ejects nothing.
    platform::ejectDiscHolding(context_.executableFolder);
    quit();
}

}  // namespace rondivo
