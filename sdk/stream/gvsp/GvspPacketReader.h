// GvspPacketReader: reads GVSP datagrams from a socket in recvmmsg batches, into a ring of slots
// allocated once.
//
// A message may be aimed: its header goes into its slot, its payload straight to a place in a
// destination (where the packet expected next belongs), anything longer behind the header in
// the slot. After the read, Settle moves every packet that missed its aim back into its slot, so
// that only expected packets were written into destinations. With receive offload a slot may
// hold a glued run of equal datagrams; SegmentSize tells where to cut it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <vector>

#include "gev/UdpSocket.h"

namespace ky::gev {

class GvspPacketReader
{
public:
    struct Aim
    {
        size_t headerSize = 0;
        uint64_t blockId = 0;
        uint32_t packetId = 0;
        uint8_t *place = nullptr;
        size_t placeLength = 0;
    };

    void Setup(size_t batch, size_t slotSize, bool glued);
    size_t Batch() const { return mBatch; }

    // Message i reads whole into its slot, or aims as described (false when the aim does not
    // fit the slot; the message then reads whole).
    void ReadWhole(size_t i);
    bool AimAt(size_t i, const Aim &aim);

    // Non-blocking read of up to Batch() messages; the count, or 0 and less when none.
    int Read(const UdpSocket &socket);
    // After Read: moves the packets that missed their aim back into their slots.
    void Settle(int count);

    bool Truncated(size_t i) const { return (mMessages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0; }
    uint32_t SourceAddress(size_t i) const { return mSources[i].sin_addr.s_addr; }
    const uint8_t *Data(size_t i) const { return mSlots.data() + i * mSlotSize; }
    size_t Length(size_t i) const { return mMessages[i].msg_len; }
    // The packet's payload is already in place in its destination.
    bool InPlace(size_t i) const { return mAims[i].active && mAims[i].hit; }
    // Datagram size of a glued run; 0 for a single datagram.
    size_t SegmentSize(size_t i) const;

private:
    struct AimState
    {
        bool active = false;
        bool hit = false;
        Aim aim;
    };
    uint8_t *Slot(size_t i) { return mSlots.data() + i * mSlotSize; }
    void Prepare(size_t i, size_t vectors);

    size_t mBatch = 0;
    size_t mSlotSize = 0;
    bool mGlued = false;
    std::vector<uint8_t> mSlots;
    std::vector<mmsghdr> mMessages;
    std::vector<iovec> mVectors;
    std::vector<sockaddr_in> mSources;
    std::vector<uint8_t> mControl;
    std::vector<AimState> mAims;
};

}  // namespace ky::gev
