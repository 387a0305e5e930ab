#pragma once
// Files by descriptor for the image builder, the sinks, the folder copy and
// the virtual drive. POSIX underneath on Linux; on Windows the C runtime's
// descriptors opened by UTF-16 name. Failures set errno as the POSIX calls do.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rondivo::platform {

// Paths from and to UTF-8 text. Windows paths are UTF-16, and a path built
// from a narrow string there goes through the ANSI code page, which loses
// every name outside it.
std::filesystem::path u8path(std::string_view utf8);
std::string u8string(const std::filesystem::path& path);

std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// Binary, not inherited by child processes. -1 with errno on failure.
int openForReading(const std::filesystem::path& path);
enum class Create { Truncate, Exclusive };
int openForWriting(const std::filesystem::path& path, Create how, unsigned permissions = 0666);
int closeFile(int fd);

long readSome(int fd, void* buffer, std::size_t bytes);
// Reads at `offset` without moving the file position (pread).
long readAt(int fd, void* buffer, std::size_t bytes, std::uint64_t offset);
long writeSome(int fd, const void* data, std::size_t bytes);
// Writes at `offset` (pwrite).
long writeAt(int fd, const void* data, std::size_t bytes, std::uint64_t offset);
bool isTerminal(std::FILE* stream);
// The size of an open file now; false with errno.
bool openFileSize(int fd, std::uint64_t& size);
// The file will be read from start to end: the system may read ahead.
void adviseSequential(int fd);

// Copies inside the kernel where the system can (copy_file_range); -1 with
// errno ENOSYS where it cannot, so the caller falls back to reading and writing.
long copyRange(int in, std::uint64_t* inOffset, int out, std::size_t bytes);

// errno values that mean the target is full or read-only, not that the source failed.
bool isTargetFullError(int err);

int removeFile(const std::filesystem::path& path);
// Replaces `to` when it exists, as rename(2) does.
int renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Broken-down time; false when `t` cannot be represented.
bool utcTime(std::time_t t, std::tm& out);
// Local time and its offset from UTC in seconds (east positive).
bool localTime(std::time_t t, std::tm& out, long& gmtOffsetSeconds);

// One entry of a folder as a walk needs it, links followed.
struct FolderEntry {
    std::string name;  // UTF-8
    int error = 0;     // errno of a failed look at the entry (or at a link's target)
    bool isFile = false;
    bool isFolder = false;
    bool isLink = false;  // a symbolic link; the other fields describe its target
    // What the entry (or the link's target) is: tells a FIFO, socket or device.
    std::filesystem::file_type type = std::filesystem::file_type::unknown;
    std::uint64_t size = 0;
    std::time_t modified = 0;
    bool executable = false;  // a file with an execute bit (Linux)
    std::uint64_t node = 0;   // where the system keeps it: reading in this order seeks less
};
enum class FolderDetail {
    Types,  // isFile and isFolder only, where the folder listing tells them
    Full,   // sizes and times too
};
// The entries of `folder` without "." and "..". False with errno when the
// folder cannot be read.
bool listFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& out,
                FolderDetail detail = FolderDetail::Full);

// Copies the bytes of `source` over `target` (created, or truncated; a
// read-only target is made writable first) and adds their number to `bytes`.
// Returns 0 or an errno value.
int copyFileData(const std::filesystem::path& source, const std::filesystem::path& target,
                 std::uint64_t& bytes);

// Gives the owner write permission again (files and folders copied from a
// read-only medium), so that a rebuild can overwrite or delete them.
void makeWritable(const std::filesystem::path& path);

// Our own files beside the author's folders start with a dot; Windows shows
// those unless they carry its hidden mark, which this sets (nothing elsewhere).
void markHidden(const std::filesystem::path& path);

// Identifies a folder across different names for it (links), so a walk can
// stop where a folder contains itself.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
// False with errno when the folder cannot be looked at.
bool fileIdentity(const std::filesystem::path& path, FileIdentity& out);

// "a FIFO", "a socket", "a device": what a walk names an entry it never opens.
const char* specialFileKind(std::filesystem::file_type type);

// '*' and '?' wildcards, ASCII letter case ignored: the file patterns the
// Windows file functions take.
bool wildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace rondivo::platform
