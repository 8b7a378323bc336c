// StripeWorkers: the worker threads of a compression or decompression filter. A run hands the
// stripes of one image to the workers, which take them one at a time until none is left; the
// caller waits for the last one.
//
// The workers are owned by this object: started at the first run after a change of count and
// joined by SetCount and the destructor. A job must not throw; one that does anyway is caught on
// its worker and counts as failed. One run at a time: the filters call Run, SetCount and
// SetPriority under their own lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/ThreadPriority.h"
#include "ky/base/KyResult.h"

namespace ky::buffer {

class StripeWorkers
{
public:
    explicit StripeWorkers(unsigned aCount);
    ~StripeWorkers();
    StripeWorkers(const StripeWorkers &) = delete;
    StripeWorkers &operator=(const StripeWorkers &) = delete;

    // Joins the running workers; aCount start at the next run.
    void SetCount(unsigned aCount);
    unsigned GetCount() const { return mCount; }

    // The workers' priority (ky/ThreadPriority.h): applied at once to the running workers and to
    // those started later. KY_INVALID_PARAMETER above 99.
    KyResult SetPriority(uint32_t aPriority);
    // The priority in effect.
    uint32_t GetPriority() const { return mPriority.InEffect(); }

    // aJob(worker, stripe) for every stripe of [0, aStripes), worker being 0 to GetCount() - 1
    // (each index used by one thread at a time, so per-worker state needs no lock). Where no
    // thread can be started the caller runs the stripes itself as worker 0. False when a job threw.
    using Job = std::function<void(unsigned aWorker, uint32_t aStripe)>;
    bool Run(uint32_t aStripes, const Job &aJob);

private:
    void Start();
    void Stop();
    void Work(unsigned aWorker, uint64_t aGeneration);
    void Drain(unsigned aWorker);

    unsigned mCount;
    ky::base::ThreadPriority mPriority;
    std::vector<std::thread> mThreads;

    std::mutex mMutex;
    std::condition_variable mWake;
    std::condition_variable mDone;
    uint64_t mGeneration = 0;
    unsigned mBusy = 0;
    bool mStopping = false;
    const Job *mJob = nullptr;
    uint32_t mStripes = 0;
    uint32_t mNext = 0;  // next stripe to take, under mMutex
    bool mFailed = false;
};

}  // namespace ky::buffer
