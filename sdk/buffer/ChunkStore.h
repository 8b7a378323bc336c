// ChunkStore: the chunk index of one buffer, and the chunk layout on the wire.
//
// A chunk is its data followed by an 8-byte trailer (ID, then length, both big-endian). When
// chunks follow a main part (an image or raw payload), the main part is itself the first chunk
// and gets a trailer too; it is not listed.
#pragma once

#include <cstdint>
#include <vector>

#include "ky/base/KyResult.h"

namespace ky::buffer {

class ChunkStore
{
public:
    static constexpr uint32_t kTrailerSize = 8;

    struct Entry
    {
        uint32_t id;
        uint32_t length;
        const uint8_t *data;
    };

    void Clear();
    // Writes one chunk into an area of aAreaSize bytes at aArea. With aMainSize > 0 the area
    // starts right after a main part of that many bytes, whose trailer (aMainID) goes first.
    KyResult Append(uint8_t *aArea, uint32_t aAreaSize, uint32_t aMainSize, uint32_t aMainID, uint32_t aID,
                    const uint8_t *aData, uint32_t aLength);
    // Indexes the chunks of a received block of aSize bytes, reading trailers from the end.
    // With aMainPartFirst the chunk at the start of the block is the main part and not listed.
    // On a malformed block nothing is listed and KY_INVALID_DATA_FORMAT is returned.
    KyResult Parse(const uint8_t *aBlock, uint32_t aSize, bool aMainPartFirst);

    uint32_t Count() const { return static_cast<uint32_t>(mEntries.size()); }
    const Entry *ByIndex(uint32_t aIndex) const;
    const Entry *ByID(uint32_t aID) const;
    // Bytes of chunk data in use, trailers included (the main part's trailer too).
    uint32_t Used() const { return mUsed; }
    // Bytes an area of aAreaSize still has for chunks.
    uint32_t Remaining(uint32_t aAreaSize) const { return aAreaSize > mUsed ? aAreaSize - mUsed : 0; }

private:
    std::vector<Entry> mEntries;
    uint32_t mUsed = 0;
    bool mParsed = false;  // entries point into a received block, not into an area
};

}  // namespace ky::buffer
