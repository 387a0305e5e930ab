#include "designer/drive_copy.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/file_io.h"
#include "platform/removable_drives.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

std::uint64_t wholeBlocks(std::uint64_t bytes, std::uint64_t block) {
    return block == 0 ? bytes : (bytes + block - 1) / block * block;
}

std::string shown(const fs::path& relative) {
    return platform::u8string(relative.lexically_normal().make_preferred());
}

std::string errorText(int err) {
    return std::generic_category().message(err);
}

// The folder's files and folders, links followed as the disc image follows
// them; anything that is no file or folder stops the plan.
void listSource(DriveCopyPlan& plan, const fs::path& folder, const fs::path& relative, int depth) {
    std::vector<platform::FolderEntry> entries;
    if (!platform::listFolder(folder, entries)) {
        plan.problem = "The folder " + platform::u8string(folder) + " cannot be read (" +
                       errorText(errno) + ").";
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& e : entries) {
        const fs::path rel = relative / platform::u8path(e.name);
        if (e.error != 0 || (!e.isFile && !e.isFolder) || (e.isFolder && depth > 64)) {
            plan.problem = "The file " + shown(rel) + " in the folder cannot be copied (" +
                           (e.error      ? errorText(e.error)
                            : e.isFolder ? std::string("folders nested too deeply")
                                         : std::string(platform::specialFileKind(e.type))) +
                           ").";
            return;
        }
        if (e.isFolder) {
            plan.folders.push_back(rel);
            listSource(plan, folder / platform::u8path(e.name), rel, depth + 1);
            if (!plan.problem.empty()) return;
        } else {
            plan.files.push_back({rel, e.size});
            plan.bytes += e.size;
        }
    }
}

// What is on the drive under each planned name; a file where a folder goes
// (or the reverse) stops the plan.
std::size_t lookAtDrive(DriveCopyPlan& plan) {
    std::size_t newFolders = 0;
    std::error_code ec;
    for (const fs::path& rel : plan.folders) {
        auto st = fs::status(plan.driveRoot / rel, ec);
        if (!fs::exists(st)) {
            ++newFolders;
        } else if (!fs::is_directory(st)) {
            plan.problem = "The drive holds a file named " + shown(rel) +
                           " where the presentation has a folder. Move or delete it first.";
            return newFolders;
        }
    }
    for (PlannedFile& f : plan.files) {
        auto st = fs::status(plan.driveRoot / f.relative, ec);
        if (!fs::exists(st)) continue;
        if (!fs::is_regular_file(st)) {
            plan.problem = "The drive holds a folder named " + shown(f.relative) +
                           " where the presentation has a file. Move or delete it first.";
            return newFolders;
        }
        f.replaces = true;
        f.replacedSize = fs::file_size(plan.driveRoot / f.relative, ec);
        if (ec) f.replacedSize = 0;
    }
    return newFolders;
}

