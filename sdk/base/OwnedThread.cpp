#include "ky/OwnedThread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace ky {
namespace base {

namespace {

thread_local const void *tThreadOwner = nullptr;

// Joins the threads whose owners were released on them. Its own thread starts with the first
// thread handed over; it is joined, after every thread it holds, when the library unloads.
class Reaper
{
public:
    Reaper() : mWorker([this] { Loop(); }) { }
    ~Reaper()
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mStop = true;
        }
        mWake.notify_all();
        mWorker.join();
    }

    void Take(std::thread thread)
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mThreads.push_back(std::move(thread));
        }
        mWake.notify_all();
    }

private:
    void Loop()
    {
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;) {
            mWake.wait(lock, [this] { return mStop || !mThreads.empty(); });
            while (!mThreads.empty()) {
                std::thread thread = std::move(mThreads.front());
                mThreads.pop_front();
                lock.unlock();
                thread.join();
                lock.lock();
            }
            if (mStop)
                return;
        }
    }

    std::mutex mMutex;
    std::condition_variable mWake;
    std::deque<std::thread> mThreads;
    bool mStop = false;
    std::thread mWorker;
};

std::atomic<bool> gReaperGone{false};

struct ReaperHolder
{
    Reaper reaper;
    ~ReaperHolder() { gReaperGone = true; }
};

void HandToReaper(std::thread thread)
{
    if (gReaperGone) {
        // The process is exiting and the reaper was joined already: nobody is left to join.
        thread.detach();
        return;
    }
    static ReaperHolder holder;
    holder.reaper.Take(std::move(thread));
}

}  // namespace

bool OnThreadOf(const void *owner) { return owner != nullptr && tThreadOwner == owner; }

void OwnedThread::SetThreadOwner(const void *owner) { tThreadOwner = owner; }

bool OwnedThread::Join()
{
    if (!mThread.joinable())
        return true;
    if (IsCurrent())
        return false;
    mThread.join();
    mLife.reset();
    return true;
}

void OwnedThread::Release()
{
    if (!mThread.joinable())
        return;
    if (!IsCurrent()) {
        mThread.join();
        mLife.reset();
        return;
    }
    mLife->mReleased.store(true, std::memory_order_release);
    mLife.reset();
    tThreadOwner = nullptr;  // the owner is going: this thread no longer speaks for it
    HandToReaper(std::move(mThread));
}

}  // namespace base
}  // namespace ky
