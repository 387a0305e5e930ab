#include <windows.h>

#include "platform/single_instance.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

// The designer's main window carries the program's title.
constexpr wchar_t kDesignerTitle[] = L"Rondivo!";

BOOL CALLBACK raiseIfDesigner(HWND window, LPARAM found) {
    wchar_t title[64] = {};
    if (GetWindowTextW(window, title, 64) == 0) return TRUE;  // untitled windows are skipped
    if (std::wstring_view(title) != kDesignerTitle) return TRUE;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

}  // namespace

SingleInstance::SingleInstance(std::string name, fs::path folder)
    : name_(std::move(name)), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
    if (mutex_) CloseHandle(mutex_);
}

bool SingleInstance::owned() const {
    return mutex_ != nullptr;
}

bool SingleInstance::acquire() {
    if (mutex_) return true;
    HANDLE h = CreateMutexW(nullptr, TRUE, wideFromUtf8(name_).c_str());
    if (!h) return true;  // cannot tell at all: never keep the author out
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return false;
    }
    mutex_ = h;
    return true;
}

bool SingleInstance::pollRaiseRequest() {
    // The second instance raises the window itself.
    return false;
}

bool SingleInstance::sendRaiseRequest() const {
    bool found = false;
    EnumWindows(raiseIfDesigner, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace rondivo::platform
