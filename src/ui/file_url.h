#pragma once
// The address a web view loads for a local file.
#include <string>

namespace rondivo {

// "file:///..." with the characters an address cannot hold escaped.
std::string fileUrl(const std::string& utf8File);

}  // namespace rondivo
