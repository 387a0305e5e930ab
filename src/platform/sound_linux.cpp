#include <fcntl.h>
#include <spawn.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/sound.h"

extern char** environ;

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

// Players in order of preference, with the words that keep them quiet.
struct Player {
    const char* program;
    std::vector<std::string> options;
};

const Player kPlayers[] = {
    {"pw-play", {}},
    {"paplay", {}},
    {"aplay", {"-q"}},
    {"play", {"-q"}},
    {"gst-play-1.0", {"-q", "--no-interactive"}},
};

// Runs the player with its output discarded: a missing audio device makes
// them talk, and the disc's user never sees a terminal anyway.
int runQuietly(const fs::path& program, const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    return waitForExit(pid);
}

}  // namespace

bool playWaveFile(const std::string& path) {
    if (path.empty() || path.find(' ') != std::string::npos) return false;
    std::error_code ec;
    fs::path file = resolvePath(fs::current_path(ec), path);
    if (!isWaveFile(file)) return false;
    for (const auto& player : kPlayers) {
        auto program = findOnPath(player.program);
        if (!program) continue;
        std::vector<std::string> argv{player.program};
        argv.insert(argv.end(), player.options.begin(), player.options.end());
        argv.push_back(fs::absolute(file, ec).string());
        return runQuietly(*program, argv) == 0;
    }
    return false;
}

}  // namespace rondivo::platform
