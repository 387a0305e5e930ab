#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_io.h"
#include "platform/regular_file.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

namespace {

void setErrnoFromLastError() {
    errno = errnoFromWindowsError(GetLastError());
}

std::time_t unixTime(const FILETIME& ft) {
    // 100 ns ticks since 1601-01-01.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
    return ticks < kUnixEpoch ? 0 : static_cast<std::time_t>((ticks - kUnixEpoch) / 10000000ull);
}

// A symbolic link's listing describes the link itself (a file link has size
// 0): its target is looked at, as stat does on Linux.
void lookThrough(const fs::path& path, FolderEntry& e) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, &info);
    const DWORD error = ok ? 0 : GetLastError();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) {
        e.error = error == ERROR_CANT_RESOLVE_FILENAME ? ELOOP : errnoFromWindowsError(error);
        return;
    }
    e.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.isFile = !e.isFolder;
    e.type = e.isFolder ? fs::file_type::directory : fs::file_type::regular;
    e.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    e.modified = unixTime(info.ftLastWriteTime);
}

}  // namespace

std::FILE* openFile(const fs::path& path, const char* mode) {
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
}

int openForReading(const fs::path& path) {
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int openRegularFile(const fs::path& path) {
    struct _stat64 before {};
    if (_wstat64(path.c_str(), &before) != 0) return -1;
    if ((before.st_mode & _S_IFMT) != _S_IFREG) {
        errno = (before.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : ENOENT;
        return -1;
    }
    const int fd = _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return -1;
    // Device names such as CON open as devices whatever folder they are given in.
    struct _stat64 opened {};
    if (_fstat64(fd, &opened) != 0 || (opened.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        errno = ENOENT;
        return -1;
    }
    return fd;
}

int openForWriting(const fs::path& path, Create how, unsigned permissions) {
    const int flags = _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT |
                      (how == Create::Exclusive ? _O_EXCL : _O_TRUNC);
    // Windows knows only "read-only" of the permission bits.
    const int mode = (permissions & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
    return _wopen(path.c_str(), flags, mode);
}

int closeFile(int fd) {
    return _close(fd);
}

long readSome(int fd, void* buffer, std::size_t bytes) {
    return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(bytes, 1u << 30)));
}

namespace {
// The handle under `fd` and an OVERLAPPED naming `offset`: on a synchronous
// handle that reads or writes there too; unlike pread/pwrite it moves the
// file position, which no caller relies on. False (EBADF) for a closed fd.
bool positioned(int fd, std::uint64_t offset, HANDLE& h, OVERLAPPED& at) {
    h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return false;
    }
    at = OVERLAPPED{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return true;
}
}  // namespace

long readAt(int fd, void* buffer, std::size_t bytes, std::uint64_t offset) {
    HANDLE h;
    OVERLAPPED at;
    if (!positioned(fd, offset, h, at)) return -1;
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes, 1u << 30));
    if (!ReadFile(h, buffer, want, &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) return 0;
        setErrnoFromLastError();
        return -1;
    }
    return static_cast<long>(got);
}

long writeSome(int fd, const void* data, std::size_t bytes) {
    return _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(bytes, 1u << 30)));
}

long writeAt(int fd, const void* data, std::size_t bytes, std::uint64_t offset) {
    HANDLE h;
    OVERLAPPED at;
    if (!positioned(fd, offset, h, at)) return -1;
    DWORD done = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes, 1u << 30));
    if (!WriteFile(h, data, want, &done, &at)) {
        setErrnoFromLastError();
        return -1;
    }
    return static_cast<long>(done);
}

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void adviseSequential(int) {}

bool openFileSize(int fd, std::uint64_t& size) {
    struct _stat64 st {};
    if (_fstat64(fd, &st) != 0) return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

long copyRange(int, std::uint64_t*, int, std::size_t) {
    errno = ENOSYS;
    return -1;
}

bool isTargetFullError(int err) {
    return err == ENOSPC || err == EFBIG || err == EROFS;
}

int removeFile(const fs::path& path) {
    return _wunlink(path.c_str());
}

int renameFile(const fs::path& from, const fs::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    setErrnoFromLastError();
    return -1;
}

bool utcTime(std::time_t t, std::tm& out) {
    return gmtime_s(&out, &t) == 0;
}

bool localTime(std::time_t t, std::tm& out, long& gmtOffsetSeconds) {
    if (localtime_s(&out, &t) != 0) return false;
    std::tm copy = out;
    // The local fields read as UTC, minus the moment itself, is the offset.
    gmtOffsetSeconds = static_cast<long>(_mkgmtime(&copy) - t);
    return true;
}

bool listFolder(const fs::path& folder, std::vector<FolderEntry>& out, FolderDetail) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    std::vector<FolderEntry> entries;
    if (find == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            setErrnoFromLastError();
            return false;
        }
        out.clear();
        return true;
    }
    // The listing carries type, size and time: no look at each entry is needed.
    do {
        std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        FolderEntry e;
        e.name = utf8FromWide(name);
        e.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.isFile = !e.isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
        e.type = e.isFolder ? fs::file_type::directory
                            : (e.isFile ? fs::file_type::regular : fs::file_type::character);
        e.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        e.modified = unixTime(data.ftLastWriteTime);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
             data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
            e.isLink = true;
            lookThrough(folder / name, e);
        }
        e.node = entries.size();
        entries.push_back(std::move(e));
    } while (FindNextFileW(find, &data));
    const DWORD stop = GetLastError();
    FindClose(find);
    if (stop != ERROR_NO_MORE_FILES) {
        errno = errnoFromWindowsError(stop);
        return false;
    }
    out = std::move(entries);
    return true;
}

bool fileIdentity(const fs::path& path, FileIdentity& out) {
    // Backup semantics: the only way to open a folder for its information.
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        setErrnoFromLastError();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info);
    if (!ok) setErrnoFromLastError();
    CloseHandle(h);
    if (!ok) return false;
    out = {info.dwVolumeSerialNumber,
           (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

int copyFileData(const fs::path& source, const fs::path& target, std::uint64_t& bytes) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &info))
        return errnoFromWindowsError(GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        const DWORD err = GetLastError();
        if (err != ERROR_ACCESS_DENIED) return errnoFromWindowsError(err);
        // A read-only target is overwritten, as the author expects of a rebuild.
        makeWritable(target);
        if (!CopyFileW(source.c_str(), target.c_str(), FALSE))
            return errnoFromWindowsError(GetLastError());
    }
    // CopyFile carries the read-only mark of a file from a CD over.
    makeWritable(target);
    bytes += (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return 0;
}

void makeWritable(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

void markHidden(const fs::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace rondivo::platform
