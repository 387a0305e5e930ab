#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/single_instance.h"
#include "platform/user_folders.h"

namespace rondivo::platform {

namespace fs = std::filesystem;

SingleInstance::SingleInstance(std::string name, fs::path folder)
    : name_(std::move(name)), folder_(folder.empty() ? runtimeFolder() : std::move(folder)) {}

SingleInstance::~SingleInstance() {
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath().c_str());
    }
    if (lockFd_ >= 0) close(lockFd_);
}

bool SingleInstance::owned() const {
    return lockFd_ >= 0;
}

fs::path SingleInstance::lockPath() const {
    return folder_ / (name_ + "-" + std::to_string(getuid()) + ".lock");
}
fs::path SingleInstance::socketPath() const {
    return folder_ / (name_ + "-" + std::to_string(getuid()) + ".sock");
}

namespace {
bool fillAddress(sockaddr_un& addr, const fs::path& p) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    const std::string s = p.string();
    if (s.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return true;
}
}  // namespace

bool SingleInstance::acquire() {
    if (lockFd_ >= 0) return true;
    int fd = open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // cannot lock at all: never keep the author out
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    lockFd_ = fd;
    sockaddr_un addr;
    if (!fillAddress(addr, socketPath())) return true;
    unlink(socketPath().c_str());  // left by a crashed instance; we hold the lock now
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ >= 0 && (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
                           listen(listenFd_, 4) != 0)) {
        close(listenFd_);
        listenFd_ = -1;
    }
    return true;
}

bool SingleInstance::pollRaiseRequest() {
    if (listenFd_ < 0) return false;
    bool raised = false;
    while (true) {
        int c = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) break;
        char buf[16] = {};
        // The sender writes before it closes; a short blocking read is enough.
        timeval tv{0, 200000};
        setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ssize_t n = read(c, buf, sizeof buf - 1);
        if (n > 0 && std::strncmp(buf, "raise", 5) == 0) raised = true;
        close(c);
    }
    return raised;
}

bool SingleInstance::sendRaiseRequest() const {
    sockaddr_un addr;
    if (!fillAddress(addr, socketPath())) return false;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              write(fd, "raise\n", 6) == 6;
    close(fd);
    return ok;
}

}  // namespace rondivo::platform
