#include "designer/ui/designer_dialog.h"

#include <wx/aboutdlg.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/generic/aboutdlgg.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/utils.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "designer/ui/options_dialog.h"
#include "designer/ui/preparing_files_dialog.h"
#include "platform/cd_autorun.h"
#include "platform/debug_log.h"
#include "platform/paths.h"
#include "ui/message_box.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

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
    {CDesignerDlg::kSelectOpenFile, " File to Open",
     " Selects an existing file or web page you wish to have launched when the\n CD autoplays. "
     "This can be any type "
     "of file."},
    {CDesignerDlg::kMenuCreator, " Menu Creator",
     " Allows you to visually create a CD menu which can launch files on the CD,\n hyperlinks, "
     "browse the CD, copy "
     "files from the CD, and more."},
    {CDesignerDlg::kSelectFailSafe, " Fail Safe File",
     " Specifies a file or menu to launch if the initial file type could not be opened\n (such as "
     "the user does not "
     "have appropriate software to view the file).\n Only applies if you are autoplaying a "
     "specific file type, "
     "rather than a menu."},
    {CDesignerDlg::kSelectImage, " Splash Screen",
     " Selects a graphic to use as your splash screen which appears before the\n menu or file is "
     "launched. Click "
     "Options to change the amount of time it is\n displayed."},
    {CDesignerDlg::kSelectIcon, " CD Icon",
     " Selects an icon to set as the CD default icon. This icon will appear as the\n CD drive icon "
     "under My Computer "
     "when your disc is inserted in the CD\n drive."},
    {CDesignerDlg::kSelectSound, " Sounds",
     " Selects a sound effect to play when the splash screen displays. If you\n instead prefer to "
     "include background "
     "music in your CD menu, use the\n Insert Music toolbar button in the Menu Creator."},
    {wxID_OK, " Create CD", kGetStartedBody},
    {CDesignerDlg::kWindowSizeCombo, " Window Size",
     " Choose a custom window size to display your web page or menu in. You\n can achieve dramatic "
     "effects by "
     "combining your menu design with a\n specific window size."},
    {CDesignerDlg::kOptions, " Extra Options",
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
    {CDesignerDlg::kSelectOpenFile, "Select the file or web page you wish to have launched."},
    {CDesignerDlg::kSelectFailSafe,
     "Select the file or web page to use as a fail-safe if user does not have proper software to "
     "open initial file."},
    {CDesignerDlg::kOpenCombo,
     "Filename of web page or executable you wish to have launched or autoplayed."},
    {CDesignerDlg::kHelp, "Help on creating autoplay CD-ROMs."},
    {CDesignerDlg::kFailSafeEdit,
     "Filename of web page or executable you wish to have launched if user does not have proper "
     "software to open "
     "initial file."},
    {CDesignerDlg::kOptions, "Advanced options for your presentation."},
    {CDesignerDlg::kSplashCheck, "Include a self-sizing graphical splash screen."},
    {CDesignerDlg::kSelectImage, "Select an image to display as your splash screen."},
    {CDesignerDlg::kSoundCheck, "Include a sound effect as CD-ROM begins auto-playing."},
    {CDesignerDlg::kSelectSound, "Select a sound effect to autoplay."},
    {CDesignerDlg::kIconCheck, "Include a custom icon to represent the CD-ROM."},
    {CDesignerDlg::kSelectIcon, "Select an icon to represent your CD-ROM."},
    {CDesignerDlg::kPlaySound, "Preview the sound effect to autoplay."},
    {CDesignerDlg::kBrowserCheck,
     "Use the internal web browser dialog rather than launching Microsoft Internet Explorer."},
    {CDesignerDlg::kMenuCreator,
     "Create an interactive menu for your CD-ROM which can run/copy files, display message boxes, "
     "and navigate your "
     "CD."},
};

const wxColour kHeaderBlue(0, 0, 125);

}  // namespace

// "Create CD" runs the build on a worker thread so that the window keeps
// painting; the worker's progress, messages and result come back to this
// thread as CallAfter events. The worker posts only while the window is
// there, and waits for each message to be seen, as the author reads it
// before the build goes on.
struct CDesignerDlg::BuildRun {
    std::mutex mutex;
    std::condition_variable messageSeen;
    CDesignerDlg* window = nullptr;     // null once the window goes
    std::vector<std::string> progress;  // wait texts not shown yet
    bool progressPosted = false;
    bool messageOpen = false;

