#include "gev/GvspPacketBatch.h"

#include <cerrno>
#include <cstring>
#include <netinet/udp.h>
#include <string>
#include <thread>

namespace ky::gev {

void GvspPacketBatch::Reset(const sockaddr_in *destination)
{
    mDestination = destination;
    mPackets = 0;
    mMessages = 0;
}

void GvspPacketBatch::Commit(size_t headerLength, const uint8_t *payload, size_t payloadLength)
{
    iovec *v = mVectors[mPackets];
    v[0].iov_base = mHeaders[mPackets];
    v[0].iov_len = headerLength;
    v[1].iov_base = const_cast<uint8_t *>(payload);
    v[1].iov_len = payload ? payloadLength : 0;
    const size_t size = headerLength + v[1].iov_len;
    Message *last = mMessages ? &mGroups[mMessages - 1] : nullptr;
    if (mOffload && last && last->segmentSize == size && last->packets < MaxSegments &&
        (last->packets + 1) * size <= GVSP_MAX_DATAGRAM_SIZE) {
        ++last->packets;
    } else {
        mGroups[mMessages++] = Message{mPackets, 1, size};
    }
    ++mPackets;
}

// Turns the messages from the given one on into one message per packet.
void GvspPacketBatch::Split(size_t fromMessage)
{
    Message rest[MaxPackets];
    size_t count = 0;
    for (size_t m = fromMessage; m < mMessages; ++m) {
        for (size_t p = 0; p < mGroups[m].packets; ++p)
            rest[count++] = Message{mGroups[m].firstPacket + p, 1, mGroups[m].segmentSize};
    }
    std::memcpy(mGroups + fromMessage, rest, count * sizeof(Message));
    mMessages = fromMessage + count;
}

void GvspPacketBatch::BuildHeaders()
{
    for (size_t m = 0; m < mMessages; ++m) {
        const Message &g = mGroups[m];
        msghdr &h = mHeadersOut[m].msg_hdr;
        std::memset(&h, 0, sizeof h);
        h.msg_name = const_cast<sockaddr_in *>(mDestination);
        h.msg_namelen = sizeof(sockaddr_in);
        // The pairs of vectors of consecutive packets are consecutive; empty payloads are skipped
        // by the kernel.
        h.msg_iov = mVectors[g.firstPacket];
        h.msg_iovlen = 2 * g.packets;
        if (g.packets > 1) {
            h.msg_control = mControl[m];
            h.msg_controllen = sizeof mControl[m];
            cmsghdr *c = CMSG_FIRSTHDR(&h);
            c->cmsg_level = SOL_UDP;
            c->cmsg_type = UDP_SEGMENT;
            c->cmsg_len = CMSG_LEN(sizeof(uint16_t));
            const uint16_t segment = static_cast<uint16_t>(g.segmentSize);
            std::memcpy(CMSG_DATA(c), &segment, sizeof segment);
        }
        mHeadersOut[m].msg_len = 0;
    }
}

KyResult GvspPacketBatch::Flush(const UdpSocket &socket, size_t &packetsSent)
{
    BuildHeaders();
    size_t done = 0;
    int busyRetries = 0;
    KyResult result;
    while (done < mMessages) {
        const int sent = socket.SendBatch(mHeadersOut + done, static_cast<unsigned>(mMessages - done));
        if (sent > 0) {
            for (size_t m = done; m < done + static_cast<size_t>(sent); ++m)
                packetsSent += mGroups[m].packets;
            done += static_cast<size_t>(sent);
            busyRetries = 0;
            continue;
        }
        const int error = sent < 0 ? errno : EAGAIN;
        if (error == EINTR)
            continue;
        if ((error == EAGAIN || error == ENOBUFS) && ++busyRetries < 1000) {
            std::this_thread::yield();
            continue;
        }
        if (mOffload && mGroups[done].packets > 1) {
            // The route or the kernel cannot offload: send packet by packet from now on.
            mOffload = false;
            Split(done);
            BuildHeaders();
            continue;
        }
        result = KyResult(KY_NETWORK_ERROR, static_cast<uint32_t>(error),
                          KyString(std::string("sending GVSP packets failed: ") + std::strerror(error)));
        break;
    }
    mPackets = 0;
    mMessages = 0;
    return result;
}

// Over a TCP connection each packet travels as its own frame, header and payload gathered.
KyResult GvspPacketBatch::Flush(const TcpPacketSocket &link, size_t &packetsSent)
{
    KyResult result;
    for (size_t i = 0; i < mPackets && result.IsOK(); ++i) {
        const iovec *parts = mVectors[i];
        if (link.SendVectors(parts, parts[1].iov_len > 0 ? 2 : 1) < 0)
            result = KyResult(
                KY_NETWORK_ERROR, static_cast<uint32_t>(errno),
                KyString(std::string("sending GVSP packets over TCP failed: ") + std::strerror(errno)));
        else
            ++packetsSent;
    }
    mPackets = 0;
    mMessages = 0;
    return result;
}

}  // namespace ky::gev
