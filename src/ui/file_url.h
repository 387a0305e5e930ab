#pragma once
// The address a web view loads for a local file.
#include <filesystem>
#include <string>

namespace rondivo {

// "file:///..." with the characters an address cannot hold escaped.
std::string fileUrl(const std::filesystem::path& file);

}  // namespace rondivo
