#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qv::platform {

// Linux gives each thread its own nice value; the lowest one that RLIMIT_NICE allows is the
// highest normal priority (an unprivileged process usually may not go below its current one).
bool raiseCurrentThreadPriority() {
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    rlimit limit{};
    int lowest = 0;
    if (getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur > 0) {
        lowest = 20 - static_cast<int>(limit.rlim_cur);
    } else if (geteuid() == 0) {
        lowest = -20;
    } else {
        return false;
    }
    return setpriority(PRIO_PROCESS, tid, lowest) == 0;
}

}  // namespace qv::platform
