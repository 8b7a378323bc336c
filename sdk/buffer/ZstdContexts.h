// ZstdContexts: one zstd context per worker of a filter, made when the worker first needs it and
// kept for the next images. Resize before a run (never during one); For(worker) is then called
// only by that worker's thread.
#pragma once

#include <zstd.h>
#include <zstd_errors.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace ky::buffer {

// zstd's way of telling an error through a size.
inline size_t ZstdError(ZSTD_ErrorCode aCode) { return static_cast<size_t>(-static_cast<ptrdiff_t>(aCode)); }

template <typename Context, Context *(*Create)(), size_t (*Free)(Context *)>
class ZstdContexts
{
public:
    void Resize(size_t aWorkers) { mContexts.resize(aWorkers); }
    // Null when zstd has no memory for it.
    Context *For(size_t aWorker)
    {
        if (aWorker >= mContexts.size())
            return nullptr;
        if (!mContexts[aWorker])
            mContexts[aWorker].reset(Create());
        return mContexts[aWorker].get();
    }

private:
    struct Release
    {
        void operator()(Context *aContext) const { (void)Free(aContext); }
    };
    std::vector<std::unique_ptr<Context, Release>> mContexts;
};

using CompressionContexts = ZstdContexts<ZSTD_CCtx, ZSTD_createCCtx, ZSTD_freeCCtx>;
using DecompressionContexts = ZstdContexts<ZSTD_DCtx, ZSTD_createDCtx, ZSTD_freeDCtx>;

}  // namespace ky::buffer
