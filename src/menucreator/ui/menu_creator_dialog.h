#pragma once
// CMenuCreatorDlg: the Menu Creator window. The designer opens it with
// runMenuCreator(); everything it does to the page goes through CMenuDocument.
#include <wx/dialog.h>
#include <wx/toolbar.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "menucreator/menu_page.h"
#include "menucreator/preview_navigation.h"
#include "menucreator/ui/menu_document_window.h"
#include "menucreator/ui/menu_prompts.h"
#include "menucreator/ui/save_menu_dialog.h"

namespace rondivo::menucreator {

// Runs the Menu Creator modally over `parent`. `programFolder` holds "html"
// (templates, demo menus, saved menus) and "pages" (the built-in pages).
// Returns the full path of the saved menu page when the author saved one;
// nothing when the window was closed without saving.
std::optional<std::string> runMenuCreator(wxWindow* parent,
                                          const std::filesystem::path& programFolder);

wxBitmap toolbarIcon(int iconId);

// The answers the window gets from its own dialogs; tests replace them.
struct MenuCreatorDialogs {
    // CSaveMenuDlg: the result and, on Save, the file name with ".html".
    std::function<std::pair<CSaveMenuDlg::Result, std::string>(
        wxWindow*, const std::string& name, const MenuFileFor& fileFor, bool offerDiscard)>
        saveAs;
    // CHyperlinkDlg: the address to attach, or nothing on Cancel.
    std::function<std::optional<std::string>(wxWindow*)> hyperlink;
};

class PreviewHost;

class CMenuCreatorDlg : public wxDialog {
  public:
    // The window's ids: the toolbar's commands, the close request and its two controls.
    enum Id {
        kClose = 2,
        kInsertImage = 300,
        kFreeMove = 301,
        kBold = 302,
        kItalic = 303,
        kUnderline = 304,
        kHyperlink = 305,
        kSave = 309,
        kOpen = 310,
        kPreview = 311,
        kCenter = 312,
        kJustifyLeft = 313,
        kJustifyRight = 314,
        kTextColor = 315,
        kBackgroundColor = 317,
        kBackgroundImage = 318,
        kPageTitle = 320,
        kChangeFont = 321,
        kInsertText = 322,
        kHelp = 323,
        kBackgroundMusic = 324,
        kInsertMovie = 325,
        kStopPreview = 400,
        kToolbar = 1046,
        kBrowser = 1085,
    };

    CMenuCreatorDlg(wxWindow* parent, const std::filesystem::path& programFolder,
                    MenuPrompts prompts = MenuPrompts::standard(), MenuCreatorDialogs dialogs = {});
    ~CMenuCreatorDlg() override;

    // Runs a toolbar command (or kClose, the close request).
    void runCommand(int id);
    // Acts on an address the page navigates to; true when it was cancelled.
    bool handleNavigation(const std::string& address);

    // 0 while the window runs, then wxID_OK or wxID_CANCEL.
    int endCode() const { return endCode_; }
    const std::filesystem::path& menuFilePath() const { return menuFilePath_; }
    const std::string& menuName() const { return menuName_; }
    const std::string& currentUrl() const { return currentUrl_; }
    bool editing() const { return editing_; }
    const MenuHeadValues& head() const { return head_; }
    CMenuDocument& document() { return *document_; }
    wxToolBar* toolbar() const { return toolbar_; }
    const std::filesystem::path& htmlFolder() const { return htmlFolder_; }

  private:
    struct Command {
        int id;
        bool onTextBoxText;  // a selected text box gives its text first
        void (*run)(CMenuCreatorDlg&);
    };
    static const Command* findCommand(int id);

    void useStandardDialogs();
    void buildToolbar();
    void layOut();
    void bindWindowEvents();
    void bindPageEvents();

    // Path macros as the preview resolves them: the program folder plays the disc.
    PathMacros previewMacros() const { return systemPathMacros(programFolder_, false); }
    void onLoaded(const wxString& url);
    void loadPage(const std::string& pathOrUrl);
    void startFromChooser(const std::string& address);
    bool makeGallery();
    void selectAllStep();
    void togglePreview();
    void saveFlow(bool offerDiscard);
    std::filesystem::path menuFileFor(const std::string& fileName) const;
    bool writeMenu(const std::filesystem::path& file);
    void finish(int code);
    std::string chooseFile(const wxString& title, const wxString& filter, bool preview,
                           const wxString& defaultName = "");

    void askPageTitle();
    void chooseBackgroundImage();
    void insertImage();
    void hyperlink();
    void insertText();
    void chooseTextColour();
    void chooseBackgroundColour();
    void chooseBackgroundMusic();
    void insertMovie();
    void changeFont();
    void openPage();
    void showHelp(const std::string& chapter);

    std::filesystem::path programFolder_;
    std::filesystem::path htmlFolder_;
    MenuPrompts prompts_;
    MenuCreatorDialogs dialogs_;
    std::unique_ptr<CMenuDocument> document_;
    std::unique_ptr<PreviewHost> previewHost_;
    wxToolBar* toolbar_ = nullptr;

    std::filesystem::path openedFolder_;  // folder of the page opened with Open, if any
    std::filesystem::path pageFolder_;    // where the shown page's relative links lead
    std::filesystem::path menuFilePath_;  // the written file after a save
    std::string menuName_;
    std::string currentUrl_;
    bool editing_ = false;
    bool templateFirstLoad_ = false;
    int insertedMovies_ = 0;
    MenuHeadValues head_;
    int endCode_ = 0;
};

}  // namespace rondivo::menucreator
