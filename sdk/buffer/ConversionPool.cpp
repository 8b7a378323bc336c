#include "ConversionPool.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace ky::buffer {

namespace {

// How long a thread that has just finished its part waits awake for what comes next (the next
// conversion for a worker, the last runs for the caller) before it sleeps. Waking a sleeping
// thread costs tens of microseconds and more on a virtual machine, a good part of a conversion
// of a few megapixels on all processors; conversions come back to back in a stream.
constexpr auto kAwake = std::chrono::microseconds(100);

template <typename Done>
void WaitAwake(const Done &aDone)
{
    const auto until = std::chrono::steady_clock::now() + kAwake;
    for (unsigned spins = 1;; ++spins) {
        if (aDone())
            return;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (spins % 64 == 0 && std::chrono::steady_clock::now() >= until)
            return;
    }
}

}  // namespace

ConversionPool::ConversionPool(unsigned aThreads)
{
    for (unsigned i = 1; i < aThreads; ++i) {
        try {
            mWorkers.emplace_back(&ConversionPool::Work, this, i);
        } catch (const std::system_error &) {
            break;  // run with the threads we have
        }
    }
}

ConversionPool::~ConversionPool()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStopping = true;
    }
    mStart.notify_all();
    for (std::thread &t : mWorkers)
        t.join();
}

void ConversionPool::ApplyPriority(ky::base::ThreadPriority &aPriority)
{
    for (std::thread &worker : mWorkers)
        aPriority.ApplyTo(worker.native_handle());
}

void ConversionPool::TakeRuns(unsigned aThread, const Job &aJob)
{
    for (;;) {
        const uint32_t begin = mNext.fetch_add(mRun, std::memory_order_relaxed);
        if (begin >= mCount)
            return;
        aJob(aThread, begin, begin + std::min(mRun, mCount - begin));
    }
}

void ConversionPool::Run(uint32_t aCount, const Job &aJob)
{
    if (mWorkers.empty()) {
        if (aCount > 0)
            aJob(0, 0, aCount);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mJob = &aJob;
        mCount = aCount;
        // About eight runs per thread: small enough to even out late or slow threads, large
        // enough that taking a run costs nothing next to converting it.
        mRun = std::max<uint32_t>(1, aCount / (GetThreadCount() * 8));
        mNext.store(0, std::memory_order_relaxed);
        ++mGeneration;
        mPosted.store(mGeneration, std::memory_order_release);
    }
    mStart.notify_all();
    TakeRuns(0, aJob);
    WaitAwake([this] { return mActive.load(std::memory_order_acquire) == 0; });
    std::unique_lock<std::mutex> lock(mMutex);
    // Every run is taken: wait for those still in progress; a worker not awake yet finds no job.
    mDone.wait(lock, [this] { return mActive == 0; });
    mJob = nullptr;
}

void ConversionPool::Work(unsigned aThread)
{
    uint64_t seen = 0;
    for (;;) {
        const Job *job = nullptr;
        WaitAwake([&] { return mPosted.load(std::memory_order_acquire) != seen; });
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mStart.wait(lock, [&] { return mStopping || mGeneration != seen; });
            if (mStopping)
                return;
            seen = mGeneration;
            job = mJob;
            if (job == nullptr)
                continue;  // woke after that run had finished
            ++mActive;
        }
        TakeRuns(aThread, *job);
        std::lock_guard<std::mutex> lock(mMutex);
        if (--mActive == 0)
            mDone.notify_one();
    }
}

}  // namespace ky::buffer
