// GvspSender: the streaming side of a soft device's stream channel.
//
// SendBlock sends one block (leader, payload packets, trailer) to the channel's destination on
// the caller's thread, in sendmmsg batches or paced by the inter-packet delay. The last blocks
// stay in a resend cache from which ServeResend answers packet resend requests (the GVCP server
// calls it on PACKETRESEND), from any thread. Test options make the sender drop a fraction of
// its first transmissions, or stop in the middle of a block, on purpose.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>

#include "streaming/GvspResendCache.h"
#include "ky/base/KyResult.h"
#include "gev/Gvsp.h"
#include "gev/GvspPacketBatch.h"
#include "gev/UdpSocket.h"

namespace ky::gev {

struct GvspSenderConfig
{
    std::string localAddress;  // empty: any
    uint16_t localPort = 0;    // 0: any
    std::string destinationAddress = "127.0.0.1";
    uint16_t destinationPort = 0;
    uint32_t packetSize = 1500;       // stream channel packet size, IP and UDP headers included
    uint32_t interPacketDelayNs = 0;  // pause between packets; 0 sends in batches
    bool extendedIds = false;
    size_t resendCacheBlocks = 4;  // 0: no resends, payload sent straight from the caller's memory
    uint32_t sendBufferSize = 4u << 20;
    bool segmentationOffload = true;  // let the kernel cut runs of equal packets (UDP_SEGMENT)
};

// One block to send. The payload is copied into the resend cache unless keepAlive is given, in
// which case the sender keeps keepAlive (which must own data) as long as the block is cached.
struct GvspOutgoingBlock
{
    uint64_t blockId = 1;
    GvspLeader leader;  // payload type, timestamp, geometry; the parts of a multi-part block
    const uint8_t *data = nullptr;
    size_t size = 0;
    std::shared_ptr<const void> keepAlive;
    uint32_t chunkLayoutId = 0;  // extended chunk payloads
};

struct GvspSenderCounters
{
    uint64_t blocksSent = 0;
    uint64_t packetsSent = 0;
    uint64_t packetsDroppedOnPurpose = 0;
    uint64_t resendRequests = 0;
    uint64_t packetsResent = 0;
    uint64_t resendsUnavailable = 0;
    uint64_t testPacketsSent = 0;
    uint64_t sendErrors = 0;
};

class GvspSender
{
public:
    GvspSender();
    ~GvspSender();
    GvspSender(const GvspSender &) = delete;
    GvspSender &operator=(const GvspSender &) = delete;

    KyResult Open(const GvspSenderConfig &config);
    void Close();
    bool IsOpen() const;
    uint16_t LocalPort() const;

    // Channel settings may change between blocks (register writes on the device).
    KyResult SetDestination(const std::string &address, uint16_t port);
    KyResult SetPacketSize(uint32_t packetSize);
    void SetInterPacketDelay(uint32_t nanoseconds);
    void SetExtendedIds(bool extended);

    KyResult SendBlock(const GvspOutgoingBlock &block);
    // Sends the packets firstPacketId..lastPacketId of a cached block again (lastPacketId past
    // the trailer means "to the end"). A block no longer cached, or a range outside it, is
    // answered with one header-only packet of status PacketUnavailable, and KY_NOT_FOUND.
    KyResult ServeResend(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId);
    // A test packet of the channel's packet size, to the destination.
    KyResult SendTestPacket();

    // Where a destination is a host's TCP connection to the device (the device's TCP transport):
    // the connection for an address and port (host order), null for none. Blocks to such a
    // destination go over the connection, whole, without drops on purpose; resends and test
    // packets stay on UDP. Set before the first block.
    using TcpLinkLookup = std::function<std::shared_ptr<TcpPacketSocket>(uint32_t ip, uint16_t port)>;
    void SetTcpLinkLookup(TcpLinkLookup lookup) { mTcpLookup = std::move(lookup); }

    // Test only: drop this fraction (0..1) of first transmissions, chosen by a seeded generator.
    void SetTestDropFraction(double fraction, uint32_t seed);
    // Test only: the next block stops after this many packets (leader counted), as a sender
    // that dies mid-frame; its cached copy is dropped so resends find nothing either.
    void SetTestStopAfterPackets(uint32_t packets);

    GvspSenderCounters Counters() const;

private:
    KyResult PrepareBlock(const GvspOutgoingBlock &block, GvspCachedBlock &entry);
    // The packets of a multi-part block: each part starts a packet of its own.
    KyResult PlanParts(const GvspOutgoingBlock &block, bool extendedIds, GvspCachedBlock &entry);
    KyResult SendRange(const GvspCachedBlock &block, uint32_t first, uint32_t last, bool resend,
                       GvspPacketBatch &batch, uint32_t stopAfter, const TcpPacketSocket *link = nullptr);
    bool DropOnPurpose();
    void Count(uint64_t GvspSenderCounters::*field, uint64_t amount);

    mutable std::mutex mConfigMutex;
    GvspSenderConfig mConfig;
    sockaddr_in mDestination{};
    UdpSocket mSocket;
    TcpLinkLookup mTcpLookup;
    GvspResendCache mCache{0};
    std::mutex mSendMutex;    // one block at a time, with its batch
    std::mutex mResendMutex;  // one resend at a time, with its batch
    std::unique_ptr<GvspPacketBatch> mSendBatch;
    std::unique_ptr<GvspPacketBatch> mResendBatch;

    std::mutex mTestMutex;
    double mDropFraction = 0.0;
    std::atomic<bool> mDropping{false};
    std::minstd_rand mDropRandom;
    std::atomic<uint32_t> mStopAfterPackets{0};

    mutable std::mutex mCountersMutex;
    GvspSenderCounters mCounters;
};

}  // namespace ky::gev
