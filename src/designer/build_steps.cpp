// The build steps that live in other parts of the program: the linked-file
// scanner (pages and batch files) and the encryption of a secure disc.
#include "designer/build_pipeline.h"
#include "designer/linked_file_scanner.h"
#include "designer/secure_build.h"

namespace rondivo {

namespace fs = std::filesystem;

BuildHooks defaultBuildHooks() {
    BuildHooks hooks;
    hooks.scanLinkedFiles = [](const fs::path& page, const fs::path& folder, int topLevel,
                               int& additional) {
        return scanLinkedFiles(page, folder, topLevel, additional);
    };
    hooks.scanBatchFile = [](const fs::path& batch, const fs::path& folder) {
        return scanBatchFile(batch, folder);
    };
    hooks.encryptPresentationFolder = [](const fs::path& folder) {
        return encryptPresentationFolder(folder);
    };
    return hooks;
}

}  // namespace rondivo
