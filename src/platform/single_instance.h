#pragma once
// One designer at a time. The first instance holds a lock file (flock, so a
// crash releases it) and listens on a local socket; a second instance sends
// "raise" there and ends, and the first brings its window to the front.
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
    bool owned() const { return lockFd_ >= 0; }

    // In the first instance: true once for each raise request received (never blocks).
    bool pollRaiseRequest();
    // In a second instance: asks the first to come to the front.
    bool sendRaiseRequest() const;

  private:
    std::filesystem::path lockPath() const;
    std::filesystem::path socketPath() const;
    std::string name_;
    std::filesystem::path folder_;
    int lockFd_ = -1;
    int listenFd_ = -1;
};

}  // namespace rondivo::platform
