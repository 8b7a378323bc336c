// U3vBlockAssembler: the host's side of a USB3 Vision stream, fed one transfer at a time. A leader
// opens a block, payload transfers are copied in order into the destination the caller gave, and
// the trailer closes the block with a status. Payload beyond the destination is not written but
// counted (Overrun); a leader arriving inside a block ends that block as Incomplete; payload or a
// trailer with no open block, and malformed leaders, are dropped and counted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "u3v/U3vStreamFormat.h"

namespace ky::u3v {

enum class U3vBlockStatus {
    Complete,
    Incomplete,    // the next leader came before this block's trailer
    Overrun,       // more payload than the destination holds (the rest was not written)
    SizeMismatch,  // the trailer's payload size differs from what arrived
    DeviceError,   // the trailer carries a failure status
    WrongBlockId,  // the trailer names another block than the leader
};

const char *U3vBlockStatusName(U3vBlockStatus status);

struct U3vBlock
{
    U3vImageLeader leader;
    U3vImageTrailer trailer;
    size_t received = 0;  // payload bytes that arrived (written: at most the destination's size)
    U3vBlockStatus status = U3vBlockStatus::Complete;
};

struct U3vStreamCounters
{
    uint64_t blocks = 0;
    uint64_t incomplete = 0;
    uint64_t strayTransfers = 0;  // payload or trailer outside a block
    uint64_t malformed = 0;       // leaders and trailers that did not parse
};

class U3vBlockAssembler
{
public:
    // Where the payload of the next blocks goes; may be changed between blocks.
    void SetDestination(uint8_t *data, size_t capacity)
    {
        mData = data;
        mCapacity = data ? capacity : 0;
    }

    // One transfer from the stream pipe; true when a block ended (its account is in `ended`).
    // A leader that ends an open block both reports that block and opens its own.
    bool Feed(const uint8_t *data, size_t size, U3vBlock &ended);

    // Where the next payload byte of the open block goes, and how many bytes fit there (null and
    // 0 outside a block, without a destination, or when it is full). A transfer read straight into
    // that place is then given to FeedInPlace, which takes it as Feed does without copying it.
    uint8_t *PayloadSlot(size_t &room) const;
    bool FeedInPlace(size_t size, U3vBlock &ended);
    // Whether no payload of the open block has arrived yet (or no block is open): a new
    // destination may be set without splitting a block.
    bool AtBlockStart() const { return !mOpen || mBlock.received == 0; }

    bool InBlock() const { return mOpen; }
    const U3vStreamCounters &Counters() const { return mCounters; }

private:
    void End(U3vBlockStatus status, U3vBlock &ended);
    bool Take(const uint8_t *data, size_t size, bool inPlace, U3vBlock &ended);

    uint8_t *mData = nullptr;
    size_t mCapacity = 0;
    bool mOpen = false;
    bool mOverrun = false;
    U3vBlock mBlock;
    U3vStreamCounters mCounters;
};

}  // namespace ky::u3v
