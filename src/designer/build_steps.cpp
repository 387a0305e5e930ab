// The build steps that other parts of the program provide. Wire the linked-file
// scanner and the encryption pass here once they exist:
//   hooks.scanLinkedFiles = [](const fs::path& page, const fs::path& folder, int topLevel, int&
//   additional) {...}; hooks.scanBatchFile = [](const fs::path& batch, const fs::path& folder)
//   {...}; hooks.encryptPresentationFolder = [](const fs::path& folder) { return ...; };
#include "designer/build_pipeline.h"

namespace rondivo {

BuildHooks defaultBuildHooks() {
    return {};
}

}  // namespace rondivo
