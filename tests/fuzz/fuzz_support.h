#pragma once
// Shared by the fuzz targets: the input as text, and a scratch folder of the
// process's own that each run starts from empty.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace rondivo::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        auto p =
            std::filesystem::temp_directory_path() / ("rondivo-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return dir;
}

inline std::filesystem::path freshScratch(const std::string& name) {
    std::error_code ec;
    auto p = scratch() / name;
    std::filesystem::remove_all(p, ec);
    std::filesystem::create_directories(p);
    return p;
}

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace rondivo::fuzz
