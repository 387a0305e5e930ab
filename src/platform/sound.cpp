#include "platform/sound.h"

#include <cstring>

#include "platform/regular_file.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

bool isWaveFile(const fs::path& file) {
    RegularFileStream in(file);
    char head[12] = {};
    in.read(head, sizeof head);
    return in.gcount() == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
           std::memcmp(head + 8, "WAVE", 4) == 0;
}

}  // namespace rondivo::platform
