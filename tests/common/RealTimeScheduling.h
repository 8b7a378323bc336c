// Whether the calling thread may start a thread under the real-time FIFO policy at a priority:
// the kernel's answer (capabilities, RLIMIT_RTPRIO), asked by starting one. Tests compare the
// priority an SDK getter answers with what the process may have.
#pragma once

#include <pthread.h>
#include <sched.h>

#include <cstdint>

namespace ky::testing {

inline void *NothingToDo(void *) { return nullptr; }

inline bool MayUseFifo(uint32_t priority)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    sched_param parameter{};
    parameter.sched_priority = static_cast<int>(priority);
    pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED);
    pthread_attr_setschedpolicy(&attributes, SCHED_FIFO);
    pthread_attr_setschedparam(&attributes, &parameter);
    pthread_t probe;
    const bool made = pthread_create(&probe, &attributes, NothingToDo, nullptr) == 0;
    pthread_attr_destroy(&attributes);
    if (made)
        pthread_join(probe, nullptr);
    return made;
}

// The priority a thread given `priority` runs at: it where allowed, else 0 (the normal policy).
inline uint32_t PriorityInEffect(uint32_t priority)
{
    return priority == 0 || MayUseFifo(priority) ? priority : 0;
}

}  // namespace ky::testing
