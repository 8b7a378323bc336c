// Settings of a GVSP receiver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ky::gev {

// When the receiver reads its stream through a packet socket ring (GvspPacketRing) instead of
// the UDP socket; a ring always needs CAP_NET_RAW, without it the socket serves.
enum class PacketRingUse {
    Never,
    WhereItKeepsUp,  // on interfaces whose line rate the ring is sized for (see GvspReceiver::ChooseRing)
    Always,          // wherever the process may open one (loopback included)
};

struct GvspReceiverConfig
{
    std::string localAddress;   // empty: any
    uint16_t localPort = 0;     // 0: any (read it back with LocalPort)
    std::string sourceAddress;  // empty: packets from any sender are taken
    // Multicast: the socket binds to this group (at localPort, shared with other receivers of the
    // group) and joins it on the adapter that holds multicastInterface (empty: the kernel's
    // choice); localAddress is then not used. Empty: unicast.
    std::string multicastGroup;
    std::string multicastInterface;
    uint32_t socketBufferSize = 64u << 20;
    uint32_t packetSize = 0;          // stream channel packet size (SCPS); 0: learnt per block
    size_t maxBlocksInProgress = 16;  // the oldest block is ended when a further one starts
    uint32_t blockTimeoutMs = 1000;   // a block without a packet this long ends with Timeout
    bool resendEnabled = true;
    uint32_t resendTimeoutMs = 20;  // quiet time before a block's next resend round
    uint32_t maxResendRounds = 3;
    uint32_t maxResendRangesPerRound = 32;
    bool receiveOffload = true;   // take glued runs of datagrams from the kernel (UDP_GRO)
    bool receiveInPlace = false;  // without offload: the socket writes in-order payload
                                  // straight into the destination (see ReceiveBatches)
    PacketRingUse packetRing = PacketRingUse::WhereItKeepsUp;
    // Read the stream from a TCP connection to sourceAddress's GVCP port number (a soft device of
    // this kit with its TCP transport), made from localAddress:localPort, instead of a UDP
    // socket: packets come whole and in order, so no resends are asked for, and no packet ring.
    bool tcp = false;
    size_t packetRingBytes = 0;  // 0: sized by the receiver (see GvspReceiver::ChooseRing)
};

}  // namespace ky::gev
