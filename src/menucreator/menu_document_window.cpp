#include "menucreator/menu_document_window.h"

#include <wx/filesys.h>
#include <wx/mstream.h>

#include <fstream>
#include <sstream>

#include "menucreator/media_compat.h"
#include "menucreator/menu_editor_script.h"
#include "menucreator/menu_page.h"
#include "menucreator/templates.h"

namespace rondivo::menucreator {

ResPageHandler::ResPageHandler(std::filesystem::path pagesFolder)
    : wxWebViewHandler("res"), pagesFolder_(std::move(pagesFolder)) {}

std::string ResPageHandler::pageText(const std::filesystem::path& pagesFolder, const std::string& number) {
    if (number.empty()) return {};
    std::error_code ec;
    for (std::filesystem::directory_iterator it(pagesFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().stem().string() != number) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    if (number == "179") return blankTemplatePage();
    return {};
}

wxFSFile* ResPageHandler::GetFile(const wxString& uri) {
    std::string text = pageText(pagesFolder_, builtInPageNumber(uri.utf8_string()));
    if (text.empty()) return nullptr;
    wxMemoryOutputStream out;
    out.Write(text.data(), text.size());
    return new wxFSFile(new wxMemoryInputStream(out), uri, "text/html", wxString(), wxDateTime::Now());
}

CMenuDocument::CMenuDocument(wxWindow* parent, wxWindowID id, const std::filesystem::path& programFolder) {
    view_ = wxWebView::New();
    view_->Create(parent, id, wxWebViewDefaultURLStr, wxDefaultPosition, wxDefaultSize);
    view_->RegisterHandler(wxSharedPtr<wxWebViewHandler>(new ResPageHandler(programFolder / "pages")));
    view_->AddUserScript(wxString::FromUTF8(mediaCompatScript()), wxWEBVIEW_INJECT_AT_DOCUMENT_END);
    view_->AddUserScript(wxString::FromUTF8(menuEditorScript()), wxWEBVIEW_INJECT_AT_DOCUMENT_END);
    view_->EnableContextMenu(false);
}

void CMenuDocument::navigate(const std::string& url) { view_->LoadURL(wxString::FromUTF8(url)); }

bool CMenuDocument::run(const std::string& script, std::string* result) {
    wxString out;
    bool ok = view_->RunScript(wxString::FromUTF8(script), &out);
    if (result) *result = ok ? out.utf8_string() : std::string();
    return ok;
}

bool CMenuDocument::ready() const {
    if (view_->IsBusy()) return false;
    wxString out;
    return view_->RunScript("String(!!window.rondivoEditor && document.readyState === 'complete')", &out) &&
           out == "true";
}

bool CMenuDocument::call(const std::string& expression) {
    std::string out;
    return run("String(!!window.rondivoEditor && !!(" + expression + "))", &out) && out == "true";
}

bool CMenuDocument::exec(const char* command, const char* value, int needs) {
    std::string arg = value ? jsString(value) : "undefined";
    return call("rondivoEditor.exec(" + jsString(command) + ", " + arg + ", " + std::to_string(needs) + ")");
}

bool CMenuDocument::foreColour(std::uint32_t colourRef) {
    return exec("foreColor", colourText(colourRef).c_str(), kSupportedEnabled);
}

bool CMenuDocument::insertImage(const std::filesystem::path& picture) {
    // A file: address, so the picture shows on built-in pages too.
    std::string url = "file://" + std::filesystem::absolute(picture).string();
    return exec("insertImage", url.c_str(), kSupported);
}

bool CMenuDocument::hyperlink(const std::string& url) { return call("rondivoEditor.makeLink(" + jsString(url) + ")"); }

bool CMenuDocument::setDesignMode(bool on) {
    return call(std::string("rondivoEditor.setDesignMode(") + (on ? "true" : "false") + ")");
}

namespace {
int toInt(const std::string& s) {
    try {
        return std::stoi(s);
    } catch (...) {
        return 0;
    }
}
}  // namespace

int CMenuDocument::imageCount() {
    std::string out;
    return run("String(window.rondivoEditor ? rondivoEditor.imageCount() : 0)", &out) ? toInt(out) : 0;
}

int CMenuDocument::textBoxCount() {
    std::string out;
    return run("String(window.rondivoEditor ? rondivoEditor.textBoxCount() : 0)", &out) ? toInt(out) : 0;
}

bool CMenuDocument::setBodyBackground(const std::string& path) {
    return call("rondivoEditor.setBodyBackground(" + jsString(path) + ")");
}

bool CMenuDocument::setPageBackgroundColour(std::uint32_t colourRef) {
    return call("rondivoEditor.setBackgroundColour(" + jsString(colourText(colourRef)) + ")");
}

bool CMenuDocument::selectionIsTextOrControl() {
    std::string out;
    if (!run("String(window.rondivoEditor ? rondivoEditor.selectionType() : '')", &out)) return false;
    return out == "Control" || out == "Text";
}

bool CMenuDocument::selectionIsTextBox() { return call("rondivoEditor.selectionIsTextBox()"); }

bool CMenuDocument::pasteFragment(const std::string& html, bool selectAfter) {
    return call("rondivoEditor.pasteFragment(" + jsString(html) + ", " + (selectAfter ? "true" : "false") + ")");
}

bool CMenuDocument::zeroImageBorders() { return call("rondivoEditor.zeroImageBorders()"); }
bool CMenuDocument::keepActionLinksInPlace() { return call("rondivoEditor.keepActionLinksInPlace()"); }
bool CMenuDocument::caretToEnd() { return call("rondivoEditor.caretToEnd()"); }
bool CMenuDocument::selectTextBoxContents() { return call("rondivoEditor.selectTextBoxContents()"); }

int CMenuDocument::freeMove() {
    std::string out;
    return run("String(window.rondivoEditor ? rondivoEditor.freeMove() : 0)", &out) ? toInt(out) : 0;
}

std::string CMenuDocument::bodyHtml() {
    std::string out;
    return run("window.rondivoEditor ? rondivoEditor.bodyHtml() : ''", &out) ? out : std::string();
}

}  // namespace rondivo::menucreator
