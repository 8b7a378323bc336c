// The sender an RTP session takes packets from. A receiver's port is open to anybody: the packets
// of another sender (another SSRC, or for unicast another source address) would end frames early
// and show as sequence gaps. The session's sender is the sender of its first packet (of the SSRC
// the session description names, where it names one); only its packets are taken, the others are
// counted and dropped.
// A sender that falls silent for SILENCE_MS lets the next packet's sender take its place (a
// sender that restarted picks a new SSRC).
//
// Not thread-safe: the receive thread owns it.
#pragma once

#include <chrono>
#include <cstdint>

#include "rtp/RtpPacket.h"

namespace ky::stream {

// Where a packet came from: a datagram's source, or nothing known (a TCP connection, whose one
// peer is the sender).
struct RtpPacketSource
{
    bool known = false;
    std::uint32_t ip = 0;  // host byte order
    std::uint16_t port = 0;
};

class RtpSessionSender
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds SILENCE_MS{2000};

    // Only this SSRC names the sender.
    void PinSsrc(std::uint32_t ssrc)
    {
        mPinned = true;
        mPinnedSsrc = ssrc;
    }
    // Forgets the sender found so far (a pinned SSRC stays).
    void Reset();
    // Whether the packet belongs to the session. While no sender is known (at first, or after a
    // silence), a packet that may name one (of the payload the session expects) names it; one
    // that may not is let through unnamed, for the caller to drop as it drops unexpected payload.
    bool Accept(const RtpPacket &packet, const RtpPacketSource &source, bool mayName, Clock::time_point now);

private:
    bool mPinned = false;
    std::uint32_t mPinnedSsrc = 0;
    bool mKnown = false;
    std::uint32_t mSsrc = 0;
    RtpPacketSource mSource;
    Clock::time_point mLastAccepted;
};

}  // namespace ky::stream
