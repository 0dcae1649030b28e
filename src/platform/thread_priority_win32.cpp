#include "platform/thread_priority.h"

#include <windows.h>

namespace qv::platform {
bool raiseCurrentThreadPriority() { return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0; }
}  // namespace qv::platform
