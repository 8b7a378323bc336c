// ThreadPriority: the priority an application gives one of the SDK's threads (a stream's
// receiver, a pipeline's buffer handling, a device's heartbeat, a converter's workers, ...),
// written once here for every owner of such a thread.
//
// A priority goes from 0 to 99. Above 0 the thread runs under the real-time FIFO policy at that
// priority, where the process may use it (CAP_SYS_NICE, or an RLIMIT_RTPRIO that reaches it);
// elsewhere, and at 0, it runs under the normal policy (SCHED_OTHER) at 0. The priority in
// effect, which the SDK's getters answer, is what the thread got, not what was asked for.
//
// The owner keeps one ThreadPriority per setting: Set checks and stores what the application asks
// for, ApplyTo puts a thread under it (a running one at once, a new one as it starts).
//
// Exported from libKyBase (shared by the buffer, stream and device libraries), but not installed.
//
// Threading: Set and ApplyTo are the owner's calls, made under its own lock where a thread may
// start or stop meanwhile; Asked and InEffect may be read from anywhere.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "ky/base/KyBaseExport.h"
#include "ky/base/KyResult.h"

namespace ky {
namespace base {

class KY_BASE_API ThreadPriority
{
public:
    static constexpr uint32_t HIGHEST = 99;

    // KY_INVALID_PARAMETER above HIGHEST (nothing changes). Else stores the priority and, until it
    // is applied to a thread, answers what a thread started now would get.
    KyResult Set(uint32_t priority);
    uint32_t Asked() const { return mAsked.load(); }
    uint32_t InEffect() const { return mInEffect.load(); }

    // Puts a running thread under the priority asked for and keeps what took effect.
    void ApplyTo(pthread_t thread);

    // The change itself: `priority` under FIFO where allowed, else the normal policy at 0.
    // Returns the priority the thread now runs at.
    static uint32_t Apply(pthread_t thread, uint32_t priority);
    // The priority a thread that the caller starts now would run at when given `priority`.
    static uint32_t Allowed(uint32_t priority);

private:
    std::atomic<uint32_t> mAsked{0};
    std::atomic<uint32_t> mInEffect{0};
};

}  // namespace base
}  // namespace ky
