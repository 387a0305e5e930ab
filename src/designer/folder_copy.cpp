#include "designer/folder_copy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>
#include <utility>

#include "platform/file_io.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

std::string errnoText(int e) {
    return std::strerror(e);
}

struct TreeCopier {
    const std::function<void(const fs::path&)>& onFile;
    FolderCopyReport report;
    std::set<platform::FileIdentity> visited;
    std::set<platform::FileIdentity> skip;
    fs::path real;  // the source folder with every link resolved

    // A link whose target is not below the source folder: the author may not
    // know that file goes onto the disc (it may be anyone's).
    void noteOutside(const fs::path& link) {
        std::error_code ec;
        const fs::path target = fs::canonical(link, ec);
        if (ec || real.empty()) return;
        auto [r, t] = std::mismatch(real.begin(), real.end(), target.begin(), target.end());
        if (r != real.end()) report.outside.push_back({link, target.string()});
    }

    void fail(const fs::path& p, std::string why) {
        report.failures.push_back({p, std::move(why)});
    }

    void copyDir(const fs::path& src, const fs::path& dst) {
        platform::FileIdentity id;
        if (!platform::fileIdentity(src, id)) return fail(src, errnoText(errno));
        if (skip.count(id)) return;
        if (!visited.insert(id).second) return;
        std::error_code ec;
        fs::create_directories(dst, ec);
        if (ec && !fs::is_directory(dst)) return fail(src, ec.message());
        ++report.folders;

        std::vector<platform::FolderEntry> entries;
        if (!platform::listFolder(src, entries, platform::FolderDetail::Types))
            return fail(src, errnoText(errno));
        // Inode order reads a large folder front to back on the disk instead
        // of in the directory's hash order.
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.node < b.node; });

        for (const auto& e : entries) {
            const fs::path name = platform::u8path(e.name);
            const fs::path from = src / name;
            if (e.error != 0) {
                fail(from, errnoText(e.error));
                continue;
            }
            if (e.isLink) noteOutside(from);
            if (e.isFolder) {
                copyDir(from, dst / name);
                if (report.diskFull) return;
                continue;
            }
            if (onFile) onFile(from);
            FileCopyResult r = copyRegularFile(from, dst / name, &report.bytes);
            if (r.ok()) {
                ++report.files;
                continue;
            }
            fail(from, r.reason);
            if (r.diskFull) {
                // Every further file would fail the same way.
                report.diskFull = true;
                return;
            }
        }
    }
};

}  // namespace

FolderCopyReport copyFolderTree(const fs::path& sourceDir, const fs::path& targetDir,
                                const std::function<void(const fs::path&)>& onFile,
                                const std::vector<fs::path>& alsoSkip) {
    TreeCopier copier{onFile, {}, {}, {}, {}};
    std::error_code ec;
    copier.real = fs::canonical(sourceDir, ec);
    fs::create_directories(targetDir, ec);
    for (const fs::path& p : alsoSkip) {
        platform::FileIdentity id;
        if (platform::fileIdentity(p, id)) copier.skip.insert(id);
    }
    platform::FileIdentity target;
    if (platform::fileIdentity(targetDir, target)) copier.skip.insert(target);
    copier.copyDir(sourceDir, targetDir);
    return std::move(copier.report);
}

void clearReadOnly(const fs::path& path) {
    platform::makeWritable(path);
}

bool deleteFolderTree(const fs::path& path) {
    std::error_code ec;
    bool ok = true;
    fs::directory_iterator it(path, ec);
    if (ec) return false;
    std::vector<fs::path> entries;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return false;
        entries.push_back(it->path());
    }
    for (const auto& e : entries) {
        // Folders copied read-only cannot be emptied until they are writable again.
        if (fs::is_directory(fs::symlink_status(e, ec))) platform::makeWritable(e);
        fs::remove_all(e, ec);
        if (ec) ok = false;
    }
    return ok;
}

}  // namespace rondivo
