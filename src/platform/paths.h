#pragma once
// File-system boundary helpers. Disc-side text keeps Windows conventions
// ("data\index.html"); here it becomes a Linux path, and names are matched
// without regard to letter case where Windows would ignore it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace rondivo::platform {

// "data\index.html" → "data/index.html". A drive-letter prefix ("C:\x") is
// mapped to the root ("/x") so author paths from Windows still name a file.
std::filesystem::path toNativePath(std::string_view discPath);

// Resolves each component of `relative` under `base`, taking the exact name
// when it exists and otherwise the first entry that equals it ignoring ASCII
// case. Returns nothing when some component has no match.
std::optional<std::filesystem::path> findCaseInsensitive(const std::filesystem::path& base,
                                                         const std::filesystem::path& relative);

// The existing file `relative` names under `base` (case-insensitively), or
// base/relative as it stands when there is none.
std::filesystem::path resolvePath(const std::filesystem::path& base, std::string_view discPath);

// True unless opening `path` for reading fails because it does not exist.
bool fileExists(const std::filesystem::path& path);

std::filesystem::path executablePath();
// A program's file name on this system: "rondivo" here, "rondivo.exe" on Windows.
std::string executableFileName(std::string_view base);
std::filesystem::path executableFolder();

bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string toLower(std::string_view s);
std::string toUpper(std::string_view s);

}  // namespace rondivo::platform
