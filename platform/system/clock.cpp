#include "platform/system/clock.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <cerrno>
#include <initializer_list>

namespace klv::platform {

uint32_t tickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000;
    return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

bool raiseThreadPriority() {
    // A low real-time priority is enough to stay ahead of the desktop; asking for more would
    // compete with the sound server itself.
    sched_param param{};
    for (int policy : {SCHED_FIFO, SCHED_RR}) {
        param.sched_priority = sched_get_priority_min(policy) + 1;
        if (pthread_setschedparam(pthread_self(), policy, &param) == 0)
            return true;
    }
    return false;
}

} // namespace klv::platform
