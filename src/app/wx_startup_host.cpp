#include "app/wx_startup_host.h"

#include <wx/msgdlg.h>
#include <wx/wx.h>

#include <thread>

#include "platform/paths.h"
#include "platform/player_files.h"
#include "platform/shell.h"
#include "ui/message_box.h"
#include "ui/open_with_dialog.h"

namespace rondivo {

namespace fs = std::filesystem;

wxTopLevelWindow* findDesignerWindow() {
    for (wxWindow* w : wxTopLevelWindows) {
        auto* top = dynamic_cast<wxTopLevelWindow*>(w);
        if (top && !top->GetTitle().empty() && top->GetTitle() == kProgramTitle) return top;
    }
    return nullptr;
}

WxStartupHost::WxStartupHost(wxEventLoopBase& loop, CompositionRoot& windows)
    : loop_(loop), windows_(windows), instance_("rondivo-designer") {}
WxStartupHost::~WxStartupHost() = default;

fs::path WxStartupHost::currentDirectory() {
    std::error_code ec;
    return fs::current_path(ec);
}

fs::path WxStartupHost::executableFolder() {
    return platform::discFolder();
}

fs::path WxStartupHost::programFolder() {
    return platform::programFolder();
}

fs::path WxStartupHost::discFolder() {
    return platform::discFolder();
}

void WxStartupHost::showInformation(const std::string& text) {
    showProgramMessage(text, wxOK | wxICON_INFORMATION);
}

void WxStartupHost::showError(const std::string& text) {
    showProgramMessage(text, wxOK | wxICON_ERROR);
}

bool WxStartupHost::acquireDesignerInstance() {
    return instance_.acquire();
}

void WxStartupHost::raiseRunningDesigner() {
    instance_.sendRaiseRequest();
}

void WxStartupHost::showDesignerSplash(const fs::path& image) {
    windows_.showDesignerSplash(image);
}

void WxStartupHost::runDesigner() {
    // A second "rondivo design" asks through the instance socket; the running
    // designer answers by coming to the front.
    raiseTimer_ = std::make_unique<wxTimer>();
    raiseTimer_->Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (!instance_.pollRaiseRequest()) return;
        if (wxTopLevelWindow* w = findDesignerWindow()) {
            w->Show();
            w->Iconize(false);
            w->Raise();
        }
    });
    raiseTimer_->Start(200);
    windows_.runDesigner();
    raiseTimer_->Stop();
}

void WxStartupHost::startSound(const std::string& path) {
    soundStarted_ = true;
    windows_.startSound(path);
}

bool WxStartupHost::soundFinished() {
    return !soundStarted_ || windows_.soundFinished();
}

void WxStartupHost::showSplash(const std::string& image, int displayMs) {
    windows_.showPlayerSplash(image, displayMs);
}

void WxStartupHost::runBrowser(const BrowserLaunch& launch) {
    windows_.runBrowser(launch);
}

void WxStartupHost::restoreDesigner() {
    if (wxTopLevelWindow* w = findDesignerWindow()) {
        w->Iconize(false);
        w->Raise();
    }
}

std::string WxStartupHost::extractSecureFiles(bool dataFolderLayout) {
    return windows_.extractSecureFilesForShell(dataFolderLayout);
}

bool WxStartupHost::changeDirectory(const std::string& folder) {
    fs::path native = platform::toNativePath(folder);
    auto found = platform::findCaseInsensitive(currentDirectory(), native);
    std::error_code ec;
    fs::current_path(found ? *found : native, ec);
    return !ec;
}

bool WxStartupHost::enterFolder(const fs::path& folder) {
    std::error_code ec;
    fs::current_path(folder, ec);
    return !ec;
}

int WxStartupHost::shellExecute(const std::string& file, const std::string& parameters) {
    return platform::shellExecute(file, parameters);
}

void WxStartupHost::openWith(const std::string& file) {
    fs::path p = platform::resolvePath(currentDirectory(), file);
    offerOpenWith(nullptr, p);
}

void WxStartupHost::pumpMessages() {
    while (loop_.Pending()) loop_.Dispatch();
    loop_.ProcessIdle();
}

void WxStartupHost::sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace rondivo
