#include "u3v/U3vBlockAssembler.h"

#include <algorithm>
#include <cstring>

namespace ky::u3v {

const char *U3vBlockStatusName(U3vBlockStatus status)
{
    switch (status) {
    case U3vBlockStatus::Complete:
        return "complete";
    case U3vBlockStatus::Incomplete:
        return "incomplete";
    case U3vBlockStatus::Overrun:
        return "overrun";
    case U3vBlockStatus::SizeMismatch:
        return "size mismatch";
    case U3vBlockStatus::DeviceError:
        return "device error";
    case U3vBlockStatus::WrongBlockId:
        return "wrong block id";
    }
    return "unknown";
}

void U3vBlockAssembler::End(U3vBlockStatus status, U3vBlock &ended)
{
    mBlock.status = status;
    ended = mBlock;
    mOpen = false;
    ++mCounters.blocks;
    if (status != U3vBlockStatus::Complete) {
        ++mCounters.incomplete;
    }
}

bool U3vBlockAssembler::Feed(const uint8_t *data, size_t size, U3vBlock &ended)
{
    return Take(data, size, false, ended);
}

uint8_t *U3vBlockAssembler::PayloadSlot(size_t &room) const
{
    room = 0;
    if (!mOpen || mData == nullptr || mBlock.received >= mCapacity) {
        return nullptr;
    }
    room = mCapacity - mBlock.received;
    return mData + mBlock.received;
}

bool U3vBlockAssembler::FeedInPlace(size_t size, U3vBlock &ended)
{
    size_t room = 0;
    const uint8_t *slot = PayloadSlot(room);
    if (slot == nullptr || size > room) {
        return false;  // nothing can have been read there
    }
    return Take(slot, size, true, ended);
}

bool U3vBlockAssembler::Take(const uint8_t *data, size_t size, bool inPlace, U3vBlock &ended)
{
    if (data == nullptr && size != 0) {
        return false;
    }
    if (IsLeader(data, size)) {
        U3vImageLeader leader;
        if (ParseImageLeader(data, size, leader) != U3vStreamError::Ok) {
            ++mCounters.malformed;
            return false;
        }
        const bool endedOne = mOpen;
        if (mOpen) {
            End(U3vBlockStatus::Incomplete, ended);
        }
        mBlock = U3vBlock();
        mBlock.leader = leader;
        mOverrun = false;
        mOpen = true;
        return endedOne;
    }
    if (!mOpen) {
        ++mCounters.strayTransfers;
        return false;
    }
    if (IsTrailer(data, size)) {
        U3vImageTrailer trailer;
        if (ParseImageTrailer(data, size, trailer) != U3vStreamError::Ok) {
            ++mCounters.malformed;
            return false;
        }
        mBlock.trailer = trailer;
        U3vBlockStatus status = U3vBlockStatus::Complete;
        if (trailer.blockId != mBlock.leader.blockId) {
            status = U3vBlockStatus::WrongBlockId;
        } else if (trailer.status != U3V_TRAILER_STATUS_SUCCESS) {
            status = U3vBlockStatus::DeviceError;
        } else if (mOverrun) {
            status = U3vBlockStatus::Overrun;
        } else if (trailer.validPayloadSize != mBlock.received) {
            status = U3vBlockStatus::SizeMismatch;
        }
        End(status, ended);
        return true;
    }
    // Payload: written as far as the destination reaches.
    const size_t room = mBlock.received < mCapacity ? mCapacity - mBlock.received : 0;
    const size_t copy = std::min(room, size);
    if (copy != 0 && !inPlace) {
        std::memcpy(mData + mBlock.received, data, copy);
    }
    if (copy < size) {
        mOverrun = true;
    }
    mBlock.received += size;
    return false;
}

}  // namespace ky::u3v