bool inside(const fs::path& inner, const fs::path& outer) {
    auto rel = inner.lexically_relative(outer);
    return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

std::vector<fs::path> DriveCopyPlan::replaced() const {
    std::vector<fs::path> out;
    for (const auto& f : files)
        if (f.replaces) out.push_back(f.relative);
    return out;
}

std::uint64_t spaceNeeded(const std::vector<PlannedFile>& files, std::size_t newFolders,
                          std::uint64_t blockSize) {
    // Counted from the free space now: a replaced file's blocks come back
    // with the rename over it, and may then hold the files after it.
    std::int64_t used =
        static_cast<std::int64_t>(newFolders * std::max<std::uint64_t>(blockSize, 1));
    std::int64_t peak = used;
    for (const PlannedFile& f : files) {
        used += static_cast<std::int64_t>(wholeBlocks(f.size, blockSize));
        peak = std::max(peak, used);
        if (f.replaces) used -= static_cast<std::int64_t>(wholeBlocks(f.replacedSize, blockSize));
    }
    return static_cast<std::uint64_t>(peak);
}

DriveCopyPlan planDriveCopy(const fs::path& source, const fs::path& driveRoot,
                            const platform::VolumeSpace& space, const std::string& fileSystem) {
    DriveCopyPlan plan;
    plan.source = source;
    plan.driveRoot = driveRoot;
    plan.fileSystem = fileSystem;
    plan.available = space.free;
    std::error_code ec;
    if (!fs::is_directory(source, ec)) {
        plan.problem = "\"" + platform::u8string(source) + "\" is not a folder.";
        return plan;
    }
    if (!fs::is_directory(driveRoot, ec)) {
        plan.problem = "\"" + platform::u8string(driveRoot) + "\" is not a drive or folder.";
        return plan;
    }
    const fs::path from = fs::weakly_canonical(source, ec),
                   to = fs::weakly_canonical(driveRoot, ec);
    if (from == to || inside(to, from) || inside(from, to)) {
        plan.problem = "The presentation cannot be copied into itself: the drive is \"" +
                       platform::u8string(driveRoot) + "\", the folder \"" +
                       platform::u8string(source) + "\".";
        return plan;
    }
    listSource(plan, source, {}, 0);
    if (!plan.problem.empty()) return plan;
    if (driveFileSystem(fileSystem) == DriveFileSystem::Fat) {
        for (const PlannedFile& f : plan.files) {
            if (f.size <= kFatMaxFileSize) continue;
            plan.problem = "The file " + shown(f.relative) + " (" + platform::readableSize(f.size) +
                           ") is larger than 4 GB, the most a FAT32 drive holds in one file. "
                           "Make the file smaller, or use a drive formatted as exFAT or NTFS.";
            return plan;
        }
    }
    const std::size_t newFolders = lookAtDrive(plan);
    if (!plan.problem.empty()) return plan;
    plan.needed = spaceNeeded(plan.files, newFolders, space.blockSize);
    if (plan.needed > plan.available)
        plan.problem = "The presentation does not fit on the drive: it needs " +
                       platform::readableSize(plan.needed) + ", and the drive has " +
                       platform::readableSize(plan.available) + " free.";
    return plan;
}

DriveCopyPlan planDriveCopy(const fs::path& source, const fs::path& driveRoot) {
    platform::VolumeSpace space;
    if (!platform::volumeSpace(driveRoot, space)) {
        DriveCopyPlan plan;
        plan.source = source;
        plan.driveRoot = driveRoot;
        plan.problem = "The free space on \"" + platform::u8string(driveRoot) +
                       "\" cannot be found (" + errorText(errno) + ").";
        return plan;
    }
    return planDriveCopy(source, driveRoot, space, platform::fileSystemType(driveRoot));
}

std::string replacedFilesText(const DriveCopyPlan& plan, std::size_t shownCount) {
    const auto names = plan.replaced();
    if (names.empty()) return {};
    std::string text = names.size() == 1 ? "1 file on the drive would be replaced:\n"
                                         : std::to_string(names.size()) +
                                               " files on the drive would be replaced:\n";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i == shownCount) {
            text += "... and " + std::to_string(names.size() - shownCount) + " more\n";
            break;
        }
        text += shown(names[i]) + "\n";
    }
    return text;
}

int estimateSecondsLeft(std::uint64_t done, std::uint64_t total, double elapsed) {
    if (done == 0 || elapsed < 0.5) return -1;
    if (done >= total) return 0;
    const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
    return static_cast<int>(std::ceil(std::min(left, 1e8)));
}

std::string progressText(const DriveCopyProgress& p) {
    std::string text;
    switch (p.phase) {
        case DriveCopyProgress::Phase::Copying:
            text = "Copying ";
            break;
        case DriveCopyProgress::Phase::Flushing:
            return "Writing what is left to the drive...";
        case DriveCopyProgress::Phase::Verifying:
            text = "Verifying ";
            break;
    }
    text += std::to_string(std::min(p.filesDone + 1, p.filesTotal)) + " of " +
            std::to_string(p.filesTotal) + (p.filesTotal == 1 ? " file, " : " files, ") +
            platform::readableSize(p.bytesDone) + " of " + platform::readableSize(p.bytesTotal);
    if (p.secondsLeft >= 120)
        text += ", about " + std::to_string((p.secondsLeft + 59) / 60) + " minutes left";
    else if (p.secondsLeft > 1)
        text += ", about " + std::to_string(p.secondsLeft) + " seconds left";
    else if (p.secondsLeft >= 0)
        text += ", a moment left";
    return text;
}

}  // namespace rondivo
