#pragma once
// Copying the author's folders into the distributable folder: every file and
// subfolder (empty ones and dot files included), read-only targets
// overwritten, and the copy goes on past a file it cannot copy. It finishes
// before it returns, so later build steps never see half-written files.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_copy.h"

namespace rondivo {

struct CopyFailure {
    std::filesystem::path source;
    std::string reason;
};

struct FolderCopyReport {
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    std::uint64_t bytes = 0;
    std::vector<CopyFailure> failures;
    // The copy stopped at the first file the target's disk had no room for.
    bool diskFull = false;
    // Links that lead out of the source folder, copied from where they lead
    // (`reason` names that place): the author is told, as the image tells.
    std::vector<CopyFailure> outside;
    bool ok() const { return failures.empty(); }
};

// Every file of a build is copied by platform::copyRegularFile.
using platform::copyRegularFile;
using platform::FileCopyResult;

// Copies the contents of `sourceDir` into `targetDir` (created when missing).
// The destination is never entered when it lies inside the source (it would
// otherwise copy itself without end), nor any folder of `alsoSkip`.
// Symbolic links are followed; a folder reached twice through links is copied
// once; links that lead out of `sourceDir` are listed in `outside`.
// FIFOs, sockets and devices are never opened: they are listed as failures.
// `onFile` is told each source file before it is copied (may be empty).
FolderCopyReport copyFolderTree(
    const std::filesystem::path& sourceDir, const std::filesystem::path& targetDir,
    const std::function<void(const std::filesystem::path&)>& onFile = {},
    const std::vector<std::filesystem::path>& alsoSkip = {});

// Gives the owner write permission back when a copied file came read-only,
// so the next build can delete it.
void clearReadOnly(const std::filesystem::path& path);

// Removes everything below `path`; the folder itself stays. Links are removed, never followed.
bool deleteFolderTree(const std::filesystem::path& path);

}  // namespace rondivo
