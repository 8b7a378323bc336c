#include "gvsp/GvspPacketReader.h"

#include <algorithm>
#include <cstring>
#include <netinet/udp.h>

#include "gev/Gvsp.h"

namespace ky::gev {
namespace {

constexpr size_t CONTROL_SIZE = 64;  // room for the receive-offload control message

}  // namespace

void GvspPacketReader::Setup(size_t batch, size_t slotSize, bool glued)
{
    mBatch = batch;
    mSlotSize = slotSize;
    mGlued = glued;
    mSlots.assign(batch * slotSize, 0);
    mMessages.assign(batch, mmsghdr{});
    mVectors.assign(batch * 3, iovec{});
    mSources.assign(batch, sockaddr_in{});
    mControl.assign(batch * CONTROL_SIZE, 0);
    mAims.assign(batch, AimState{});
}

void GvspPacketReader::Prepare(size_t i, size_t vectors)
{
    msghdr &m = mMessages[i].msg_hdr;
    m.msg_name = &mSources[i];
    m.msg_namelen = sizeof(sockaddr_in);
    m.msg_iov = &mVectors[i * 3];
    m.msg_iovlen = vectors;
    m.msg_control = mGlued ? &mControl[i * CONTROL_SIZE] : nullptr;
    m.msg_controllen = mGlued ? CONTROL_SIZE : 0;
    m.msg_flags = 0;
    mMessages[i].msg_len = 0;
}

void GvspPacketReader::ReadWhole(size_t i)
{
    mAims[i].active = false;
    mVectors[i * 3] = iovec{Slot(i), mSlotSize};
    Prepare(i, 1);
}

bool GvspPacketReader::AimAt(size_t i, const Aim &aim)
{
    if (mGlued || aim.headerSize == 0 || aim.headerSize + aim.placeLength > mSlotSize) {
        ReadWhole(i);
        return false;
    }
    mAims[i] = AimState{true, false, aim};
    iovec *v = &mVectors[i * 3];
    v[0] = iovec{Slot(i), aim.headerSize};
    v[1] = iovec{aim.place, aim.placeLength};
    v[2] = iovec{Slot(i) + aim.headerSize + aim.placeLength, mSlotSize - aim.headerSize - aim.placeLength};
    Prepare(i, 3);
    return true;
}

int GvspPacketReader::Read(const UdpSocket &socket)
{
    return socket.ReceiveBatch(mMessages.data(), static_cast<unsigned>(mBatch));
}

void GvspPacketReader::Settle(int count)
{
    for (size_t i = 0; i < static_cast<size_t>(std::max(count, 0)); ++i) {
        AimState &s = mAims[i];
        if (!s.active)
            continue;
        const size_t length = Length(i);
        const size_t header = s.aim.headerSize;
        GvspHeader h;
        s.hit = length >= header && !Truncated(i) && GvspParseHeader(Data(i), header, h).IsOK() &&
                h.Size() == header && h.format == GvspPacketFormat::Payload && h.blockId == s.aim.blockId &&
                h.packetId == s.aim.packetId && !(h.status & GVSP_STATUS_ERROR_MASK) &&
                length - header <= s.aim.placeLength;
        if (!s.hit && length > header)
            std::memcpy(Slot(i) + header, s.aim.place, std::min(length - header, s.aim.placeLength));
    }
}

size_t GvspPacketReader::SegmentSize(size_t i) const
{
    if (!mGlued)
        return 0;
    const msghdr &message = mMessages[i].msg_hdr;
    for (const cmsghdr *c = CMSG_FIRSTHDR(&message); c;
         c = CMSG_NXTHDR(const_cast<msghdr *>(&message), const_cast<cmsghdr *>(c))) {
        if (c->cmsg_level == SOL_UDP && c->cmsg_type == UDP_GRO && c->cmsg_len >= CMSG_LEN(sizeof(int))) {
            int size = 0;
            std::memcpy(&size, CMSG_DATA(c), sizeof size);
            return size > 0 ? static_cast<size_t>(size) : 0;
        }
    }
    return 0;
}

}  // namespace ky::gev
