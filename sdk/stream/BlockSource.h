// BlockSource: what a transport gives the stream base. The transport fills queued KyBuffers on
// its own thread; Next hands back the next buffer whose block ended, already filled and with its
// operation result set.
#pragma once

#include <cstdint>

#include "ky/base/KyResult.h"

class KyBuffer;

namespace ky::stream {

class BlockSource
{
public:
    virtual ~BlockSource() = default;
    virtual bool IsOpen() const = 0;
    // Takes the buffer's memory as the destination of a coming block.
    virtual KyResult Queue(KyBuffer *buffer) = 0;
    // KY_OK with the buffer, or KY_TIMEOUT when no block ended within timeoutMs.
    virtual KyResult Next(KyBuffer *&buffer, uint32_t timeoutMs) = 0;
    // Hands back what is queued or in progress as aborted.
    virtual void Abort() = 0;
    // Takes a buffer back without handing it out, wherever it is; on return nothing writes into
    // it. False when the source does not have it (any more).
    virtual bool Withdraw(KyBuffer *buffer) = 0;
    // Stops receiving; what was queued comes back aborted through Next.
    virtual void Close() = 0;
};

}  // namespace ky::stream
