#include "RealTime.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tlv880 {

namespace {
bool TrySchedFifo(int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}
} // namespace

int RequestRealTimeScheduling(int priority)
{
    const char* setting = std::getenv("TLV880_REALTIME");
    if (setting && std::strcmp(setting, "0") == 0) return 0;
    const int top = sched_get_priority_max(SCHED_FIFO);
    const int bottom = sched_get_priority_min(SCHED_FIFO);
    if (top < 0 || bottom < 0) return 0;
    priority = std::clamp(priority, bottom, top);
    if (TrySchedFifo(priority)) return priority; // the capability, or a limit high enough
    // Without the capability only priorities up to the soft limit are allowed.
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0) return 0;
    const int allowed =
        limit.rlim_cur == RLIM_INFINITY
            ? top
            : static_cast<int>(std::min<rlim_t>(limit.rlim_cur, static_cast<rlim_t>(top)));
    if (allowed < bottom || allowed >= priority) return 0;
    return TrySchedFifo(allowed) ? allowed : 0;
}

} // namespace tlv880
