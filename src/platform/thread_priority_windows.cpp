#include <windows.h>

#include <algorithm>

#include "platform/thread_priority.h"

namespace rondivo::platform {

int currentThreadNice() {
    const int p = GetThreadPriority(GetCurrentThread());
    return p == THREAD_PRIORITY_ERROR_RETURN ? 0 : -std::clamp(p, -2, 2);
}

void setCurrentThreadNice(int nice) {
    SetThreadPriority(GetCurrentThread(), -std::clamp(nice, -2, 2));
}

bool mayRaiseThreadPriority(int) {
    // A process may move its threads anywhere in its priority class.
    return true;
}

}  // namespace rondivo::platform
