#include "ConversionPool.h"

#include <system_error>

namespace ky::buffer {

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

void ConversionPool::RunPart(unsigned aPart)
{
    const uint64_t parts = GetThreadCount();
    const uint32_t begin = static_cast<uint32_t>(mCount * aPart / parts);
    const uint32_t end = static_cast<uint32_t>(mCount * (aPart + 1) / parts);
    if (begin < end)
        (*mJob)(aPart, begin, end);
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
        mPending = static_cast<unsigned>(mWorkers.size());
        ++mGeneration;
    }
    mStart.notify_all();
    RunPart(0);
    std::unique_lock<std::mutex> lock(mMutex);
    mDone.wait(lock, [this] { return mPending == 0; });
    mJob = nullptr;
}

void ConversionPool::Work(unsigned aPart)
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mStart.wait(lock, [&] { return mStopping || mGeneration != seen; });
            if (mStopping)
                return;
            seen = mGeneration;
        }
        RunPart(aPart);
        std::lock_guard<std::mutex> lock(mMutex);
        if (--mPending == 0)
            mDone.notify_one();
    }
}

}  // namespace ky::buffer
