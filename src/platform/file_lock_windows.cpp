#include <windows.h>

#include <cerrno>

#include "platform/file_lock.h"
#include "platform/windows_text.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

FileLock::~FileLock() {
    release();
}

bool FileLock::held() const {
    return handle_ != nullptr;
}

FileLock::Result FileLock::tryAcquire(const fs::path& file) {
    release();
    // Opened without sharing: a second opener is refused until this handle
    // closes, and closing it removes the file.
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) {
            // A file being deleted also refuses access for a moment: as good as busy.
            if (error == ERROR_SHARING_VIOLATION ||
                GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)
                return Result::Busy;
        }
        errno = errnoFromWindowsError(error);
        return Result::Failed;
    }
    handle_ = h;
    file_ = file;
    return Result::Acquired;
}

void FileLock::release() {
    if (!handle_) return;
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool markInUse(int) {
    return true;
}

bool removeUnlessInUse(const fs::path& file) {
    // The writer's descriptor does not share deletion: a file still open stays.
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return false;
    return DeleteFileW(file.c_str()) != 0;
}

}  // namespace rondivo::platform
