#include "menucreator/ui/menu_document_window.h"

#include <wx/filesys.h>
#include <wx/mstream.h>

#include <cstring>
#include <fstream>
#include <sstream>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include "menucreator/menu_editor_script.h"
#include "menucreator/menu_page.h"
#include "menucreator/templates.h"
#include "player/media_compat.h"
#include "ui/web_view_script.h"

namespace rondivo::menucreator {

ResPageHandler::ResPageHandler(std::filesystem::path pagesFolder)
    : wxWebViewHandler("res"), pagesFolder_(std::move(pagesFolder)) {}

std::string ResPageHandler::pageText(const std::filesystem::path& pagesFolder,
                                     const std::string& number) {
    if (number.empty()) return {};
    std::error_code ec;
    for (std::filesystem::directory_iterator it(pagesFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
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
    return new wxFSFile(new wxMemoryInputStream(out), uri, "text/html", wxString(),
                        wxDateTime::Now());
}

namespace {

#ifdef __WXGTK__
// The engine's own calls, looked up in the already loaded library: wxWidgets
// gives no way to declare a scheme "local", and its own scheme handlers are
// bound to the first web view that registers them (a later view, after that
// one is gone, would be served through a dangling pointer). The engine takes
// one handler per scheme for the whole process: ours is registered once (the
// engine's context remembers that) and asks the view that wants a page for
// the folder its document serves from.
struct WebKitCalls {
    using GetDefault = void* (*)();
    using GetManager = void* (*)(void*);
    using RegisterLocal = void (*)(void*, const char*);
    using Callback = void (*)(void* request, void* userData);
    using RegisterScheme = void (*)(void* context, const char* scheme, Callback cb, void* data,
                                    void* destroy);
    using GetUri = const char* (*)(void* request);
    using GetView = void* (*)(void* request);
    using NewStream = void* (*)(const void* data, long len, void (*destroy)(void*));
    using Finish = void (*)(void* request, void* stream, long long len, const char* mime);
    using Unref = void (*)(void*);
    using Malloc = void* (*)(unsigned long);
    using Free = void (*)(void*);
    using GetData = void* (*)(void* object, const char* key);
    using SetData = void (*)(void* object, const char* key, void* data, void (*destroy)(void*));

    GetDefault getDefault = sym<GetDefault>("webkit_web_context_get_default");
    GetManager getManager = sym<GetManager>("webkit_web_context_get_security_manager");
    RegisterLocal registerLocal =
        sym<RegisterLocal>("webkit_security_manager_register_uri_scheme_as_local");
    RegisterScheme registerScheme = sym<RegisterScheme>("webkit_web_context_register_uri_scheme");
    GetUri getUri = sym<GetUri>("webkit_uri_scheme_request_get_uri");
    GetView getView = sym<GetView>("webkit_uri_scheme_request_get_web_view");
    NewStream newStream = sym<NewStream>("g_memory_input_stream_new_from_data");
    Finish finish = sym<Finish>("webkit_uri_scheme_request_finish");
    Unref unref = sym<Unref>("g_object_unref");
    Malloc gMalloc = sym<Malloc>("g_malloc");
    Free gFree = sym<Free>("g_free");
    GetData getData = sym<GetData>("g_object_get_data");
    SetData setData = sym<SetData>("g_object_set_data_full");

    template <typename F>
    static F sym(const char* name) {
        return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    }
    bool complete() const {
        return getDefault && getManager && registerLocal && registerScheme && getUri && getView &&
               newStream && finish && unref && gMalloc && gFree && getData && setData;
    }
};

// Keys of what we keep on the engine's objects: the context's "registered"
// mark, and each view's folder of built-in pages.
constexpr const char* kRegisteredKey = "rondivo-res-registered";
constexpr const char* kPagesFolderKey = "rondivo-pages-folder";

void serveBuiltInPage(void* request, void*) {
    const WebKitCalls wk;
    const char* uri = wk.getUri(request);
    const auto* folder =
        static_cast<const std::filesystem::path*>(wk.getData(wk.getView(request), kPagesFolderKey));
    std::string text =
        folder ? ResPageHandler::pageText(*folder, builtInPageNumber(uri ? uri : "")) : "";
    if (text.empty())
        text =
            "<HTML><BODY>The page " + std::string(uri ? uri : "") + " is not there.</BODY></HTML>";
    void* copy = wk.gMalloc(text.size());
    std::memcpy(copy, text.data(), text.size());
    void* stream = wk.newStream(copy, static_cast<long>(text.size()), wk.gFree);
    wk.finish(request, stream, static_cast<long long>(text.size()), "text/html");
    wk.unref(stream);
}

// Before the first view is made: returns false when the engine's calls are
// not there (another engine).
bool registerBuiltInPages() {
    const WebKitCalls wk;
    if (!wk.complete()) return false;
    void* context = wk.getDefault();
    if (wk.getData(context, kRegisteredKey)) return true;
    wk.registerLocal(wk.getManager(context), "res");
    wk.registerScheme(context, "res", serveBuiltInPage, nullptr, nullptr);
    wk.setData(context, kRegisteredKey, context, nullptr);
    return true;
}

// The folder `view` is served from, kept on the view and freed with it.
void serveFrom(wxWebView* view, const std::filesystem::path& folder) {
    const WebKitCalls wk;
    wk.setData(view->GetNativeBackend(), kPagesFolderKey, new std::filesystem::path(folder),
               [](void* p) { delete static_cast<std::filesystem::path*>(p); });
}
#else
// Other engines take the handler each view registers.
bool registerBuiltInPages() {
    return false;
}
void serveFrom(wxWebView*, const std::filesystem::path&) {}
#endif

}  // namespace

CMenuDocument::CMenuDocument(wxWindow* parent, wxWindowID id,
                             const std::filesystem::path& programFolder) {
    bool shared = registerBuiltInPages();
    view_ = wxWebView::New();
    view_->Create(parent, id, wxWebViewDefaultURLStr, wxDefaultPosition, wxDefaultSize);
    if (shared)
        serveFrom(view_, programFolder / "pages");
    else
        view_->RegisterHandler(
            wxSharedPtr<wxWebViewHandler>(new ResPageHandler(programFolder / "pages")));
    addPageScript(view_, mediaCompatScript(), wxWEBVIEW_INJECT_AT_DOCUMENT_END);
    addPageScript(view_, menuEditorScript(), wxWEBVIEW_INJECT_AT_DOCUMENT_END);
    view_->EnableContextMenu(false);
}

void CMenuDocument::navigate(const std::string& url) {
    view_->LoadURL(wxString::FromUTF8(url));
}

bool CMenuDocument::run(const std::string& script, std::string* result) {
    wxString out;
    bool ok = runPageScript(view_, wxString::FromUTF8(script), &out);
    if (result) *result = ok ? out.utf8_string() : std::string();
    return ok;
}

bool CMenuDocument::ready() const {
    if (view_->IsBusy()) return false;
    wxString out;
    return runPageScript(view_,
                         "String(!!window.rondivoEditor && document.readyState === 'complete')",
                         &out) &&
           out == "true";
}

bool CMenuDocument::call(const std::string& expression) {
    std::string out;
    return run("String(!!window.rondivoEditor && !!(" + expression + "))", &out) && out == "true";
}

bool CMenuDocument::exec(const char* command, const char* value, int needs) {
    std::string arg = value ? jsString(value) : "undefined";
    return call("rondivoEditor.exec(" + jsString(command) + ", " + arg + ", " +
                std::to_string(needs) + ")");
}

bool CMenuDocument::foreColour(std::uint32_t colourRef) {
    return exec("foreColor", colourText(colourRef).c_str(), kSupportedEnabled);
}

bool CMenuDocument::insertImage(const std::filesystem::path& picture) {
    // A file: address, so the picture shows on built-in pages too.
    return exec("insertImage", pageFileAddress(picture).c_str(), kSupported);
}

bool CMenuDocument::hyperlink(const std::string& url) {
    return call("rondivoEditor.makeLink(" + jsString(url) + ")");
}

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
    return run("String(window.rondivoEditor ? rondivoEditor.imageCount() : 0)", &out) ? toInt(out)
                                                                                      : 0;
}

int CMenuDocument::textBoxCount() {
    std::string out;
    return run("String(window.rondivoEditor ? rondivoEditor.textBoxCount() : 0)", &out) ? toInt(out)
                                                                                        : 0;
}

bool CMenuDocument::setBodyBackground(const std::string& path) {
    return call("rondivoEditor.setBodyBackground(" + jsString(path) + ")");
}

bool CMenuDocument::setPageBackgroundColour(std::uint32_t colourRef) {
    return call("rondivoEditor.setBackgroundColour(" + jsString(colourText(colourRef)) + ")");
}

bool CMenuDocument::selectionIsTextOrControl() {
    std::string out;
    if (!run("String(window.rondivoEditor ? rondivoEditor.selectionType() : '')", &out))
        return false;
    return out == "Control" || out == "Text";
}

bool CMenuDocument::selectionIsTextBox() {
    return call("rondivoEditor.selectionIsTextBox()");
}

bool CMenuDocument::pasteFragment(const std::string& html, bool selectAfter) {
    return call("rondivoEditor.pasteFragment(" + jsString(html) + ", " +
                (selectAfter ? "true" : "false") + ")");
}

bool CMenuDocument::insertTextBox(const std::string& text) {
    return call("rondivoEditor.insertTextBox(" +
                jsString("<P><BR><FIELDSET>" + text + "</FIELDSET><BR></P>") + ")");
}
bool CMenuDocument::placeNewest(const std::string& tagName) {
    return call("rondivoEditor.placeNewest(" + jsString(tagName) + ")");
}

bool CMenuDocument::zeroImageBorders() {
    return call("rondivoEditor.zeroImageBorders()");
}
bool CMenuDocument::keepActionLinksInPlace() {
    return call("rondivoEditor.keepActionLinksInPlace()");
}
bool CMenuDocument::caretToEnd() {
    return call("rondivoEditor.caretToEnd()");
}
bool CMenuDocument::selectTextBoxContents() {
    return call("rondivoEditor.selectTextBoxContents()");
}

int CMenuDocument::freeMove() {
    std::string out;
    return run("String(window.rondivoEditor ? rondivoEditor.freeMove() : 0)", &out) ? toInt(out)
                                                                                    : 0;
}

std::string CMenuDocument::bodyHtml() {
    std::string out;
    return run("window.rondivoEditor ? rondivoEditor.bodyHtml() : ''", &out) ? out : std::string();
}

}  // namespace rondivo::menucreator
