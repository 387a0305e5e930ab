#pragma once
// Shared helpers for tests: temporary folders, files, environment overrides.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// For a test of what only Linux has (xdg-open, SG_IO, /dev, /proc, the
// outside image readers): in the Windows build it ends as skipped, saying why.
#ifdef _WIN32
#define RONDIVO_LINUX_ONLY(reason) GTEST_SKIP() << "Linux only: " << (reason)
#else
#define RONDIVO_LINUX_ONLY(reason) static_cast<void>(0)
#endif

namespace rondivo::test {

// A fresh folder, removed (with everything in it) when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // "a/b" below the folder, with the system's own separators throughout.
    std::filesystem::path operator/(const std::string& rel) const {
        return (path_ / rel).make_preferred();
    }

  private:
    std::filesystem::path path_;
};

// A path as the program shows it: with the system's own separators.
inline std::string native(std::filesystem::path p) {
    return p.make_preferred().string();
}

void writeFile(const std::filesystem::path& p, const std::string& bytes);
std::string readFile(const std::filesystem::path& p);

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// Changes the current directory for the lifetime of the object.
class ScopedCwd {
  public:
    explicit ScopedCwd(const std::filesystem::path& p);
    ~ScopedCwd();

  private:
    std::filesystem::path old_;
};

// A folder with a recording `xdg-open` that appends its arguments (one line
// per call) to log(); it exits with the code in $FAKE_XDG_EXIT (default 0).
// Put bin() first on PATH.
class FakeXdgOpen {
  public:
    FakeXdgOpen();
    std::filesystem::path bin() const { return dir_.path() / "bin"; }
    std::filesystem::path log() const { return dir_.path() / "xdg-open.log"; }
    std::vector<std::string> calls() const;
    std::string pathWithFakeFirst() const;

  private:
    TempDir dir_;
};

// Runs argv (no shell), with `cwd` and extra environment; returns exit status and stdout+stderr.
struct RunResult {
    int status = -1;
    std::string output;
};
RunResult runProgram(const std::vector<std::string>& argv, const std::filesystem::path& cwd = {},
                     const std::vector<std::pair<std::string, std::string>>& env = {},
                     int timeoutMs = 30000);

// Whether taking away a file's permissions stops this process: not for root,
// and not on Windows, where the read-only mark keeps nobody from reading.
bool permissionsBind();

std::filesystem::path sourceDir();
std::filesystem::path binaryDir();
// One of our programs as this build made it or, with $RONDIVO_TEST_PROGRAMS
// set, the program of that name in that folder: the sanitizer run starts its
// instrumented programs from window tests built without instrumentation.
std::filesystem::path program(const std::filesystem::path& built);

// The Windows player's bytes for a fake program folder: the real one when the
// Windows build put it into this build's program folder, else a minimal PE header.
std::string windowsPlayerBytes();
// "MZ", and "PE\0\0" where the DOS header's e_lfanew points.
bool isPortableExecutable(const std::string& bytes);

}  // namespace rondivo::test
