#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/file_io.h"

namespace rondivo::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        fs::path p = fs::temp_directory_path() / ("rondivo-test-" + std::to_string(random()));
        if (fs::create_directory(p)) path_ = p;
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder");
#else
    std::string tmpl = (fs::temp_directory_path() / "rondivo-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make folders unreadable on purpose; give them back before removing.
    for (fs::recursive_directory_iterator
             it(path_, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
#ifdef _WIN32
        // Windows will not delete a file marked read-only.
        else if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
#endif
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void writeFile(const fs::path& p, const std::string& bytes) {
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

#ifdef _WIN32
namespace {
// An empty value removes the variable on Windows.
void setenv(const char* name, const char* value, int) {
    _putenv_s(name, value);
}
void unsetenv(const char* name) {
    _putenv_s(name, "");
}
}  // namespace
#endif

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

ScopedCwd::ScopedCwd(const fs::path& p) : old_(fs::current_path()) {
    fs::current_path(p);
}
ScopedCwd::~ScopedCwd() {
    std::error_code ec;
    fs::current_path(old_, ec);
}

FakeXdgOpen::FakeXdgOpen() {
    fs::create_directories(bin());
    writeFile(bin() / "xdg-open",
              "#!/bin/sh\n"
              "printf '%s\\n' \"$*\" >> '" +
                  log().string() +
                  "'\n"
                  "exit ${FAKE_XDG_EXIT:-0}\n");
    fs::permissions(bin() / "xdg-open", fs::perms::owner_all);
}

std::vector<std::string> FakeXdgOpen::calls() const {
    std::vector<std::string> lines;
    std::ifstream in(log());
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::string FakeXdgOpen::pathWithFakeFirst() const {
    const char* p = std::getenv("PATH");
    return bin().string() + ":" + (p ? p : "/usr/bin:/bin");
}

#ifdef _WIN32
RunResult runProgram(const std::vector<std::string>& argv, const fs::path& cwd,
                     const std::vector<std::pair<std::string, std::string>>& env, int timeoutMs) {
    RunResult r;
    std::wstring line;
    for (const auto& a : argv) {
        if (!line.empty()) line += L' ';
        // Test arguments hold no quotes; blanks are quoted.
        const std::wstring w = platform::u8path(a).wstring();
        line += w.find(L' ') == std::wstring::npos && !w.empty() ? w : L"\"" + w + L"\"";
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return r;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    // The child inherits our environment: set the extra variables around its start.
    std::vector<std::unique_ptr<ScopedEnv>> scoped;
    for (const auto& [k, v] : env) scoped.push_back(std::make_unique<ScopedEnv>(k.c_str(), v));
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        cwd.empty() ? nullptr : cwd.c_str(), &startup, &info);
    scoped.clear();
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        r.status = 127;
        return r;
    }
    std::thread reader([&] {
        char buf[4096];
        DWORD n = 0;
        while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) r.output.append(buf, n);
    });
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, INFINITE);
        reader.join();
        r.status = -1;
        r.output += "\n[timed out]";
    } else {
        reader.join();
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        r.status = static_cast<int>(code);
    }
    // Text-mode output ends its lines with "\r\n" on Windows; tests compare lines.
    for (auto at = r.output.find("\r\n"); at != std::string::npos; at = r.output.find("\r\n", at))
        r.output.erase(at, 1);
    CloseHandle(readEnd);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return r;
}

#else
RunResult runProgram(const std::vector<std::string>& argv, const fs::path& cwd,
                     const std::vector<std::pair<std::string, std::string>>& env, int timeoutMs) {
    RunResult r;
    int pipefd[2];
    if (pipe(pipefd) != 0) return r;
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(pipefd[1], 1);
        dup2(pipefd[1], 2);
        close(pipefd[0]);
        close(pipefd[1]);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        for (auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipefd[1]);
    fcntl(pipefd[0], F_SETFL, O_NONBLOCK);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buf[4096];
    while (true) {
        ssize_t n;
        while ((n = read(pipefd[0], buf, sizeof buf)) > 0) r.output.append(buf, n);
        int status;
        pid_t w = waitpid(pid, &status, WNOHANG);
        if (w == pid) {
            while ((n = read(pipefd[0], buf, sizeof buf)) > 0) r.output.append(buf, n);
            r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.status = -1;
            r.output += "\n[timed out]";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(pipefd[0]);
    return r;
}

#endif

bool permissionsBind() {
#ifdef _WIN32
    return false;
#else
    return geteuid() != 0;
#endif
}

fs::path sourceDir() {
    return RONDIVO_SOURCE_DIR;
}
fs::path binaryDir() {
    return RONDIVO_BINARY_DIR;
}
fs::path program(const fs::path& built) {
    const char* elsewhere = std::getenv("RONDIVO_TEST_PROGRAMS");
    if (!elsewhere || !*elsewhere) return built;
    return fs::path(elsewhere) / built.filename();
}

std::string windowsPlayerBytes() {
    const fs::path real = binaryDir() / "windows" / "autorun.exe";
    if (fs::exists(real)) return readFile(real);
    std::string pe(0x80, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    pe[0x3c] = 0x40;
    pe.replace(0x40, 4, std::string("PE\0\0", 4));
    return pe;
}

bool isPortableExecutable(const std::string& bytes) {
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) return false;
    std::uint32_t at = 0;
    for (int i = 3; i >= 0; --i) at = at << 8 | static_cast<unsigned char>(bytes[0x3c + i]);
    return at <= bytes.size() - 4 && bytes.compare(at, 4, std::string("PE\0\0", 4)) == 0;
}

}  // namespace rondivo::test
