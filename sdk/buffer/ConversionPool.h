// ConversionPool: worker threads that share the rows of one conversion with the caller.
//
// The rows go out in small runs that each thread takes as it comes free, so a thread that wakes
// late or shares its core with other work holds nobody up: with one fixed part per thread, a
// conversion on all processors ran at the pace of its slowest thread and scaled 2.5x from one to
// eight threads. The caller waits only for the runs in progress, not for every worker to wake.
// Between conversions the threads stay awake a moment (see kAwake) before they sleep.
//
// The pool owns its threads and joins them in its destructor. Run is called by one thread at a
// time (the converter serialises its conversions).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ky/ThreadPriority.h"

namespace ky::buffer {

class ConversionPool
{
public:
    // aThreads counts the caller too; fewer are started when the system refuses threads.
    explicit ConversionPool(unsigned aThreads);
    ~ConversionPool();
    ConversionPool(const ConversionPool &) = delete;
    ConversionPool &operator=(const ConversionPool &) = delete;

    // Threads taking part in Run, the caller included.
    unsigned GetThreadCount() const { return static_cast<unsigned>(mWorkers.size()) + 1; }
    // Work on [aBegin, aEnd) on thread aThread (0 is the caller; a thread runs one job at a
    // time, so aThread picks per-thread scratch memory).
    using Job = std::function<void(unsigned aThread, uint32_t aBegin, uint32_t aEnd)>;
    // Runs aJob over [0, aCount) in contiguous runs shared among the threads and returns when all
    // are done. aJob must not throw.
    void Run(uint32_t aCount, const Job &aJob);
    // Puts the workers (not the caller) under aPriority.
    void ApplyPriority(ky::base::ThreadPriority &aPriority);

private:
    void Work(unsigned aThread);
    // Takes runs of the current job until none is left.
    void TakeRuns(unsigned aThread, const Job &aJob);

    std::mutex mMutex;
    std::condition_variable mStart;
    std::condition_variable mDone;
    uint64_t mGeneration = 0;
    std::atomic<unsigned> mActive{0};  // workers inside TakeRuns (changed under mMutex)
    std::atomic<uint64_t> mPosted{0};  // mGeneration, for threads that wait awake
    bool mStopping = false;
    const Job *mJob = nullptr;  // null between runs
    uint32_t mCount = 0;
    uint32_t mRun = 1;  // items per run
    std::atomic<uint32_t> mNext{0};
    std::vector<std::thread> mWorkers;
};

}  // namespace ky::buffer
