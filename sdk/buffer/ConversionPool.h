// ConversionPool: worker threads that share the rows of one conversion with the caller.
//
// The pool owns its threads and joins them in its destructor. Run is called by one thread at a
// time (the converter serialises its conversions).
#pragma once

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
    // Work on [aBegin, aEnd), part aPart of the threads' parts (0 is the caller's).
    using Job = std::function<void(unsigned aPart, uint32_t aBegin, uint32_t aEnd)>;
    // Splits [0, aCount) into one contiguous part per thread and returns when all are done.
    // aJob must not throw.
    void Run(uint32_t aCount, const Job &aJob);
    // Puts the workers (not the caller) under aPriority.
    void ApplyPriority(ky::base::ThreadPriority &aPriority);

private:
    void Work(unsigned aPart);
    void RunPart(unsigned aPart);

    std::mutex mMutex;
    std::condition_variable mStart;
    std::condition_variable mDone;
    uint64_t mGeneration = 0;
    unsigned mPending = 0;
    bool mStopping = false;
    const Job *mJob = nullptr;
    uint32_t mCount = 0;
    std::vector<std::thread> mWorkers;
};

}  // namespace ky::buffer
