#include "designer/ui/designer_dialog.h"

#include <wx/aboutdlg.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/filedlg.h>
#include <wx/generic/aboutdlgg.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/sound.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/time.h>
#include <wx/utils.h>

#include "designer/ui/custom_size_dialog.h"
#include "designer/ui/designer_ids.h"
#include "designer/ui/options_dialog.h"
#include "designer/ui/preparing_files_dialog.h"
#include "designer/ui/presentation_complete_dialog.h"
#include "platform/cd_autorun.h"
#include "platform/paths.h"
#include "ui/help_dialog.h"
#include "ui/message_box.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

MenuCreatorRunner& menuCreatorRunner() {
    static MenuCreatorRunner r;
    return r;
}

constexpr const char* kGetStartedBody =
    " Click Menu Creator to design a CD menu. Click Select File if you have an\n existing file you "
    "wish to autoplay. "
    "When ready, click Create CD to compile\n the project, preview, and burn to CD.";

struct HeaderEntry {
    int id;
    const char* header;
    const char* body;
};
const HeaderEntry kHeaderEntries[] = {
    {ids::kSelectOpenFile, " File to Open",
     " Selects an existing file or web page you wish to have launched when the\n CD autoplays. "
     "This can be any type "
     "of file."},
    {ids::kMenuCreator, " Menu Creator",
     " Allows you to visually create a CD menu which can launch files on the CD,\n hyperlinks, "
     "browse the CD, copy "
     "files from the CD, and more."},
    {ids::kSelectFailSafe, " Fail Safe File",
     " Specifies a file or menu to launch if the initial file type could not be opened\n (such as "
     "the user does not "
     "have appropriate software to view the file).\n Only applies if you are autoplaying a "
     "specific file type, "
     "rather than a menu."},
    {ids::kSelectImage, " Splash Screen",
     " Selects a graphic to use as your splash screen which appears before the\n menu or file is "
     "launched. Click "
     "Options to change the amount of time it is\n displayed."},
    {ids::kSelectIcon, " CD Icon",
     " Selects an icon to set as the CD default icon. This icon will appear as the\n CD drive icon "
     "under My Computer "
     "when your disc is inserted in the CD\n drive."},
    {ids::kSelectSound, " Sounds",
     " Selects a sound effect to play when the splash screen displays. If you\n instead prefer to "
     "include background "
     "music in your CD menu, use the\n Insert Music toolbar button in the Menu Creator."},
    {wxID_OK, " Create CD", kGetStartedBody},
    {ids::kWindowSizeCombo, " Window Size",
     " Choose a custom window size to display your web page or menu in. You\n can achieve dramatic "
     "effects by "
     "combining your menu design with a\n specific window size."},
    {ids::kOptions, " Extra Options",
     " Sets how long the splash screen shows, limits the built-in browser (right-\n click menu, "
     "title bar, resizing, "
     "top-most, start position), and chooses\n the data folder and the secure CD option."},
};

struct Tip {
    int id;
    const char* text;
};
const Tip kTips[] = {
    {wxID_OK, "Compile your autoplay CD-ROM files for testing and burn."},
    {ids::kSelectOpenFile, "Select the file or web page you wish to have launched."},
    {ids::kSelectFailSafe,
     "Select the file or web page to use as a fail-safe if user does not have proper software to "
     "open initial file."},
    {ids::kOpenCombo,
     "Filename of web page or executable you wish to have launched or autoplayed."},
    {ids::kHelp, "Help on creating autoplay CD-ROMs."},
    {ids::kFailSafeEdit,
     "Filename of web page or executable you wish to have launched if user does not have proper "
     "software to open "
     "initial file."},
    {ids::kOptions, "Advanced options for your presentation."},
    {ids::kSplashCheck, "Include a self-sizing graphical splash screen."},
    {ids::kSelectImage, "Select an image to display as your splash screen."},
    {ids::kSoundCheck, "Include a sound effect as CD-ROM begins auto-playing."},
    {ids::kSelectSound, "Select a sound effect to autoplay."},
    {ids::kIconCheck, "Include a custom icon to represent the CD-ROM."},
    {ids::kSelectIcon, "Select an icon to represent your CD-ROM."},
    {ids::kPlaySound, "Preview the sound effect to autoplay."},
    {ids::kBrowserCheck,
     "Use the internal web browser dialog rather than launching Microsoft Internet Explorer."},
    {ids::kMenuCreator,
     "Create an interactive menu for your CD-ROM which can run/copy files, display message boxes, "
     "and navigate your "
     "CD."},
};

