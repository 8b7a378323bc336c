#include "streaming/GvspResendCache.h"

namespace ky::gev {

std::shared_ptr<GvspCachedBlock> GvspResendCache::Acquire()
{
    std::shared_ptr<GvspCachedBlock> entry;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (mCapacity > 0 && mBlocks.size() >= mCapacity) {
            entry = std::move(mBlocks.front());
            mBlocks.pop_front();
        } else if (mSpare) {
            entry = std::move(mSpare);
        }
        // Counted under the lock that every Held drops its reference under (see Held).
        if (entry && entry.use_count() != 1)
            entry.reset();
    }
    if (!entry)
        entry = std::make_shared<GvspCachedBlock>();
    entry->keepAlive.reset();
    entry->data = nullptr;
    entry->size = 0;
    return entry;
}

void GvspResendCache::Insert(const std::shared_ptr<GvspCachedBlock> &block)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mCapacity == 0) {
        // Nothing is kept for resends; the entry only serves the next block again.
        block->keepAlive.reset();
        mSpare = block;
        return;
    }
    while (mBlocks.size() >= mCapacity)
        mBlocks.pop_front();
    mBlocks.push_back(block);
}

GvspResendCache::Held GvspResendCache::Find(uint64_t blockId) const
{
    std::shared_ptr<GvspCachedBlock> found;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (auto it = mBlocks.rbegin(); it != mBlocks.rend(); ++it) {
            if ((*it)->blockId == blockId) {
                found = *it;
                break;
            }
        }
    }
    return Held(*this, std::move(found));
}

void GvspResendCache::SetCapacity(size_t capacity)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mCapacity = capacity;
    while (mBlocks.size() > mCapacity)
        mBlocks.pop_front();
}

size_t GvspResendCache::Capacity() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCapacity;
}

void GvspResendCache::Clear()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mBlocks.clear();
    mSpare.reset();
}

}  // namespace ky::gev
