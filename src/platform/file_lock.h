#pragma once
// A lock file that one process at a time holds, for work on a shared place
// (a build writing the distributable folder). The system releases it when
// the process ends, so a killed build never leaves it locked; the holder
// removes the file when it lets go.
#include <filesystem>

namespace rondivo::platform {

class FileLock {
  public:
    enum class Result {
        Acquired,
        Busy,    // another holder has it
        Failed,  // the file cannot be made (errno): the folder is not writable
    };
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Never waits.
    Result tryAcquire(const std::filesystem::path& file);
    void release();
    bool held() const;

  private:
    std::filesystem::path file_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// Marks an open file as being written by this process until it is closed, so
// that removeUnlessInUse leaves it alone (Linux: flock; Windows: an open file
// cannot be removed anyway).
bool markInUse(int fd);
// Removes a regular file left behind by a process that has ended; one that a
// live process has marked (or, on Windows, has open) stays. True when removed.
bool removeUnlessInUse(const std::filesystem::path& file);

}  // namespace rondivo::platform