const wxColour kHeaderBlue(0, 0, 125);

}  // namespace

void setMenuCreatorRunner(MenuCreatorRunner runner) {
    menuCreatorRunner() = std::move(runner);
}

CDesignerDlg::CDesignerDlg(wxWindow* parent, const fs::path& programFolder,
                           const fs::path& ownExecutable)
    : wxDialog(parent, wxID_ANY, kProgramTitle, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxMINIMIZE_BOX),
      programFolder_(programFolder),
      ownExecutable_(ownExecutable),
      headerTimer_(this, ids::kHeaderTimer),
      flashTimer_(this, ids::kFlashTimer) {
    buildHooks = defaultBuildHooks();
    const wxIcon appIcon = wxArtProvider::GetIcon(wxART_CDROM, wxART_FRAME_ICON, wxSize(32, 32));
    SetIcon(appIcon);

    // Seams default to the real dialogs.
    chooseFile = [this](const FileChooser& chooser) -> std::optional<std::string> {
        wxFileDialog dlg(this, wxString::FromUTF8(chooser.title),
                         wxString::FromUTF8(chooser.startFolder), "",
                         wxString::FromUTF8(wxFilterFromWindowsFilter(chooser.filter)),
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return dlg.GetPath().utf8_string();
    };
    showMessage = [this](const std::string& text, long style) {
        showProgramMessage(text, wxOK | style, this);
    };
    askCustomSize = [this](std::pair<int, int> start) -> std::optional<std::pair<int, int>> {
        CCustomSizeDlg dlg(this, start.first, start.second);
        if (dlg.ShowModal() != wxID_OK) return std::nullopt;
        return std::pair{dlg.width(), dlg.height()};
    };
    runOptions = [this] { return options_->ShowModal(); };
    showHelp = [this] {
        CHelpDlg dlg(this, helpManualPage(programFolder_.string()));
        dlg.ShowModal();
    };
    playSound = [](const std::string& path) {
        // No audio device is no error worth a message: the preview just stays silent.
        wxLogNull quiet;
        wxSound::Play(wxString::FromUTF8(path), wxSOUND_ASYNC);
    };

    // On Windows this switches on CD autorun for the author's machine; Linux has no switch.
    platform::setCdAutorun(true);

    options_ = new COptionsDlg(this);
    options_->showHelp = [this] {
        CHelpDlg dlg(options_, helpManualPage(programFolder_.string()), "SECURITY");
        dlg.ShowModal();
    };
    complete_ = new CPresentationCompleteDlg(this);

    auto* top = new wxBoxSizer(wxVERTICAL);

    // File to open.
    auto* openBox =
        new wxStaticBoxSizer(wxVERTICAL, this, "File to Open When User Places CD-ROM into Drive.");
    wxWindow* ob = openBox->GetStaticBox();
    openBox->Add(new wxStaticText(ob, wxID_ANY,
                                  "Select an existing file to autoplay or create your own menu."),
                 0, wxALL, 6);
    auto* openRow = new wxBoxSizer(wxHORIZONTAL);
    wxArrayString examples;
    for (const char* e : kExampleEntries) examples.Add(e);
    openCombo_ = new wxComboBox(ob, ids::kOpenCombo, "", wxDefaultPosition, wxSize(280, -1),
                                examples, wxCB_DROPDOWN);
    // Names get in only from the list, "Select File" or the Menu Creator.
    openCombo_->SetEditable(false);
    openRow->Add(openCombo_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    openRow->Add(new wxButton(ob, ids::kSelectOpenFile, "Select &File"), 0, wxRIGHT, 6);
    openRow->Add(new wxButton(ob, ids::kMenuCreator, "&Menu Creator"), 0);
    openBox->Add(openRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    top->Add(openBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);

    // Fail-safe.
    auto* failBox = new wxStaticBoxSizer(wxVERTICAL, this,
                                         "Fail-Safe Alternate File if Initial File Fails to Open");
    wxWindow* fb = failBox->GetStaticBox();
    auto* failRow = new wxBoxSizer(wxHORIZONTAL);
    failSafe_ = new wxTextCtrl(fb, ids::kFailSafeEdit, "", wxDefaultPosition, wxSize(280, -1));
    failRow->Add(failSafe_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    failRow->Add(new wxButton(fb, ids::kSelectFailSafe, "Select &File"), 0);
    failBox->Add(failRow, 0, wxEXPAND | wxALL, 6);
    failBox->Add(new wxStaticText(
                     fb, wxID_ANY,
                     "Leave blank to let the user choose a program with the \"Open With\" dialog."),
                 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
    top->Add(failBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);

    // Settings.
    auto* setBox = new wxStaticBoxSizer(wxVERTICAL, this, "Settings");
    wxWindow* sb = setBox->GetStaticBox();
    browserCheck_ = new wxCheckBox(sb, ids::kBrowserCheck,
                                   "Enable built-in browser to autoplay web pages or movies");
    setBox->Add(browserCheck_, 0, wxALL, 6);
    auto* sizeRow = new wxBoxSizer(wxHORIZONTAL);
    sizeRow->AddSpacer(22);
    sizeRow->Add(new wxStaticText(sb, ids::kWindowSizeLabel, "Window Size"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    wxArrayString sizes;
    for (const char* e : kWindowSizeEntries) sizes.Add(e);
    windowSize_ = new wxChoice(sb, ids::kWindowSizeCombo, wxDefaultPosition, wxDefaultSize, sizes);
    sizeRow->Add(windowSize_, 0);
    setBox->Add(sizeRow, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
    auto* media = new wxFlexGridSizer(3, 4, 8);
    media->AddGrowableCol(1);
    auto mediaRow = [&](wxWindow* parent, wxSizer* grid, int checkId, const char* checkText,
                        int nameId, int buttonId, const char* buttonText, wxCheckBox*& check,
                        wxStaticText*& name, wxButton*& button) {
        check = new wxCheckBox(parent, checkId, checkText);
        name = new wxStaticText(parent, nameId, "", wxDefaultPosition, wxSize(150, -1),
                                wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
        button = new wxButton(parent, buttonId, buttonText);
        grid->Add(check, 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(name, 1, wxALIGN_CENTER_VERTICAL | wxEXPAND);
        grid->Add(button, 0);
    };
    mediaRow(sb, media, ids::kSplashCheck,
             "Enable splash screen upon CD-ROM startup:", ids::kSplashName, ids::kSelectImage,
             "Select &Image", splashCheck_, splashName_, selectImage_);
    mediaRow(sb, media, ids::kIconCheck, "Enable custom icon for CD-ROM:", ids::kIconName,
             ids::kSelectIcon, "Select &Icon", iconCheck_, iconName_, selectIcon_);
    setBox->Add(media, 0, wxEXPAND | wxALL, 6);
    top->Add(setBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);

    // Sounds.
    auto* soundBox = new wxStaticBoxSizer(wxVERTICAL, this, "Sounds");
    wxWindow* snb = soundBox->GetStaticBox();
    auto* soundGrid = new wxFlexGridSizer(4, 4, 8);
    soundGrid->AddGrowableCol(1);
    mediaRow(snb, soundGrid, ids::kSoundCheck,
             "Enable sound effect upon CD-ROM startup:", ids::kSoundName, ids::kSelectSound,
             "Select &Sound", soundCheck_, soundName_, selectSound_);
    soundGrid->Add(new wxButton(snb, ids::kPlaySound, "&Play Sound"), 0);
    soundBox->Add(soundGrid, 0, wxEXPAND | wxALL, 6);
    top->Add(soundBox, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);

    // Buttons.
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    createCd_ = new wxButton(this, wxID_OK, "&Create CD");
    createCd_->SetDefault();
    buttons->Add(createCd_, 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, ids::kOptions, "&Options"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, ids::kHelp, "&Help"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, ids::kAbout, "&About Rondivo!..."), 0, wxRIGHT, 6);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_CANCEL, "&Quit"), 0);
    top->Add(buttons, 0, wxEXPAND | wxALL, 8);

    // Header panel: explains the control under the mouse.
    auto* panel = new wxBoxSizer(wxHORIZONTAL);
    auto* iconPanel = new wxPanel(this, wxID_ANY);
    iconPanel->SetBackgroundColour(kHeaderBlue);
    auto* iconSizer = new wxBoxSizer(wxVERTICAL);
    iconSizer->Add(
        new wxStaticBitmap(iconPanel, ids::kHeaderIcon,
                           wxArtProvider::GetBitmap(wxART_CDROM, wxART_OTHER, wxSize(32, 32))),
        0, wxALL, 8);
    iconPanel->SetSizer(iconSizer);
    panel->Add(iconPanel, 0, wxEXPAND);
    auto* texts = new wxBoxSizer(wxVERTICAL);
    wxFont tahoma(wxFontInfo(8).FaceName("Tahoma"));
    auto* headerPanel = new wxPanel(this, wxID_ANY);
    headerPanel->SetBackgroundColour(kHeaderBlue);
    header_ = new wxStaticText(headerPanel, ids::kHeader, " Get Started");
    header_->SetFont(wxFont(wxFontInfo(8).FaceName("Tahoma").Bold()));
    header_->SetForegroundColour(*wxWHITE);
    header_->SetBackgroundColour(kHeaderBlue);
    auto* hs = new wxBoxSizer(wxVERTICAL);
    hs->Add(header_, 0, wxEXPAND | wxALL, 3);
    headerPanel->SetSizer(hs);
    texts->Add(headerPanel, 0, wxEXPAND);
    auto* bodyPanel = new wxPanel(this, wxID_ANY);
    bodyPanel->SetBackgroundColour(*wxWHITE);
    body_ = new wxStaticText(bodyPanel, ids::kBody, kGetStartedBody);
    body_->SetFont(tahoma);
    body_->SetBackgroundColour(*wxWHITE);
    body_->SetForegroundColour(*wxBLACK);
    auto* bs = new wxBoxSizer(wxVERTICAL);
    bs->Add(body_, 1, wxEXPAND | wxALL, 5);
    bodyPanel->SetSizer(bs);
    texts->Add(bodyPanel, 1, wxEXPAND);
    panel->Add(texts, 1, wxEXPAND);
    top->Add(panel, 0, wxEXPAND);

    SetSizerAndFit(top);

    for (const auto& tip : kTips)
        if (wxWindow* w = FindWindow(tip.id)) w->SetToolTip(tip.text);

    Bind(wxEVT_BUTTON, &CDesignerDlg::onCreateCd, this, wxID_OK);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); }, wxID_CANCEL);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { selectOpenFile(); }, ids::kSelectOpenFile);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            gather();
            if (auto path = pick(FileChoice::FailSafe)) chooseFailSafe(settings_, *path);
            refresh();
        },
        ids::kSelectFailSafe);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            gather();
            if (!menuCreatorRunner()) {
                showMessage("The Menu Creator is not available yet in this version of Rondivo!.",
                            wxICON_INFORMATION);
                return;
            }
            if (auto page = menuCreatorRunner()(this, programFolder_ / "html")) {
                chooseMenuCreatorPage(settings_, *page);
                startFlashing();
            }
            refresh();
        },
        ids::kMenuCreator);
    Bind(wxEVT_COMBOBOX, &CDesignerDlg::onExample, this, ids::kOpenCombo);
    failSafe_->Bind(wxEVT_KILL_FOCUS, &CDesignerDlg::onFailSafeFocusLost, this);
    Bind(wxEVT_CHECKBOX, &CDesignerDlg::onMediaCheck, this, ids::kSplashCheck);
    Bind(wxEVT_CHECKBOX, &CDesignerDlg::onMediaCheck, this, ids::kSoundCheck);
    Bind(wxEVT_CHECKBOX, &CDesignerDlg::onMediaCheck, this, ids::kIconCheck);
    Bind(wxEVT_CHECKBOX, &CDesignerDlg::onMediaCheck, this, ids::kBrowserCheck);
    Bind(wxEVT_CHOICE, &CDesignerDlg::onWindowSize, this, ids::kWindowSizeCombo);
    auto media_choice = [this](int id, FileChoice which,
                               void (*apply)(DesignerSettings&, const std::string&)) {
        Bind(
            wxEVT_BUTTON,
            [this, which, apply](wxCommandEvent&) {
                gather();
                if (auto path = pick(which)) apply(settings_, *path);
                refresh();
            },
            id);
    };
    media_choice(ids::kSelectImage, FileChoice::Splash, &chooseSplash);
    media_choice(ids::kSelectSound, FileChoice::Sound, &chooseSound);
    media_choice(ids::kSelectIcon, FileChoice::Icon, &chooseIcon);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            gather();
            fs::path p = platform::toNativePath(settings_.soundSource);
            if (p.is_relative()) p = platform::resolvePath(programFolder_, settings_.soundSource);
            playSound(p.string());
        },
        ids::kPlaySound);
    Bind(
        wxEVT_BUTTON,
        [this](wxCommandEvent&) {
            gather();
            if (runOptions() == wxID_OK) settings_.options = options_->values();
        },
        ids::kOptions);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { showHelp(); }, ids::kHelp);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { showAbout(); }, ids::kAbout);
    Bind(
        wxEVT_TIMER,
        [this](wxTimerEvent&) {
            if (IsActive()) updateHeaderFor(wxGetMousePosition());
        },
        ids::kHeaderTimer);
    Bind(wxEVT_TIMER, &CDesignerDlg::onFlashTimer, this, ids::kFlashTimer);

    settings_.options = options_->values();
    refresh();
    CentreOnScreen();
    headerTimer_.Start(150);
}

