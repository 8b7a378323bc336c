#include "ChunkStore.h"

#include <algorithm>
#include <cstring>

#include "ky/ByteOrder.h"

namespace ky::buffer {

// Chunk trailers are two 32-bit big-endian words, every access checked against the area's size.
using ky::base::LoadAt;
using ky::base::StoreAt;

void ChunkStore::Clear()
{
    mEntries.clear();
    mUsed = 0;
    mParsed = false;
}

KyResult ChunkStore::Append(uint8_t *aArea, uint32_t aAreaSize, uint32_t aMainSize, uint32_t aMainID,
                            uint32_t aID, const uint8_t *aData, uint32_t aLength)
{
    if (aData == nullptr && aLength > 0)
        return KyResult(KY_INVALID_PARAMETER, "[KyChunkStore::Append] no data for a chunk of " +
                                                  std::to_string(aLength) + " bytes");
    if (mParsed)
        return KyResult(KY_STATE_ERROR, "the chunks are those of a received block; reset them first");
    const bool mainTrailer = aMainSize > 0 && mUsed == 0;
    const uint64_t needed = uint64_t(aLength) + kTrailerSize + (mainTrailer ? kTrailerSize : 0);
    if (aArea == nullptr || needed > Remaining(aAreaSize))
        return KyResult(KY_BUFFER_TOO_SMALL, "[KyChunkStore::Append] chunk of " + std::to_string(aLength) +
                                                 " bytes needs " + std::to_string(needed) + ", " +
                                                 std::to_string(Remaining(aAreaSize)) + " left");
    uint32_t at = mUsed;
    if (mainTrailer) {
        StoreAt(aArea, aAreaSize, at, aMainID);
        StoreAt(aArea, aAreaSize, at + 4, aMainSize);
        at += kTrailerSize;
    }
    if (aLength > 0)
        std::memcpy(aArea + at, aData, aLength);
    StoreAt(aArea, aAreaSize, at + aLength, aID);
    StoreAt(aArea, aAreaSize, at + aLength + 4, aLength);
    mEntries.push_back(Entry{aID, aLength, aArea + at});
    mUsed = at + aLength + kTrailerSize;
    return KyResult();
}

KyResult ChunkStore::Parse(const uint8_t *aBlock, uint32_t aSize, bool aMainPartFirst)
{
    Clear();
    std::vector<Entry> found;
    uint32_t end = aSize;
    while (end > 0) {
        uint32_t id = 0;
        uint32_t length = 0;
        if (end < kTrailerSize || !LoadAt(aBlock, aSize, end - 8, id) ||
            !LoadAt(aBlock, aSize, end - 4, length))
            return KyResult(KY_INVALID_DATA_FORMAT,
                            "[KyChunkStore::Parse] chunk trailer cut short at byte " + std::to_string(end));
        const uint32_t room = end - kTrailerSize;
        if (length > room)
            return KyResult(KY_INVALID_DATA_FORMAT, "[KyChunkStore::Parse] chunk " + std::to_string(id) +
                                                        " claims " + std::to_string(length) + " bytes, " +
                                                        std::to_string(room) + " precede its trailer");
        end = room - length;
        found.push_back(Entry{id, length, aBlock + end});
    }
    std::reverse(found.begin(), found.end());
    mUsed = aSize;
    mParsed = true;
    if (aMainPartFirst && !found.empty()) {
        mUsed = aSize - found.front().length;
        found.erase(found.begin());
    }
    mEntries = std::move(found);
    return KyResult();
}

const ChunkStore::Entry *ChunkStore::ByIndex(uint32_t aIndex) const
{
    return aIndex < mEntries.size() ? &mEntries[aIndex] : nullptr;
}

const ChunkStore::Entry *ChunkStore::ByID(uint32_t aID) const
{
    for (const Entry &e : mEntries)
        if (e.id == aID)
            return &e;
    return nullptr;
}

}  // namespace ky::buffer
