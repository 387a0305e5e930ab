#pragma once
// The record of what a finished build put into the distributable folder, so
// the next build can tell those files from ones the author added afterwards.
// It is kept beside the folder (a hidden file, never on the disc), where
// whoever can write the folder can write it too, whatever their home folder.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

// ".CD-ROM Distributable Files.built" beside `folder`.
std::filesystem::path buildRecordFile(const std::filesystem::path& folder);

// One name a line: "%", CR and LF in a name are written as %25, %0D and %0A.
std::string escapeRecordName(std::string_view name);
std::string unescapeRecordName(std::string_view line);

// The names (relative, "/" between folders) in the record; nullopt when there is none.
std::optional<std::vector<std::string>> readBuildRecord(const std::filesystem::path& folder);
// Replaces the record as a whole; false with the reason when it cannot be written.
bool writeBuildRecord(const std::filesystem::path& folder, const std::vector<std::string>& names,
                      std::string& why);

}  // namespace rondivo