CDesignerDlg::~CDesignerDlg() {
    // GTK moves the focus while the window goes; the members are gone by then.
    failSafe_->Unbind(wxEVT_KILL_FOCUS, &CDesignerDlg::onFailSafeFocusLost, this);
    headerTimer_.Stop();
    flashTimer_.Stop();
}

void CDesignerDlg::onFailSafeFocusLost(wxFocusEvent& e) {
    if (!IsBeingDeleted()) gather();
    e.Skip();
}

void CDesignerDlg::gather() {
    settings_.openName = openCombo_->GetValue().utf8_string();
    settings_.failSafeName = failSafe_->GetValue().utf8_string();
    settings_.splashEnabled = splashCheck_->GetValue();
    settings_.soundEnabled = soundCheck_->GetValue();
    settings_.iconEnabled = iconCheck_->GetValue();
    settings_.builtInBrowser = browserCheck_->GetValue();
    settings_.windowSize = windowSize_->GetSelection();
    // The Options members live in the Options dialog; presets write them there too.
    settings_.options = options_->values();
}

void CDesignerDlg::refresh() {
    options_->values() = settings_.options;
    options_->toControls();
    openCombo_->ChangeValue(wxString::FromUTF8(settings_.openName));
    failSafe_->ChangeValue(wxString::FromUTF8(settings_.failSafeName));
    splashCheck_->SetValue(settings_.splashEnabled);
    soundCheck_->SetValue(settings_.soundEnabled);
    iconCheck_->SetValue(settings_.iconEnabled);
    browserCheck_->SetValue(settings_.builtInBrowser);
    windowSize_->SetSelection(settings_.windowSize);
    splashName_->SetLabel(wxString::FromUTF8(settings_.splashName));
    soundName_->SetLabel(wxString::FromUTF8(settings_.soundName));
    iconName_->SetLabel(wxString::FromUTF8(settings_.iconName));
    enableControls();
}

