#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/process.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

// A process object vanishes with its last handle, exit code and all: the
// handle from CreateProcess is kept until the exit has been collected.
std::mutex processesMutex;
std::map<pid_t, HANDLE> processes;

HANDLE takeHandle(pid_t pid) {
    std::lock_guard lock(processesMutex);
    auto it = processes.find(pid);
    if (it == processes.end()) return nullptr;
    HANDLE h = it->second;
    processes.erase(it);
    return h;
}

void keepHandle(pid_t pid, HANDLE h) {
    std::lock_guard lock(processesMutex);
    processes[pid] = h;
}

// One argument as the C runtime's command-line parser will read it back.
void appendQuoted(std::wstring& line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            line.append(backslashes * 2 + 1, L'\\');
        else
            line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

}  // namespace

std::optional<fs::path> findOnPath(std::string_view program) {
    if (program.empty()) return std::nullopt;
    const std::wstring name = wideFromUtf8(program);
    wchar_t found[MAX_PATH * 4];
    const DWORD n = SearchPathW(nullptr, name.c_str(), L".exe", MAX_PATH * 4, found, nullptr);
    if (n == 0 || n >= MAX_PATH * 4) return std::nullopt;
    const DWORD attributes = GetFileAttributesW(found);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return fs::path(found);
}

SpawnResult spawnFound(const fs::path& program, const std::vector<std::string>& argv,
                       const fs::path& workingDir) {
    SpawnResult result;
    std::wstring line;
    for (const auto& a : argv) {
        if (!line.empty()) line += L' ';
        appendQuoted(line, wideFromUtf8(a));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP, nullptr,
                        workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &info)) {
        result.error = errnoFromWindowsError(GetLastError());
        return result;
    }
    CloseHandle(info.hThread);
    result.pid = static_cast<pid_t>(info.dwProcessId);
    keepHandle(result.pid, info.hProcess);
    return result;
}

std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout) {
    HANDLE h = takeHandle(pid);
    if (!h) return -1;
    if (WaitForSingleObject(h, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        // Still running: nothing lingers on Windows once the handle is closed.
        CloseHandle(h);
        return std::nullopt;
    }
    DWORD code = 0;
    const bool ok = GetExitCodeProcess(h, &code);
    CloseHandle(h);
    return ok ? static_cast<int>(code) : -1;
}

int waitForExit(pid_t pid) {
    return waitForExit(pid, std::chrono::milliseconds(INFINITE)).value_or(-1);
}

std::vector<std::string> commandLineArguments(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words) return args;
    for (int i = 1; i < count; ++i) args.push_back(utf8FromWide(words[i]));
    LocalFree(words);
    return args;
}

}  // namespace rondivo::platform