    template <class F>
    void post(F&& f) {
        if (window) window->CallAfter(std::forward<F>(f));
    }
};

CDesignerDlg::CDesignerDlg(wxWindow* parent, DesignerCollaborators collaborators)
    : wxDialog(parent, wxID_ANY, kProgramTitle, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxMINIMIZE_BOX),
      collaborators_(std::move(collaborators)),
      headerTimer_(this, kHeaderTimer),
      flashTimer_(this, kFlashTimer) {
    SetIcon(wxArtProvider::GetIcon(wxART_CDROM, wxART_FRAME_ICON, wxSize(32, 32)));
    // On Windows this switches on CD autorun for the author's machine (the
    // user's AutoPlay choice); Linux has no switch. What changed, or could not, is said.
    const platform::CdAutorunReport autorun = platform::setCdAutorun(true);
    if (!autorun.text.empty())
        CallAfter([this, autorun] {
            collaborators_.prompts.message(this, "CD autorun: " + autorun.text,
                                           autorun.failed ? wxICON_WARNING : wxICON_INFORMATION);
        });
    options_ = new COptionsDlg(this, collaborators_.prompts);
    complete_ = new CPresentationCompleteDlg(this, collaborators_.presentationComplete);

    auto* top = new wxBoxSizer(wxVERTICAL);
    for (wxSizer* box : {buildOpenBox(), buildFailSafeBox(), buildSettingsBox(), buildSoundsBox()})
        top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    top->Add(buildButtonRow(), 0, wxEXPAND | wxALL, 8);
    top->Add(buildHeaderPanel(), 0, wxEXPAND);
    SetSizerAndFit(top);
    for (const auto& tip : kTips)
        if (wxWindow* w = FindWindow(tip.id)) w->SetToolTip(tip.text);
    bindEvents();

    settings_.options = options_->values();
    refresh();
    CentreOnScreen();
    headerTimer_.Start(150);
}