void CDesignerDlg::enableControls() {
    selectImage_->Enable(settings_.splashEnabled);
    splashName_->Enable(settings_.splashEnabled);
    selectSound_->Enable(settings_.soundEnabled);
    soundName_->Enable(settings_.soundEnabled);
    selectIcon_->Enable(settings_.iconEnabled);
    iconName_->Enable(settings_.iconEnabled);
    windowSize_->Enable(settings_.builtInBrowser);
}

void CDesignerDlg::onMediaCheck(wxCommandEvent&) {
    gather();
    enableControls();
}

std::optional<std::string> CDesignerDlg::pick(FileChoice which) {
    return chooseFile(fileChooserFor(which, programFolder_.string()));
}

bool CDesignerDlg::selectOpenFile() {
    gather();
    for (;;) {
        auto path = pick(FileChoice::FileToOpen);
        if (!path) return false;
        if (!chooseOwnFile(settings_, *path)) {
            showMessage(kSpecialFolderMessage, wxICON_STOP);
            continue;
        }
        refresh();
        startFlashing();
        return true;
    }
}

void CDesignerDlg::onExample(wxCommandEvent& event) {
    const std::string previous = settings_.openName;
    gather();
    const wxString text = openCombo_->GetString(event.GetSelection());
    if (!text.Contains("Select your own")) {
        chooseExample(settings_, programFolder_.string(), text.utf8_string());
        startFlashing();
    } else if (!selectOpenFile()) {
        // Cancelled: the file chosen before stays, in the members and in the
        // combo alike, so the name never parts from its source path.
        settings_.openName = previous;
    }
    refresh();
    // The combo sets its own text after this handler; put the name back afterwards.
    CallAfter([this] {
        openCombo_->ChangeValue(wxString::FromUTF8(settings_.openName));
        openCombo_->SetInsertionPointEnd();
    });
}

