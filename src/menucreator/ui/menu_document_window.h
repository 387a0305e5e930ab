#pragma once
// CMenuDocument: the page view and editor of the Menu Creator, on wxWebView.
// Editing commands go to document.execCommand, each run only when
// queryCommandSupported / queryCommandEnabled give the status it needs; the
// rest (object selection, free positioning and dragging, page queries) is our
// injected editor script.
#include <wx/webview.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace rondivo::menucreator {

// Serves the built-in pages ("res://Rondivo! 2.6.exe/23/<n>") from the program
// folder's "pages" folder; the blank template is built in when that folder
// lacks it.
class ResPageHandler : public wxWebViewHandler {
  public:
    explicit ResPageHandler(std::filesystem::path pagesFolder);
    wxFSFile* GetFile(const wxString& uri) override;
    static std::string pageText(const std::filesystem::path& pagesFolder,
                                const std::string& number);

  private:
    std::filesystem::path pagesFolder_;
};

class CMenuDocument {
  public:
    // Status needed before a command runs.
    enum Needs { kNoCheck = 0, kSupported = 1, kSupportedEnabled = 3 };

    // Creates the web view as a child of `parent`.
    CMenuDocument(wxWindow* parent, wxWindowID id, const std::filesystem::path& programFolder);
    wxWebView* view() const { return view_; }

    void navigate(const std::string& url);
    // True once the shown page has finished loading and carries our script.
    bool ready() const;

    // Editing commands; false when the engine does not offer the command now.
    bool bold() { return exec("bold", nullptr, kSupportedEnabled); }
    bool italic() { return exec("italic", nullptr, kSupportedEnabled); }
    bool underline() { return exec("underline", nullptr, kSupportedEnabled); }
    bool foreColour(std::uint32_t colourRef);
    bool fontName(const std::string& face) {
        return exec("fontName", face.c_str(), kSupportedEnabled);
    }
    bool fontSize(int size) {
        return exec("fontSize", std::to_string(size).c_str(), kSupportedEnabled);
    }
    bool justifyCenter() { return exec("justifyCenter", nullptr, kSupportedEnabled); }
    bool justifyLeft() { return exec("justifyLeft", nullptr, kSupportedEnabled); }
    bool justifyRight() { return exec("justifyRight", nullptr, kSupportedEnabled); }
    bool lineBreak() { return exec("insertLineBreak", nullptr, kSupportedEnabled); }
    bool paragraph() { return exec("insertParagraph", nullptr, kSupportedEnabled); }
    bool insertImage(const std::filesystem::path& picture);
    bool hyperlink(const std::string& url);

    // Page operations.
    bool setDesignMode(bool on);
    int imageCount();
    int textBoxCount();
    bool setBodyBackground(const std::string& path);
    bool setPageBackgroundColour(std::uint32_t colourRef);
    bool selectionIsTextOrControl();
    bool selectionIsTextBox();
    bool pasteFragment(const std::string& html, bool selectAfter);
    // A text box with `text` at the caret, its text selected so typing replaces it.
    bool insertTextBox(const std::string& text);
    // The newest object of a kind ("img", "fieldset") to a free, visible place.
    bool placeNewest(const std::string& tagName);
    bool zeroImageBorders();
    bool keepActionLinksInPlace();
    std::string bodyHtml();
    // Our replacements for the keystroke synthesis and the select-all helper.
    bool caretToEnd();
    bool selectTextBoxContents();
    // Every picture, text box and movie absolutely positioned and draggable;
    // returns how many objects were freed.
    int freeMove();

    // Runs script in the page; the value of the last expression as text.
    bool run(const std::string& script, std::string* result = nullptr);

  private:
    bool exec(const char* command, const char* value, int needs);
    bool call(const std::string& expression);

    wxWebView* view_ = nullptr;
};

}  // namespace rondivo::menucreator
