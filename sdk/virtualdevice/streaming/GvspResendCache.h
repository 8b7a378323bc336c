// GvspResendCache: the most recent blocks a GVSP sender sent, kept for resend requests.
//
// Entries are shared: a resend in progress keeps its block alive while a new block evicts it
// from the cache. An evicted entry that nobody holds is reused for the next block, so after
// the first few blocks the cache allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <vector>

#include "gev/Gvsp.h"

namespace ky::gev {

struct GvspCachedBlock
{
    uint64_t blockId = 0;
    bool extendedId = false;
    GvspLeader leader;
    GvspTrailer trailer;
    const uint8_t *data = nullptr;  // the payload: points into copy, or into memory keepAlive holds
    size_t size = 0;
    std::vector<uint8_t> copy;
    std::shared_ptr<const void> keepAlive;
    size_t bytesPerPacket = 0;    // payload bytes of every data packet but the last
    uint32_t payloadPackets = 0;  // data packets; the trailer is payloadPackets + 1
    // Multi-part blocks: the id of each part's first data packet (parts follow one another in
    // data and packets), and the part bytes each packet carries but a part's last.
    std::vector<uint32_t> partFirstPacket;
    size_t partBytesPerPacket = 0;
    sockaddr_in destination{};

    uint32_t TrailerId() const { return payloadPackets + 1; }
};

class GvspResendCache
{
public:
    explicit GvspResendCache(size_t capacity) : mCapacity(capacity) { }

    // An entry to fill for the next block: the oldest one when the cache is full and no resend
    // holds it, else a new one. Not in the cache until Insert.
    std::shared_ptr<GvspCachedBlock> Acquire();
    void Insert(const std::shared_ptr<GvspCachedBlock> &block);
    // A reference to a cached block, dropped under the cache's lock: Acquire reuses an entry only
    // when the cache alone holds it, and the lock orders that reuse after every read made here.
    class Held
    {
    public:
        Held(const GvspResendCache &cache, std::shared_ptr<GvspCachedBlock> block)
            : mCache(cache), mBlock(std::move(block))
        { }
        ~Held()
        {
            std::lock_guard<std::mutex> lock(mCache.mMutex);
            mBlock.reset();
        }
        Held(const Held &) = delete;
        Held &operator=(const Held &) = delete;
        explicit operator bool() const { return mBlock != nullptr; }
        const GvspCachedBlock &operator*() const { return *mBlock; }
        const GvspCachedBlock *operator->() const { return mBlock.get(); }

    private:
        const GvspResendCache &mCache;
        std::shared_ptr<GvspCachedBlock> mBlock;
    };
    // Called with no lock of the cache held.
    Held Find(uint64_t blockId) const;
    void SetCapacity(size_t capacity);
    size_t Capacity() const;
    void Clear();

private:
    mutable std::mutex mMutex;
    size_t mCapacity;
    std::deque<std::shared_ptr<GvspCachedBlock>> mBlocks;
    std::shared_ptr<GvspCachedBlock> mSpare;
};

}  // namespace ky::gev