void CDesignerDlg::onWindowSize(wxCommandEvent&) {
    gather();
    const int index = windowSize_->GetSelection();
    std::optional<std::pair<int, int>> custom;
    if (index == kCustomWindowSize) custom = askCustomSize(customSizeDialogStart(settings_));
    windowSize_->SetSelection(chooseWindowSize(settings_, index, custom));
}

void CDesignerDlg::updateHeaderFor(const wxPoint& p) {
    for (const auto& e : kHeaderEntries) {
        wxWindow* w = FindWindow(e.id);
        if (!w || !w->IsShown()) continue;
        wxRect r = w->GetScreenRect();
        // Edges included, as the window rectangle test does.
        if (p.x < r.x || p.y < r.y || p.x > r.GetRight() + 1 || p.y > r.GetBottom() + 1) continue;
        if (body_->GetLabel() != e.body) {
            header_->SetLabel(e.header);
            body_->SetLabel(e.body);
            Layout();
        }
        break;
    }
}

void CDesignerDlg::startFlashing() {
    stopFlash_ = false;
    flashRound_ = 0;
    setFlashColours(true);
    flashTimer_.StartOnce(550);
}

void CDesignerDlg::setFlashColours(bool on) {
    flashOn_ = on;
    if (on) {
        createCd_->SetBackgroundColour(wxColour(95, 95, 255));
        createCd_->SetForegroundColour(*wxWHITE);
    } else {
        createCd_->SetBackgroundColour(wxNullColour);
        createCd_->SetForegroundColour(wxNullColour);
    }
    createCd_->Refresh();
}

