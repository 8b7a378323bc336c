// OwnedThread: a thread owned by an object that may be stopped or destroyed from that very
// thread, typically by a user hook the thread is running.
//
// The SDK's rule for its threads, written once here:
// - The owner joins its thread (Release, in its destructor or stop call).
// - When the owner is released from its own thread (a hook deleted it), the thread is not joined
//   by itself: Release marks it released and hands it to a process-wide reaper, which joins it
//   once it returned.
// - The thread's body is given its ThreadLife. After every call into user code it checks
//   Released() and, if set, returns at once without touching its owner, which is gone. Whatever
//   the body needs after a hook (a pointer the user keeps alive, a copy of a callback) it keeps in
//   locals or in its own closure, never in the owner.
//
// Threads are tagged with their owner: OnThreadOf(owner) tells whether the caller runs on one of
// the owner's threads, without reading any member that another thread may change meanwhile.
//
// Exported from libKyBase (one reaper and one thread tag per process), but not installed: the
// SDK's libraries share it, users do not see it.
//
// Threading: Start, Join and Release are the owner's calls, made under the owner's own discipline
// (one at a time); Released and OnThreadOf may be called from anywhere.
#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <utility>

#include "ky/base/KyBaseExport.h"

namespace ky {
namespace base {

class ThreadLife
{
public:
    // Whether the owner let go of this thread from inside a hook: the body must return without
    // touching the owner.
    bool Released() const { return mReleased.load(std::memory_order_acquire); }

private:
    friend class OwnedThread;
    std::atomic<bool> mReleased{false};
};

// Whether the calling thread was started by an OwnedThread of this owner.
KY_BASE_API bool OnThreadOf(const void *owner);

class KY_BASE_API OwnedThread
{
public:
    OwnedThread() = default;
    ~OwnedThread() { Release(); }
    OwnedThread(const OwnedThread &) = delete;
    OwnedThread &operator=(const OwnedThread &) = delete;

    // Runs body(const ThreadLife &) on a new thread tagged with `owner`. A previous thread must
    // have been joined or released. Throws std::system_error when no thread can be made.
    template <class Body>
    void Start(const void *owner, Body body)
    {
        auto life = std::make_shared<ThreadLife>();
        std::thread thread([owner, life, body = std::move(body)]() mutable { Run(owner, *life, body); });
        mLife = std::move(life);
        mThread = std::move(thread);
    }

    bool Joinable() const { return mThread.joinable(); }
    // Whether the caller is this thread.
    bool IsCurrent() const { return mThread.joinable() && mThread.get_id() == std::this_thread::get_id(); }
    std::thread::native_handle_type NativeHandle() { return mThread.native_handle(); }

    // Waits for the thread to end. On the thread itself it does nothing and returns false.
    bool Join();
    // Lets the thread go: joins it, or, called on the thread itself, marks it released and
    // hands it to the reaper. Safe to call on a thread that was never started.
    void Release();

private:
    template <class Body>
    static void Run(const void *owner, const ThreadLife &life, Body &body)
    {
        SetThreadOwner(owner);
        body(life);
    }
    static void SetThreadOwner(const void *owner);

    std::thread mThread;
    std::shared_ptr<ThreadLife> mLife;
};

}  // namespace base
}  // namespace ky
