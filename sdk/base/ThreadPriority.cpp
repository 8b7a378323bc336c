#include "ky/ThreadPriority.h"

#include <sched.h>

#include <string>

namespace ky {
namespace base {

namespace {
void *Nothing(void *) { return nullptr; }
}  // namespace

KyResult ThreadPriority::Set(uint32_t priority)
{
    if (priority > HIGHEST)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("thread priority " + std::to_string(priority) +
                                 " is none of the system's (0 to " + std::to_string(HIGHEST) + ")"));
    mAsked = priority;
    mInEffect = Allowed(priority);
    return KyResult();
}

void ThreadPriority::ApplyTo(pthread_t thread) { mInEffect = Apply(thread, mAsked.load()); }

uint32_t ThreadPriority::Apply(pthread_t thread, uint32_t priority)
{
    sched_param parameter{};
    if (priority > 0) {
        parameter.sched_priority = static_cast<int>(priority > HIGHEST ? HIGHEST : priority);
        if (pthread_setschedparam(thread, SCHED_FIFO, &parameter) == 0)
            return static_cast<uint32_t>(parameter.sched_priority);
    }
    // Without the privilege (or at 0) the normal policy; leaving real-time is always allowed.
    parameter.sched_priority = 0;
    (void)pthread_setschedparam(thread, SCHED_OTHER, &parameter);
    return 0;
}

uint32_t ThreadPriority::Allowed(uint32_t priority)
{
    if (priority == 0)
        return 0;
    // A thread made with that policy and priority exists only where the caller may give them:
    // the kernel's answer, whatever decides it (capabilities, RLIMIT_RTPRIO, the cgroup).
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return 0;
    sched_param parameter{};
    parameter.sched_priority = static_cast<int>(priority > HIGHEST ? HIGHEST : priority);
    pthread_t probe;
    const bool made = pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED) == 0 &&
                      pthread_attr_setschedpolicy(&attributes, SCHED_FIFO) == 0 &&
                      pthread_attr_setschedparam(&attributes, &parameter) == 0 &&
                      pthread_create(&probe, &attributes, Nothing, nullptr) == 0;
    pthread_attr_destroy(&attributes);
    if (!made)
        return 0;
    pthread_join(probe, nullptr);
    return static_cast<uint32_t>(parameter.sched_priority);
}

}  // namespace base
}  // namespace ky
