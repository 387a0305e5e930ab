#pragma once
// Where the browser window meets the secure files: before it shows its page
// the window lets the extraction mirror the disc into the temporary folder,
// and when it is destroyed it removes that folder again. The extraction is
// plugged in by the secure-files code; until then nothing is extracted.
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
void setSecureExtractionHook(SecureExtractionHook hook);
void runSecureExtraction(SecureExtraction& extraction);

}  // namespace rondivo
