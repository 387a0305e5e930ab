#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/thread_priority.h"

namespace rondivo::platform {

int currentThreadNice() {
    errno = 0;
    int n = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    return errno ? 0 : n;
}

void setCurrentThreadNice(int nice) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), std::clamp(nice, -20, 19));
}

bool mayRaiseThreadPriority(int baseNice) {
    struct rlimit limit {};
    return geteuid() == 0 || (getrlimit(RLIMIT_NICE, &limit) == 0 &&
                              20 - static_cast<long>(limit.rlim_cur) <= baseNice - 2);
}

}  // namespace rondivo::platform