wxSizer* CDesignerDlg::buildOpenBox() {
    auto* openBox =
        new wxStaticBoxSizer(wxVERTICAL, this, "File to Open When User Places CD-ROM into Drive.");
    wxWindow* ob = openBox->GetStaticBox();
    openBox->Add(new wxStaticText(ob, wxID_ANY,
                                  "Select an existing file to autoplay or create your own menu."),
                 0, wxALL, 6);
    auto* openRow = new wxBoxSizer(wxHORIZONTAL);
    wxArrayString examples;
    for (const char* e : kExampleEntries) examples.Add(e);
    openCombo_ = new wxComboBox(ob, kOpenCombo, "", wxDefaultPosition, wxSize(280, -1), examples,
                                wxCB_DROPDOWN);
    // Names get in only from the list, "Select File" or the Menu Creator.
    openCombo_->SetEditable(false);
    openRow->Add(openCombo_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    openRow->Add(new wxButton(ob, kSelectOpenFile, "Select &File"), 0, wxRIGHT, 6);
    openRow->Add(new wxButton(ob, kMenuCreator, "&Menu Creator"), 0);
    openBox->Add(openRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    // Many sites start at an index.html: the folder says which one.
    openFolder_ = new wxStaticText(ob, wxID_ANY, "", wxDefaultPosition, wxSize(280, -1),
                                   wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    openBox->Add(openFolder_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 6);
    return openBox;
}

wxSizer* CDesignerDlg::buildFailSafeBox() {
    auto* failBox = new wxStaticBoxSizer(wxVERTICAL, this,
                                         "Fail-Safe Alternate File if Initial File Fails to Open");
    wxWindow* fb = failBox->GetStaticBox();
    auto* failRow = new wxBoxSizer(wxHORIZONTAL);
    failSafe_ = new wxTextCtrl(fb, kFailSafeEdit, "", wxDefaultPosition, wxSize(280, -1));
    failRow->Add(failSafe_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    failRow->Add(new wxButton(fb, kSelectFailSafe, "Select &File"), 0);
    failBox->Add(failRow, 0, wxEXPAND | wxALL, 6);
    failBox->Add(new wxStaticText(
                     fb, wxID_ANY,
                     "Leave blank to let the user choose a program with the \"Open With\" dialog."),
                 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
    return failBox;
}

// A check box, the chosen file's name and the button that chooses it.
void CDesignerDlg::addMediaRow(wxWindow* box, wxSizer* grid, int checkId, const char* checkText,
                               int nameId, int buttonId, const char* buttonText, wxCheckBox*& check,
                               wxStaticText*& name, wxButton*& button) {
    check = new wxCheckBox(box, checkId, checkText);
    name = new wxStaticText(box, nameId, "", wxDefaultPosition, wxSize(150, -1),
                            wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    button = new wxButton(box, buttonId, buttonText);
    grid->Add(check, 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(name, 1, wxALIGN_CENTER_VERTICAL | wxEXPAND);
    grid->Add(button, 0);
}

wxSizer* CDesignerDlg::buildSettingsBox() {
    auto* setBox = new wxStaticBoxSizer(wxVERTICAL, this, "Settings");
    wxWindow* sb = setBox->GetStaticBox();
    browserCheck_ = new wxCheckBox(sb, kBrowserCheck,
                                   "Enable built-in browser to autoplay web pages or movies");
    setBox->Add(browserCheck_, 0, wxALL, 6);
    auto* sizeRow = new wxBoxSizer(wxHORIZONTAL);
    sizeRow->AddSpacer(22);
    sizeRow->Add(new wxStaticText(sb, kWindowSizeLabel, "Window Size"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    wxArrayString sizes;
    for (const char* e : kWindowSizeEntries) sizes.Add(e);
    windowSize_ = new wxChoice(sb, kWindowSizeCombo, wxDefaultPosition, wxDefaultSize, sizes);
    sizeRow->Add(windowSize_, 0);
    setBox->Add(sizeRow, 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
    auto* media = new wxFlexGridSizer(3, 4, 8);
    media->AddGrowableCol(1);
    addMediaRow(sb, media, kSplashCheck, "Enable splash screen upon CD-ROM startup:", kSplashName,
                kSelectImage, "Select &Image", splashCheck_, splashName_, selectImage_);
    addMediaRow(sb, media, kIconCheck, "Enable custom icon for CD-ROM:", kIconName, kSelectIcon,
                "Select &Icon", iconCheck_, iconName_, selectIcon_);
    setBox->Add(media, 0, wxEXPAND | wxALL, 6);
    return setBox;
}

wxSizer* CDesignerDlg::buildSoundsBox() {
    auto* soundBox = new wxStaticBoxSizer(wxVERTICAL, this, "Sounds");
    wxWindow* snb = soundBox->GetStaticBox();
    auto* soundGrid = new wxFlexGridSizer(4, 4, 8);
    soundGrid->AddGrowableCol(1);
    addMediaRow(snb, soundGrid, kSoundCheck, "Enable sound effect upon CD-ROM startup:", kSoundName,
                kSelectSound, "Select &Sound", soundCheck_, soundName_, selectSound_);
    soundGrid->Add(new wxButton(snb, kPlaySound, "&Play Sound"), 0);
    soundBox->Add(soundGrid, 0, wxEXPAND | wxALL, 6);
    return soundBox;
}

wxSizer* CDesignerDlg::buildButtonRow() {
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    createCd_ = new wxButton(this, wxID_OK, "&Create CD");
    createCd_->SetDefault();
    buttons->Add(createCd_, 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kOptions, "&Options"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kHelp, "&Help"), 0, wxRIGHT, 6);
    buttons->Add(new wxButton(this, kAbout, "&About Rondivo!..."), 0, wxRIGHT, 6);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_CANCEL, "&Quit"), 0);
    return buttons;
}

// Explains the control under the mouse.
wxSizer* CDesignerDlg::buildHeaderPanel() {
    auto* panel = new wxBoxSizer(wxHORIZONTAL);
    auto* iconPanel = new wxPanel(this, wxID_ANY);
    iconPanel->SetBackgroundColour(kHeaderBlue);
    auto* iconSizer = new wxBoxSizer(wxVERTICAL);
    iconSizer->Add(
        new wxStaticBitmap(iconPanel, kHeaderIcon,
                           wxArtProvider::GetBitmap(wxART_CDROM, wxART_OTHER, wxSize(32, 32))),
        0, wxALL, 8);
    iconPanel->SetSizer(iconSizer);
    panel->Add(iconPanel, 0, wxEXPAND);
    auto* texts = new wxBoxSizer(wxVERTICAL);
    auto* headerPanel = new wxPanel(this, wxID_ANY);
    headerPanel->SetBackgroundColour(kHeaderBlue);
    header_ = new wxStaticText(headerPanel, kHeader, " Get Started");
    header_->SetFont(wxFont(wxFontInfo(8).FaceName("Tahoma").Bold()));
    header_->SetForegroundColour(*wxWHITE);
    header_->SetBackgroundColour(kHeaderBlue);
    auto* hs = new wxBoxSizer(wxVERTICAL);
    hs->Add(header_, 0, wxEXPAND | wxALL, 3);
    headerPanel->SetSizer(hs);
    texts->Add(headerPanel, 0, wxEXPAND);
    auto* bodyPanel = new wxPanel(this, wxID_ANY);
    bodyPanel->SetBackgroundColour(*wxWHITE);
    body_ = new wxStaticText(bodyPanel, kBody, kGetStartedBody);
    body_->SetFont(wxFont(wxFontInfo(8).FaceName("Tahoma")));
    body_->SetBackgroundColour(*wxWHITE);
    body_->SetForegroundColour(*wxBLACK);
    auto* bs = new wxBoxSizer(wxVERTICAL);
    bs->Add(body_, 1, wxEXPAND | wxALL, 5);
    bodyPanel->SetSizer(bs);
    texts->Add(bodyPanel, 1, wxEXPAND);
    panel->Add(texts, 1, wxEXPAND);
    return panel;
}

void CDesignerDlg::bindFileChoice(int buttonId, FileChoice which,
                                  void (*apply)(DesignerSettings&, const std::string&)) {
    Bind(
        wxEVT_BUTTON,
        [this, which, apply](wxCommandEvent&) {
            gather();
            if (auto path = pick(which)) apply(settings_, *path);
            refresh();
        },
        buttonId);
}

void CDesignerDlg::bindEvents() {
    auto onButton = [this](int id, auto handler) {
        Bind(
            wxEVT_BUTTON, [handler](wxCommandEvent&) { handler(); }, id);
    };
    onButton(wxID_OK, [this] { build(); });
    onButton(wxID_CANCEL, [this] { quit(); });
    onButton(kSelectOpenFile, [this] { selectOpenFile(); });
    onButton(kMenuCreator, [this] { onMenuCreator(); });
    onButton(kPlaySound, [this] { onPlaySound(); });
    onButton(kOptions, [this] {
        gather();
        if (collaborators_.prompts.runOptions(*options_) == wxID_OK)
            settings_.options = options_->values();
    });
    onButton(kHelp, [this] { collaborators_.prompts.help(this, {}); });
    onButton(kAbout, [this] { showAbout(); });
    bindFileChoice(kSelectFailSafe, FileChoice::FailSafe, &chooseFailSafe);
    bindFileChoice(kSelectImage, FileChoice::Splash, &chooseSplash);
    bindFileChoice(kSelectSound, FileChoice::Sound, &chooseSound);
    bindFileChoice(kSelectIcon, FileChoice::Icon, &chooseIcon);
    Bind(wxEVT_COMBOBOX, &CDesignerDlg::onExample, this, kOpenCombo);
    failSafe_->Bind(wxEVT_KILL_FOCUS, &CDesignerDlg::onFailSafeFocusLost, this);
    for (int check : {kSplashCheck, kSoundCheck, kIconCheck, kBrowserCheck})
        Bind(wxEVT_CHECKBOX, &CDesignerDlg::onMediaCheck, this, check);
    Bind(wxEVT_CHOICE, &CDesignerDlg::onWindowSize, this, kWindowSizeCombo);
    Bind(
        wxEVT_TIMER,
        [this](wxTimerEvent&) {
            if (IsActive()) updateHeaderFor(wxGetMousePosition());
        },
        kHeaderTimer);
    Bind(wxEVT_TIMER, &CDesignerDlg::onFlashTimer, this, kFlashTimer);
}

void CDesignerDlg::onMenuCreator() {
    gather();
    if (!collaborators_.runMenuCreator) {
        showMessage("The Menu Creator is not available yet in this version of Rondivo!.",
                    wxICON_INFORMATION);
        return;
    }
    if (auto page = collaborators_.runMenuCreator(this, collaborators_.programFolder / "html")) {
        chooseMenuCreatorPage(settings_, *page);
        startFlashing();
    }
    refresh();
}

void CDesignerDlg::onPlaySound() {
    gather();
    fs::path p = platform::toNativePath(settings_.soundSource);
    if (p.is_relative())
        p = platform::resolvePath(collaborators_.programFolder, settings_.soundSource);
    collaborators_.prompts.playSound(p.string());
}

void CDesignerDlg::showMessage(const std::string& text, long style) {
    collaborators_.prompts.message(this, text, style);
}

CDesignerDlg::~CDesignerDlg() {
    if (run_) {
        // No more posts to this window; a message the worker waits on is moot.
        {
            std::lock_guard lock(run_->mutex);
            run_->window = nullptr;
        }
        run_->messageSeen.notify_all();
        buildThread_.join();
    }
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
    const wxString folder =
        wxString::FromUTF8(platform::resolvePath(collaborators_.programFolder, settings_.openSource)
                               .parent_path()
                               .string());
    openFolder_->SetLabel("in " + folder);
    openFolder_->SetToolTip(folder);
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
    return collaborators_.prompts.chooseFile(
        this, fileChooserFor(which, collaborators_.programFolder.string()));
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
        chooseExample(settings_, collaborators_.programFolder.string(), text.utf8_string());
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
    if (index == kCustomWindowSize)
        custom = collaborators_.prompts.customSize(this, customSizeDialogStart(settings_));
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

void CDesignerDlg::build() {
    if (run_) {
        platform::debugLog("designer: Create CD while a build runs, refused");
        return;
    }
    gather();
    stopFlash_ = true;
    if (flashOn_) setFlashColours(false);
    run_ = std::make_shared<BuildRun>();
    run_->window = this;
    BuildRequest request{settings_, collaborators_.programFolder, collaborators_.ownExecutable,
                         collaborators_.desktopFolder};
    buildThread_ = std::thread([run = run_, request = std::move(request), hooks = workerHooks()] {
        BuildResult result = runBuild(request, hooks);
        std::lock_guard lock(run->mutex);
        run->post([w = run->window, result = std::move(result)] { w->finishBuild(result); });
    });
}

BuildHooks CDesignerDlg::workerHooks() {
    BuildHooks hooks = collaborators_.buildHooks;
    std::shared_ptr<BuildRun> run = run_;
    hooks.showProgress = [run](const std::string& text) {
        std::lock_guard lock(run->mutex);
        run->progress.push_back(text);
        if (run->progressPosted) return;
        run->progressPosted = true;
        run->post([w = run->window] { w->showBuildProgress(); });
    };
    hooks.onMessage = [run](const BuildMessage& message) {
        std::unique_lock lock(run->mutex);
        run->messageOpen = true;
        run->post([w = run->window, message] { w->showBuildMessage(message); });
        run->messageSeen.wait(lock, [&] { return !run->messageOpen || !run->window; });
    };
    // This thread is not the window's: nothing to pump.
    hooks.pumpMessages = nullptr;
    return hooks;
}

void CDesignerDlg::showBuildProgress() {
    std::vector<std::string> texts;
    {
        std::lock_guard lock(run_->mutex);
        texts.swap(run_->progress);
        run_->progressPosted = false;
    }
    for (const std::string& text : texts) {
        // An observer that runs the window loop may have seen the build end.
        if (!run_) return;
        if (!wait_) {
            wait_ = new CPreparingFilesDlg(this);
            wait_->Show();
        }
        wait_->setText(text);
        if (collaborators_.onProgressShown) collaborators_.onProgressShown(*wait_);
    }
}

void CDesignerDlg::showBuildMessage(const BuildMessage& message) {
    // The wait dialog must not cover the message.
    if (wait_) wait_->Hide();
    showMessage(message.text,
                message.icon == BuildMessage::Icon::Stop ? wxICON_STOP : wxICON_INFORMATION);
    if (wait_) wait_->Show();
    {
        std::lock_guard lock(run_->mutex);
        run_->messageOpen = false;
    }
    run_->messageSeen.notify_all();
}

void CDesignerDlg::finishBuild(const BuildResult& result) {
    buildThread_.join();
    run_.reset();
    if (wait_) {
        wait_->Destroy();
        wait_ = nullptr;
    }
    lastBuild_ = result;
    if (quitAfterBuild_)
        quit();
    else
        showBuildOutcome();
}

void CDesignerDlg::showBuildOutcome() {
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
            collaborators_.prompts.runPresentationComplete(*complete_);
            break;
    }
}

// Quit during a build waits for it: the folder is not left half written.
void CDesignerDlg::quit() {
    if (run_) {
        quitAfterBuild_ = true;
        return;
    }
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}
}  // namespace rondivo
