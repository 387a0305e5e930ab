#pragma once
// The calling thread's scheduling priority as a nice value: lower runs
// sooner. Windows' thread priorities map onto -2 (highest) to 2 (lowest).
namespace rondivo::platform {

int currentThreadNice();
void setCurrentThreadNice(int nice);
// Whether this thread may go back to `baseNice` (and two below it) after
// lowering its priority: Linux asks for privilege or RLIMIT_NICE for that.
bool mayRaiseThreadPriority(int baseNice);

}  // namespace rondivo::platform
