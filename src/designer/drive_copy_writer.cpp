// The writing half of the copy to a drive: temporary names renamed when
// complete, the flush to the device, and the read-back.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

#include "designer/drive_copy.h"
#include "platform/file_io.h"
#include "platform/removable_drives.h"

namespace rondivo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 1 << 20;

std::string shown(const fs::path& relative) {
    return platform::u8string(relative.lexically_normal().make_preferred());
}

std::string errorText(int err) {
    return std::generic_category().message(err);
}

// Where a file is written until it is complete: a hidden name beside it.
fs::path temporaryName(const fs::path& target) {
    fs::path name = ".";
    name += target.filename();
    name += ".partial";
    return target.parent_path() / name;
}

// Reads until `bytes` are in or the file ends; -1 with errno.
long readFully(int fd, char* buffer, std::size_t bytes) {
    std::size_t got = 0;
    while (got < bytes) {
        long n = platform::readSome(fd, buffer + got, bytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

class DriveWriter {
  public:
    DriveWriter(const DriveCopyPlan& plan, const DriveCopyOptions& options)
        : plan_(plan), opt_(options), buffer_(kChunk) {
        progress_.bytesTotal = plan.bytes;
        progress_.filesTotal = plan.files.size();
        start_ = now();
    }

    DriveCopyResult run();

  private:
    double now() const {
        if (opt_.clock) return opt_.clock();
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
    bool cancelled() const { return opt_.cancel && opt_.cancel->load(); }
    void report() {
        progress_.secondsLeft =
            estimateSecondsLeft(progress_.bytesDone, progress_.bytesTotal, now() - start_);
        if (opt_.onProgress) opt_.onProgress(progress_);
    }
    void restart(DriveCopyProgress::Phase phase) {
        progress_.phase = phase;
        progress_.bytesDone = 0;
        progress_.filesDone = 0;
        start_ = now();
    }
    bool stop(DriveCopyResult::Outcome outcome, std::string message) {
        result_.outcome = outcome;
        result_.message = std::move(message);
        return false;
    }
    bool copyFile(const PlannedFile& f);
    bool writeData(int in, int out, const PlannedFile& f);
    bool flush();
    bool verifyFile(const PlannedFile& f, platform::DeviceReader& reader);

    const DriveCopyPlan& plan_;
    const DriveCopyOptions& opt_;
    std::vector<char> buffer_;
    DriveCopyProgress progress_;
    DriveCopyResult result_;
    double start_ = 0;
};

bool DriveWriter::writeData(int in, int out, const PlannedFile& f) {
    for (;;) {
        if (cancelled())
            return stop(DriveCopyResult::Outcome::Cancelled, "The copy was cancelled.");
        long n = readFully(in, buffer_.data(), buffer_.size());
        if (n < 0)
            return stop(
                DriveCopyResult::Outcome::Failed,
                "The file " + shown(f.relative) + " cannot be read (" + errorText(errno) + ").");
        if (n == 0) return true;
        for (long written = 0; written < n;) {
            long w = platform::writeSome(out, buffer_.data() + written,
                                         static_cast<std::size_t>(n - written));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                const int err = w < 0 ? errno : ENOSPC;
                return stop(DriveCopyResult::Outcome::Failed,
                            platform::isTargetFullError(err)
                                ? "The drive is full or write-protected: " + shown(f.relative) +
                                      " could not be written (" + errorText(err) + ")."
                                : "The file " + shown(f.relative) +
                                      " could not be written to the drive (" + errorText(err) +
                                      ").");
            }
            written += w;
        }
        progress_.bytesDone += static_cast<std::uint64_t>(n);
        report();
    }
}

bool DriveWriter::copyFile(const PlannedFile& f) {
    progress_.file = f.relative;
    const fs::path target = plan_.driveRoot / f.relative;
    const fs::path temp = temporaryName(target);
    int in = platform::openForReading(plan_.source / f.relative);
    if (in < 0)
        return stop(
            DriveCopyResult::Outcome::Failed,
            "The file " + shown(f.relative) + " cannot be read (" + errorText(errno) + ").");
    platform::adviseSequential(in);
    // An executable stays one (autorun.sh on a drive formatted for Linux).
    std::error_code ec;
    const auto perms = fs::status(plan_.source / f.relative, ec).permissions();
    const bool executable = !ec && (perms & fs::perms::owner_exec) != fs::perms::none;
    int out = platform::openForWriting(temp, platform::Create::Truncate, executable ? 0777 : 0666);
    if (out < 0) {
        const int err = errno;
        platform::closeFile(in);
        return stop(DriveCopyResult::Outcome::Failed, "The file " + shown(f.relative) +
                                                          " cannot be created on the drive (" +
                                                          errorText(err) + ").");
    }
    bool ok = writeData(in, out, f);
    platform::closeFile(in);
    // The data reaches the device before the name does, so a stick pulled
    // out early never shows a complete-looking file that is not.
    if (ok && !platform::syncFile(out))
        ok = stop(DriveCopyResult::Outcome::Failed, "The file " + shown(f.relative) +
                                                        " could not be written to the drive (" +
                                                        errorText(errno) + ").");
    if (platform::closeFile(out) != 0 && ok)
        ok = stop(DriveCopyResult::Outcome::Failed, "The file " + shown(f.relative) +
                                                        " could not be written to the drive (" +
                                                        errorText(errno) + ").");
    if (ok && platform::renameFile(temp, target) != 0)
        ok = stop(DriveCopyResult::Outcome::Failed,
                  "The file " + shown(f.relative) + " could not be put in place on the drive (" +
                      errorText(errno) + ").");
    if (!ok) {
        platform::removeFile(temp);
        return false;
    }
    result_.copied.push_back(f.relative);
    ++progress_.filesDone;
    report();
    return true;
}

bool DriveWriter::flush() {
    restart(DriveCopyProgress::Phase::Flushing);
    report();
    // Folders deepest first, then the root: each one's new names reach the device.
    for (auto it = plan_.folders.rbegin(); it != plan_.folders.rend(); ++it)
        platform::syncFolder(plan_.driveRoot / *it);
    platform::syncFolder(plan_.driveRoot);
    if (!platform::flushFileSystem(plan_.driveRoot))
        return stop(DriveCopyResult::Outcome::Failed,
                    "The files could not all be written to the drive (" + errorText(errno) + ").");
    return true;
}

bool DriveWriter::verifyFile(const PlannedFile& f, platform::DeviceReader& reader) {
    progress_.file = f.relative;
    const std::string name = shown(f.relative);
    if (!reader.open(plan_.driveRoot / f.relative))
        return stop(
            DriveCopyResult::Outcome::Failed,
            "The file " + name + " cannot be read back from the drive (" + errorText(errno) + ").");
    result_.readDirect = reader.direct();
    int in = platform::openForReading(plan_.source / f.relative);
    if (in < 0) {
        reader.close();
        return stop(DriveCopyResult::Outcome::Failed,
                    "The file " + name + " cannot be read (" + errorText(errno) + ").");
    }
    bool same = true, ok = true;
    for (;;) {
        if (cancelled()) {
            ok = stop(DriveCopyResult::Outcome::Cancelled,
                      "The check was cancelled: every file was copied, but not all of them "
                      "were read back.");
            break;
        }
        const char* data = nullptr;
        long n = reader.read(data);
        if (n < 0) {
            ok = stop(DriveCopyResult::Outcome::Failed,
                      "The file " + name + " cannot be read back from the drive (" +
                          errorText(errno) + ").");
            break;
        }
        // One byte more than the drive gave: a longer source is a difference too.
        long m = readFully(in, buffer_.data(), static_cast<std::size_t>(n) + (n == 0 ? 1 : 0));
        if (m != n || (n > 0 && std::memcmp(data, buffer_.data(), static_cast<std::size_t>(n)))) {
            same = false;
            break;
        }
        if (n == 0) break;
        progress_.bytesDone += static_cast<std::uint64_t>(n);
        report();
    }
    platform::closeFile(in);
    reader.close();
    if (!same) result_.mismatched.push_back(f.relative);
    ++progress_.filesDone;
    return ok;
}

DriveCopyResult DriveWriter::run() {
    if (!plan_.problem.empty()) {
        stop(DriveCopyResult::Outcome::Refused, plan_.problem);
        return result_;
    }
    if (!opt_.replace && !plan_.replaced().empty()) {
        stop(DriveCopyResult::Outcome::Refused, replacedFilesText(plan_) + "Nothing was written.");
        return result_;
    }
    std::error_code ec;
    for (const fs::path& rel : plan_.folders) {
        fs::create_directories(plan_.driveRoot / rel, ec);
        if (ec) {
            stop(DriveCopyResult::Outcome::Failed, "The folder " + shown(rel) +
                                                       " cannot be made on the drive (" +
                                                       ec.message() + ").");
            return result_;
        }
    }
    report();
    for (const PlannedFile& f : plan_.files)
        if (!copyFile(f)) return result_;
    if (!flush()) return result_;
    restart(DriveCopyProgress::Phase::Verifying);
    platform::DeviceReader reader;
    for (const PlannedFile& f : plan_.files)
        if (!verifyFile(f, reader)) return result_;
    if (!result_.mismatched.empty()) {
        std::string text = "These files on the drive differ from the presentation:\n";
        for (const auto& rel : result_.mismatched) text += shown(rel) + "\n";
        stop(DriveCopyResult::Outcome::Mismatch,
             text +
                 "The drive may be failing, or it may be a counterfeit that holds less "
                 "than it claims.");
        return result_;
    }
    result_.outcome = DriveCopyResult::Outcome::Verified;
    const std::size_t n = plan_.files.size();
    result_.message =
        "Copied " + std::to_string(n) + (n == 1 ? " file (" : " files (") +
        platform::readableSize(plan_.bytes) + ") to the drive and read " +
        (n == 1 ? "it back from the drive: it matches." : "every one back from it: they match.");
    return result_;
}

}  // namespace

DriveCopyResult copyToDrive(const DriveCopyPlan& plan, const DriveCopyOptions& options) {
    return DriveWriter(plan, options).run();
}

}  // namespace rondivo
