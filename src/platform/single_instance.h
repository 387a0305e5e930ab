#pragma once
// One designer at a time. On Linux the first instance holds a lock file
// (flock, so a crash releases it) and listens on a local socket; a second
// instance sends "raise" there and ends, and the first brings its window to
// the front. On Windows the first instance owns a named mutex, and a second
// one brings the first's window (found by its title) to the front itself.
#include <filesystem>
#include <string>

namespace rondivo::platform {

class SingleInstance {
  public:
    explicit SingleInstance(std::string name, std::filesystem::path folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process is now the only instance.
    bool acquire();
    bool owned() const;

    // In the first instance: true once for each raise request received (never blocks).
    bool pollRaiseRequest();
    // In a second instance: asks the first to come to the front.
    bool sendRaiseRequest() const;

  private:
    std::string name_;
    std::filesystem::path folder_;
#ifdef _WIN32
    void* mutex_ = nullptr;
#else
    std::filesystem::path lockPath() const;
    std::filesystem::path socketPath() const;
    int lockFd_ = -1;
    int listenFd_ = -1;
#endif
};

}  // namespace rondivo::platform
