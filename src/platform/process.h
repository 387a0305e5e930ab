#pragma once
// Starting other programs without a shell: arguments are passed as they are.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo::platform {

std::optional<std::filesystem::path> findOnPath(std::string_view program);

struct SpawnResult {
    pid_t pid = -1;
    int error = 0;  // errno of the failed start, 0 when started
    bool started() const { return pid > 0; }
};

// Starts argv[0] (searched on PATH when it has no '/') in `workingDir`
// (empty: the current directory).
SpawnResult spawnProcess(const std::vector<std::string>& argv,
                         const std::filesystem::path& workingDir = {});

// spawnProcess's start of `program` once found, one per system; call spawnProcess.
SpawnResult spawnFound(const std::filesystem::path& program, const std::vector<std::string>& argv,
                       const std::filesystem::path& workingDir);

// Waits at most `timeout` for the process. Returns its exit status (128+signal
// when killed), or nothing when it is still running; a process left running
// is reaped in the background so it never lingers as a zombie.
std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout);

// Waits without a limit; the exit status as above, -1 when it cannot be had.
int waitForExit(pid_t pid);

// The program's arguments after its name, as UTF-8 (on Windows read from the
// wide command line: argv there is in the ANSI code page).
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Splits a command line at blanks, honouring double quotes (for Exec= lines and parameters).
std::vector<std::string> splitCommandLine(std::string_view line);

}  // namespace rondivo::platform
