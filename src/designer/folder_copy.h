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
    bool ok() const { return failures.empty(); }
};

// Copies one file over `target` (created or replaced, read-only or not).
// Returns an empty string on success, else the reason.
std::string copyFileOver(const std::filesystem::path& source, const std::filesystem::path& target);

// Copies the contents of `sourceDir` into `targetDir` (created when missing).
// `skip` is a folder that is never entered: the destination itself when it
// lies inside the source, which would otherwise copy itself without end.
// Symbolic links are followed; a folder reached twice through links is copied once.
// `onFile` is told each source file before it is copied (may be empty).
FolderCopyReport copyFolderTree(
    const std::filesystem::path& sourceDir, const std::filesystem::path& targetDir,
    const std::function<void(const std::filesystem::path&)>& onFile = {});

// Gives the owner write permission back when a copied file came read-only,
// so the next build can delete it.
void clearReadOnly(const std::filesystem::path& path);

// Removes everything below `path`; the folder itself stays. Links are removed, never followed.
bool deleteFolderTree(const std::filesystem::path& path);

}  // namespace rondivo
