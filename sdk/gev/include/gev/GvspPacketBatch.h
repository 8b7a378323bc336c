// GvspPacketBatch: GVSP packets gathered for one sendmmsg call.
//
// Each packet is its header (built in the batch's own memory) plus an optional payload that
// stays where it is (gathered by the kernel), so sending allocates and copies nothing. With
// segmentation offload, runs of equal-sized packets travel as one message that the kernel cuts
// into datagrams (UDP_SEGMENT), which saves most of the per-packet cost of the send path; when
// the kernel refuses it, the batch falls back to one message per packet for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include "ky/base/KyResult.h"
#include "gev/Gvsp.h"
#include "gev/TcpPacketSocket.h"
#include "gev/UdpSocket.h"

namespace ky::gev {

class GvspPacketBatch
{
public:
    static constexpr size_t MaxPackets = 256;
    static constexpr size_t MaxMessages = 64;
    static constexpr size_t MaxSegments = 64;  // datagrams per offloaded message
    static constexpr size_t HeaderRoom = 64;   // leader and trailer packets fit whole

    // Starts an empty batch for one destination; the address must outlive the batch's use.
    void Reset(const sockaddr_in *destination);
    void SetSegmentationOffload(bool enabled) { mOffload = enabled; }
    bool SegmentationOffload() const { return mOffload; }
    bool Full() const { return mPackets == MaxPackets || mMessages == MaxMessages; }
    size_t Count() const { return mPackets; }

    // Room for the next packet's header; Commit takes the built header length and the payload.
    uint8_t *NextHeader() { return mHeaders[mPackets]; }
    void Commit(size_t headerLength, const uint8_t *payload, size_t payloadLength);

    // Sends every packet gathered, retrying while the socket buffer is full, and empties the
    // batch. KY_NETWORK_ERROR with the system's text when the socket refuses.
    KyResult Flush(const UdpSocket &socket, size_t &packetsSent);
    // The same over a TCP connection, one frame per packet (TcpPacketSocket).
    KyResult Flush(const TcpPacketSocket &link, size_t &packetsSent);

private:
    struct Message
    {
        size_t firstPacket;
        size_t packets;
        size_t segmentSize;  // bytes of every packet of the message
    };
    void Split(size_t fromMessage);
    void BuildHeaders();

    const sockaddr_in *mDestination = nullptr;
    bool mOffload = false;
    size_t mPackets = 0;
    size_t mMessages = 0;
    Message mGroups[MaxPackets];
    mmsghdr mHeadersOut[MaxPackets];
    iovec mVectors[MaxPackets][2];
    alignas(cmsghdr) uint8_t mControl[MaxPackets][CMSG_SPACE(sizeof(uint16_t))];
    uint8_t mHeaders[MaxPackets][HeaderRoom];
};

}  // namespace ky::gev