// Ten rounds of 550 ms lit and 250 ms plain, until the build stops it. A
// timer rather than a thread: the toolkit may only be touched from this thread.
void CDesignerDlg::onFlashTimer(wxTimerEvent&) {
    if (flashOn_) {
        setFlashColours(false);
        if (stopFlash_ || ++flashRound_ >= 10) return;
        flashTimer_.StartOnce(250);
    } else {
        if (stopFlash_) return;
        setFlashColours(true);
        flashTimer_.StartOnce(550);
    }
}

void CDesignerDlg::showAbout() {
    wxAboutDialogInfo info;
    info.SetName(kProgramTitle);
    info.SetVersion("0.1");
    info.SetDescription("Makes auto-playing CD-ROMs and DVDs.");
    info.SetIcon(wxArtProvider::GetIcon(wxART_CDROM, wxART_OTHER, wxSize(48, 48)));
    wxGenericAboutBox(info, this);
}

void CDesignerDlg::onCreateCd(wxCommandEvent&) {
    build();
}

void CDesignerDlg::build() {
    gather();
    stopFlash_ = true;
    if (flashOn_) setFlashColours(false);

    BuildRequest request{settings_, programFolder_, ownExecutable_, desktopFolder};
    BuildHooks hooks = buildHooks;
    hooks.onMessage = [this](const BuildMessage& m) {
        // The wait dialog must not cover the message.
        if (wait_) wait_->Hide();
        showMessage(m.text, m.icon == BuildMessage::Icon::Stop ? wxICON_STOP : wxICON_INFORMATION);
        if (wait_) wait_->Show();
    };
    wxLongLong lastPaint = 0;
    hooks.showProgress = [this, &lastPaint](const std::string& text) {
        if (!wait_) {
            wait_ = new CPreparingFilesDlg(this);
            wait_->Show();
        }
        wait_->setText(text);
        // The build runs on this thread: let the wait dialog paint now and
        // then, with every other window disabled so nothing starts a second build.
        const wxLongLong now = wxGetUTCTimeMillis();
        if (now - lastPaint > 100) {
            lastPaint = now;
            wxSafeYield(wait_, true);
        }
        if (onProgressShown) onProgressShown(*wait_);
    };
    hooks.pumpMessages = [this] {
        if (wait_) wxSafeYield(wait_, true);
    };
    lastBuild_ = runBuild(request, hooks);
    if (wait_) {
        wait_->Destroy();
        wait_ = nullptr;
    }
    switch (lastBuild_.outcome) {
        case BuildResult::Outcome::Refused:
            if (!lastBuild_.messages.empty()) {
                auto focus = lastBuild_.messages.back().focus;
                if (focus == BuildMessage::Focus::FileToOpen) openCombo_->SetFocus();
                if (focus == BuildMessage::Focus::FailSafe) failSafe_->SetFocus();
            }
            break;
        case BuildResult::Outcome::Aborted:
            break;
        case BuildResult::Outcome::Completed:
            complete_->setResult(lastBuild_.folder, lastBuild_.commandLine);
            complete_->Show();
            complete_->Raise();
            break;
    }
}

}  // namespace rondivo
