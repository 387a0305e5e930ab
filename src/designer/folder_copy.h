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
    // The copy stopped at the first file the target's disk had no room for.
    bool diskFull = false;
    // Links that lead out of the source folder, copied from where they lead
    // (`reason` names that place): the author is told, as the image tells.
    std::vector<CopyFailure> outside;
    bool ok() const { return failures.empty(); }
};

// How one file copy ended; the two causes an author can act on are told apart.
struct FileCopyResult {
    std::string reason;           // empty on success
    bool notRegularFile = false;  // a FIFO, socket or device: never read
    bool diskFull = false;        // the target's disk (or quota) is full
    bool ok() const { return reason.empty(); }
};

// The one way the build copies a file: a regular file only (a FIFO, socket
// or device is never opened), no more bytes than it held when it was opened,
// written under a temporary name beside `target` and renamed over it
// (read-only or not) only when whole. A failed copy leaves `target` as it was
// and names the reason.
FileCopyResult copyRegularFile(const std::filesystem::path& source,
                               const std::filesystem::path& target);

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
