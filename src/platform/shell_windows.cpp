#include <windows.h>
// After windows.h:
#include <shellapi.h>
#include <shlobj.h>

#include "platform/process.h"
#include "platform/shell.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

int shellOpen(const wchar_t* verb, const std::wstring& file, const std::wstring& parameters,
              const fs::path& workingDir) {
    // The result is an HINSTANCE only in name: above 32 is success, else the error code.
    const auto r = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, verb, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
        workingDir.empty() ? nullptr : workingDir.c_str(), SW_SHOWNORMAL));
    return static_cast<int>(r);
}

}  // namespace

int shellExecute(const std::string& file, const std::string& parameters,
                 const fs::path& workingDir) {
    // The default verb, as a double-click in Explorer: a type whose only verbs
    // are Show or Print has no "open".
    return shellOpen(nullptr, wideFromUtf8(file), wideFromUtf8(parameters), workingDir);
}

int openAddress(const std::string& address) {
    return shellOpen(nullptr, wideFromUtf8(address), {}, {});
}

int openFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return kShellPathNotFound;
    return shellOpen(L"explore", folder.wstring(), {}, {});
}

bool showSystemOpenWith(const fs::path& file) {
    const std::wstring name = fs::absolute(file).wstring();
    OPENASINFO info{};
    info.pcszFile = name.c_str();
    info.oaifInFlags = static_cast<OPEN_AS_INFO_FLAGS>(OAIF_ALLOW_REGISTRATION | OAIF_EXEC);
    const HRESULT hr = SHOpenWithDialog(nullptr, &info);
    // Cancelled by the user is an answer too: no second chooser after it.
    return SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_CANCELLED);
}

std::vector<DesktopApplication> listDesktopApplications() {
    // Windows has its own chooser (showSystemOpenWith).
    return {};
}

bool openWithApplication(const DesktopApplication& app, const fs::path& file) {
    auto started = spawnProcess(commandForFile(app, file), file.parent_path());
    if (started.started()) waitForExit(started.pid, std::chrono::milliseconds(0));
    return started.started();
}

bool openWithProgram(const fs::path& program, const fs::path& file) {
    return shellSucceeded(
        shellOpen(L"open", program.wstring(), L"\"" + file.wstring() + L"\"", file.parent_path()));
}

}  // namespace rondivo::platform
