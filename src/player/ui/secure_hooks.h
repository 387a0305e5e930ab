#pragma once
// Where the browser window meets the secure files: before it shows its page
// the window lets the extraction mirror the disc into the temporary folder,
// and when it is destroyed it removes that folder again. The window is given
// the extraction when it is made.
#include <filesystem>
#include <functional>
#include <string>

class wxWindow;

namespace rondivo {

struct SecureExtraction {
    wxWindow* owner = nullptr;      // parent of the extraction's progress dialog
    std::filesystem::path address;  // in: the file to show; out: its decrypted copy
    std::string secureFolder;       // out: set when ".enc" files were decrypted
    bool dataFolderLayout = true;
};

using SecureExtractionHook = std::function<void(SecureExtraction&)>;

}  // namespace rondivo
