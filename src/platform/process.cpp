#include "platform/process.h"

#include <cerrno>

namespace rondivo::platform {

SpawnResult spawnProcess(const std::vector<std::string>& argv,
                         const std::filesystem::path& workingDir) {
    if (argv.empty()) return {.error = EINVAL};
    auto program = findOnPath(argv[0]);
    if (!program) return {.error = ENOENT};
    return spawnFound(*program, argv, workingDir);
}

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> out;
    std::string cur;
    bool inQuotes = false, have = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            inQuotes = !inQuotes;
            have = true;
        } else if (c == '\\' && inQuotes && i + 1 < line.size() &&
                   (line[i + 1] == '"' || line[i + 1] == '\\' || line[i + 1] == '$' ||
                    line[i + 1] == '`')) {
            cur.push_back(line[++i]);
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (have) out.push_back(cur);
            cur.clear();
            have = false;
        } else {
            cur.push_back(c);
            have = true;
        }
    }
    if (have) out.push_back(cur);
    return out;
}

}  // namespace rondivo::platform
