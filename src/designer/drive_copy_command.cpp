#include "designer/drive_copy_command.h"

#include <optional>
#include <ostream>

#include "designer/drive_copy.h"
#include "platform/file_io.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

bool samePlace(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::weakly_canonical(a, ec).lexically_normal() ==
           fs::weakly_canonical(b, ec).lexically_normal();
}

// The listed drive the target names (its mount point or its device); a
// device that is not mounted is mounted through the system's service.
std::optional<platform::RemovableDrive> findDrive(platform::DriveService& drives,
                                                  const fs::path& target, std::ostream& err) {
    for (platform::RemovableDrive d : drives.listDrives()) {
        if (d.mounted() && samePlace(d.mountPoint, target)) return d;
        if (platform::u8string(target) != d.device) continue;
        std::string why;
        if (!d.mounted() && !drives.mount(d, why)) {
            err << "The drive " << d.device << " cannot be mounted (" << why << ").\n";
            return std::nullopt;
        }
        return d;
    }
    return std::nullopt;
}

void setLabel(platform::DriveService& drives, const platform::RemovableDrive& drive,
              const std::string& wanted, std::ostream& err) {
    const DriveLabel label = fitDriveLabel(wanted, drive.fileSystem);
    const std::string note = driveLabelNote(wanted, label, drive.fileSystem);
    if (!note.empty()) err << "Note: " << note << "\n";
    std::string why;
    if (!drives.setLabel(drive, label.text, why))
        err << "Note: the drive's label could not be set (" << why
            << "); the presentation is on the drive all the same.\n";
}

}  // namespace

std::string driveLine(const platform::RemovableDrive& d) {
    std::string line = d.device + "  ";
    line += d.mounted() ? platform::u8string(d.mountPoint) : std::string("(not mounted)");
    line += "  " + (d.fileSystem.empty() ? std::string("?") : d.fileSystem);
    line += "  \"" + d.label + "\"  " + platform::readableSize(d.size);
    if (d.mounted()) line += ", " + platform::readableSize(d.free) + " free";
    if (!d.description.empty()) line += "  " + d.description;
    return line;
}

int listDrivesCommand(platform::DriveService& drives, std::ostream& out) {
    const auto list = drives.listDrives();
    if (list.empty()) out << "No removable drive is connected.\n";
    for (const auto& d : list) out << driveLine(d) << "\n";
    return 0;
}

int driveCopyCommand(const fs::path& folder, const DriveCommandOptions& options,
                     platform::DriveService& drives, std::ostream& out, std::ostream& err,
                     bool terminalProgress) {
    std::optional<platform::RemovableDrive> drive = findDrive(drives, options.target, err);
    const fs::path root = drive ? drive->mountPoint : options.target;
    if (!drive && platform::u8string(options.target).rfind("/dev/", 0) == 0) {
        err << "No removable drive " << platform::u8string(options.target)
            << " is connected (rondivo-build --list-drives lists them).\n";
        return 1;
    }
    const DriveCopyPlan plan = planDriveCopy(folder, root);
    if (!plan.problem.empty()) {
        err << plan.problem << "\nNothing was written.\n";
        return 1;
    }
    if (!plan.replaced().empty() && !options.replace) {
        err << replacedFilesText(plan)
            << "Nothing was written. Run again with --replace to replace them.\n";
        return 1;
    }
    DriveCopyOptions copy;
    copy.replace = options.replace;
    std::string shown;
    if (terminalProgress)
        copy.onProgress = [&](const DriveCopyProgress& p) {
            const std::string line = progressText(p);
            if (line == shown) return;
            err << "\r" << line << "          \r" << line << std::flush;
            shown = line;
        };
    const DriveCopyResult result = copyToDrive(plan, copy);
    if (terminalProgress && !shown.empty()) err << "\n";
    if (!result.ok()) {
        err << result.message << "\n";
        if (!result.copied.empty() && result.outcome != DriveCopyResult::Outcome::Mismatch)
            err << result.copied.size() << " of " << plan.files.size()
                << " files were copied completely and stay on the drive.\n";
        return 1;
    }
    if (drive)
        setLabel(drives, *drive,
                 options.label.empty() ? driveLabelFromFolder(folder) : options.label, err);
    out << result.message << "\n" << kUsbDriveWindowsNote << "\n";
    return 0;
}

}  // namespace rondivo
