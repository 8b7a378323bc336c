// GvspBlockAssembler: one block in progress on a GVSP receiver.
//
// Places every payload packet by its packet id straight into the caller's destination, keeps a
// bitmap of the packets received, refuses ids outside the block, clamps and counts what runs
// past the destination, and lists the ranges still missing for resend requests.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gvsp/GvspBlock.h"
#include "gev/Gvsp.h"

namespace ky::gev {

struct GvspDestination
{
    uint8_t *data = nullptr;
    size_t capacity = 0;
    void *cookie = nullptr;
};

class GvspBlockAssembler
{
public:
    using Clock = std::chrono::steady_clock;

    enum class Outcome { Placed, Duplicate, Ignored, WrongId };

    // A new block. Without a destination (hasDestination false) packets are only counted.
    // bytesPerPacket 0: learnt from the block's first data packet.
    void Start(uint64_t blockId, bool extendedId, const GvspDestination *destination, size_t bytesPerPacket,
               Clock::time_point now);

    Outcome AddLeader(const GvspLeader &leader, bool resent, Clock::time_point now);
    Outcome AddTrailer(uint32_t packetId, const GvspTrailer &trailer, bool resent, Clock::time_point now);
    // data null: the payload is already in place, at the packet's offset in the destination and
    // no longer than its slot (the receiver had the socket write it there, see PredictSlot).
    Outcome AddPayload(uint32_t packetId, const uint8_t *data, size_t length, bool resent,
                       Clock::time_point now);
    // A multi-part data packet: placed at its offset in the block, which must lie within the
    // part it names, as the leader described the parts. Before the leader it cannot be placed and is let go (asked for again like
    // any missing packet); a part id or a range outside the leader's parts marks the block as
    // not to be trusted.
    Outcome AddMultiPartPayload(uint32_t packetId, const GvspMultiPartInfo &info, const uint8_t *data,
                                size_t length, bool resent, Clock::time_point now);
    // Where the index-th packet after the highest one received will go, if it comes in order:
    // its id and its place in the destination, room for a whole packet's payload. False when
    // that is not known, or when a whole payload would not fit inside the memory or the payload
    // (the short last packet): such a packet is read aside and copied.
    bool PredictSlot(uint64_t index, uint32_t &packetId, uint8_t *&slot, size_t &slotLength) const;
    // The sender said it cannot resend packets of this block.
    void MarkUnavailable() { mUnavailable = true; }

    bool Done() const;
    bool HasDestination() const { return mHasDestination; }
    // The caller's cookie of the destination (null without one).
    void *Cookie() const { return mHasDestination ? mDestination.cookie : nullptr; }
    bool Unavailable() const { return mUnavailable; }
    bool TrailerReceived() const { return mTrailerReceived; }
    uint64_t BlockId() const { return mBlockId; }
    size_t BytesPerPacket() const { return mBytesPerPacket; }
    Clock::time_point LastPacket() const { return mLastPacket; }

    // Ranges of packet ids not received yet, leader and trailer included, up to max of them.
    // Without a known end the last range runs to the largest packet id ("to the end").
    size_t Missing(GvspMissingRange *out, size_t max) const;
    // The gap opened by the packet just placed, if any: ids between the previous highest id and
    // it, to be requested at once. Cleared by the call.
    bool TakeGap(GvspMissingRange &gap);

    GvspBlockStats &Stats() { return mStats; }
    // Ends the block: fills the result (status from the block's state unless aborted or the
    // reason applies) and forgets the destination.
    void Finish(GvspBlockStatus reason, GvspCompletedBlock &out);

private:
    bool Received(uint64_t id) const { return id < mTracked && (mBits[id >> 6] >> (id & 63)) & 1; }
    void MarkReceived(uint64_t id) { mBits[id >> 6] |= uint64_t(1) << (id & 63); }
    void TrackUpTo(uint64_t lastId);
    void NoteArrival(uint64_t id, bool resent, Clock::time_point now);
    uint64_t KnownEnd() const;  // the trailer id when known, else 0
    // The most packets the block can have lost: what its memory holds, leader and trailer.
    uint64_t MostPackets() const;
    uint32_t MaxPacketId() const
    {
        return mExtendedId ? GVSP_EXTENDED_PACKET_ID_MAX : GVSP_STANDARD_PACKET_ID_MAX;
    }

    uint64_t mBlockId = 0;
    bool mExtendedId = false;
    bool mHasDestination = false;
    GvspDestination mDestination;
    size_t mBytesPerPacket = 0;
    bool mLeaderReceived = false;
    bool mTrailerReceived = false;
    GvspLeader mLeader;
    GvspTrailer mTrailer;
    uint64_t mPayloadPackets = 0;  // from the trailer; 0: not known yet
    uint64_t mTrackLimit = 0;      // ids above it fall outside the destination: never tracked
    uint64_t mTracked = 0;         // bitmap covers ids 0..mTracked-1
    std::vector<uint64_t> mBits;
    uint64_t mReceivedPayload = 0;
    int64_t mHighest = -1;
    bool mGapOpen = false;
    GvspMissingRange mGap;
    size_t mPayloadEnd = 0;
    bool mOverrun = false;
    bool mWrongId = false;
    bool mUnavailable = false;
    bool mMultiPart = false;  // the leader or a data packet said so: no packet is placed by its id
    Clock::time_point mLastPacket;
    GvspBlockStats mStats;
};

}  // namespace ky::gev
