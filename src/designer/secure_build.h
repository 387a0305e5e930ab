#pragma once
// The designer's encryption pass over a freshly built distributable folder:
// every data file becomes "name.enc" except the player's own files and the
// files the player must read before it can decrypt anything (the fail-safe
// file, splash image and start-up sound named on the OPEN= line).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo {

struct SecureBuildReport {
    bool passwordRead = false;                     // line 2 of autorun.inf was there
    std::vector<std::filesystem::path> encrypted;  // plain files replaced by their ".enc"
    std::vector<std::filesystem::path> failed;     // files left plain because encryption failed
};

// The OPEN= line without its autoplay word (the second blank-separated word,
// when it has a "." after its first character); files whose names occur in
// what remains stay plain.
std::string secureExclusions(std::string_view commandLine);

// Whether a file of this name is left unencrypted (`exclusions` as above).
bool keepsPlain(std::string_view fileName, std::string_view exclusions);

// Encrypts folder/data (or the folder itself when it has no data folder)
// with line 2 of folder/autorun.inf as password; each encrypted file's plain
// copy is deleted. `drivers` folders are not entered, symbolic links to
// folders are not followed. True when the password was read and no file failed.
bool encryptPresentationFolder(const std::filesystem::path& folder,
                               SecureBuildReport* report = nullptr);

}  // namespace rondivo
