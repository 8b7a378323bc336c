#include "StripeWorkers.h"

#include <system_error>

namespace ky::buffer {

StripeWorkers::StripeWorkers(unsigned aCount) : mCount(aCount < 1 ? 1 : aCount) { }

StripeWorkers::~StripeWorkers() { Stop(); }

void StripeWorkers::SetCount(unsigned aCount)
{
    Stop();
    mCount = aCount < 1 ? 1 : aCount;
}

KyResult StripeWorkers::SetPriority(uint32_t aPriority)
{
    KyResult result = mPriority.Set(aPriority);
    if (result.IsOK())
        for (std::thread &thread : mThreads)
            mPriority.ApplyTo(thread.native_handle());
    return result;
}

void StripeWorkers::Start()
{
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStopping = false;
        generation = mGeneration;
    }
    while (mThreads.size() < mCount) {
        try {
            mThreads.emplace_back(&StripeWorkers::Work, this, static_cast<unsigned>(mThreads.size()),
                                  generation);
        } catch (const std::system_error &) {
            break;  // the system has no more threads for us: run with those we have
        }
        mPriority.ApplyTo(mThreads.back().native_handle());
    }
}

void StripeWorkers::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mStopping = true;
    }
    mWake.notify_all();
    for (std::thread &thread : mThreads)
        thread.join();
    mThreads.clear();
}

bool StripeWorkers::Run(uint32_t aStripes, const Job &aJob)
{
    if (mThreads.size() < mCount)
        Start();
    std::unique_lock<std::mutex> lock(mMutex);
    mJob = &aJob;
    mStripes = aStripes;
    mNext = 0;
    mFailed = false;
    if (mThreads.empty()) {
        lock.unlock();
        Drain(0);
        lock.lock();
    } else {
        mBusy = static_cast<unsigned>(mThreads.size());
        ++mGeneration;
        mWake.notify_all();
        mDone.wait(lock, [this] { return mBusy == 0; });
    }
    mJob = nullptr;
    return !mFailed;
}

void StripeWorkers::Work(unsigned aWorker, uint64_t aGeneration)
{
    uint64_t seen = aGeneration;
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
        mWake.wait(lock, [&] { return mStopping || mGeneration != seen; });
        if (mStopping)
            return;
        seen = mGeneration;
        lock.unlock();
        Drain(aWorker);
        lock.lock();
        if (--mBusy == 0)
            mDone.notify_all();
    }
}

void StripeWorkers::Drain(unsigned aWorker)
{
    for (;;) {
        uint32_t stripe = 0;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            if (mNext >= mStripes)
                return;
            stripe = mNext++;
        }
        try {
            (*mJob)(aWorker, stripe);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mMutex);
            mFailed = true;
        }
    }
}

}  // namespace ky::buffer
