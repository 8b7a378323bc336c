// KyStreamGEV: receiver of a GigE Vision stream channel (GVSP over UDP), unicast or multicast.
//
// Open binds a UDP port on this host (GetLocalIPAddress, GetLocalPort) and starts the receive
// thread; the device must then be told to stream there (KyDeviceGEV::SetStreamDestination).
// A multicast stream instead joins a group: any number of receivers, in this process or
// others, open on the same group and port and each gets every block; the device is told to
// stream to the group (by whichever application controls it).
// Packets that go missing are asked for again with GVCP PACKETRESEND commands, sent from a
// socket of the stream's own to the device's control port (3956), so a stream needs no
// KyDevice object. Only packets from the device's address are taken.
//
// Parameters (GetParameters) add to the stream base's: MaximumResendRequestRetryByPacket (how
// often one packet may be asked for again after its first request) and the receiver's packet
// counters (PacketsReceived, ResendRequestsSent, ...).
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/stream/KyStream.h"

class KY_STREAM_API KyStreamGEV : public KyStream
{
public:
    KyStreamGEV();
    ~KyStreamGEV() override;

    // Unicast on the device of the record (its IP address), local port and channel 0.
    KyResult Open(const KyDeviceInfo *aDeviceInfo) override;
    // Unicast on the device at aInfo (dotted IPv4), local port and channel 0.
    KyResult Open(const KyString &aInfo) override;
    KyStreamType GetType() const override { return KyStreamTypeGEV; }

    // Unicast. aLocalPort 0 picks a free port; aLocalIPAddress empty receives on every local
    // address (GetLocalIPAddress then tells the one the device's route leaves from);
    // aBuffersCapacity is the most buffers queued at a time (0 is refused). Results: KY_OK,
    // KY_INVALID_PARAMETER (bad address text, capacity 0), KY_NOT_CONNECTED (the device's
    // address cannot be reached from here), KY_NETWORK_ERROR (the port cannot be bound).
    KyResult Open(const KyDeviceInfo *aDeviceInfo, uint16_t aLocalPort, uint16_t aChannel = 0,
                  const KyString &aLocalIPAddress = KyString(), uint32_t aBuffersCapacity = 64);
    KyResult Open(const KyString &aInfo, uint16_t aLocalPort, uint16_t aChannel = 0,
                  const KyString &aLocalIPAddress = KyString(), uint32_t aBuffersCapacity = 64);
    // Multicast: receives what the device sends to aMulticastAddr:aDataPort (a port other
    // receivers of the group may share), joined on the adapter of aLocalIPAddress (empty: the
    // one the device is reached by). Resend requests still go to the device, which sends the
    // packets to the group. Results as unicast; KY_INVALID_PARAMETER also for an address that is
    // no multicast group or a data port of 0, KY_NETWORK_ERROR when the group cannot be joined.
    KyResult Open(const KyDeviceInfo *aDeviceInfo, const KyString &aMulticastAddr, uint16_t aDataPort,
                  uint16_t aChannel = 0, const KyString &aLocalIPAddress = KyString(),
                  uint32_t aBuffersCapacity = 64);
    KyResult Open(const KyString &aInfo, const KyString &aMulticastAddr, uint16_t aDataPort,
                  uint16_t aChannel = 0, const KyString &aLocalIPAddress = KyString(),
                  uint32_t aBuffersCapacity = 64);

    KyDataReceiverType GetDataReceiverType() const { return KyDataReceiverTypeUserMode; }
    // Empty (or 0) while not open.
    uint16_t GetLocalPort() const;
    uint16_t GetSpecificLocalPort() const;
    KyString GetLocalIPAddress() const;
    // The group of a multicast stream; empty for unicast or while not open.
    KyString GetMulticastIPAddress() const;
    KyString GetDeviceIPAddress() const;

    // This kit receives with its own user-mode receiver only: no kernel driver is installed
    // (aInstalled false, KY_OK). aLocalIPAddress is not used.
    static KyResult IsDriverInstalled(KyString &aIPAddress, bool &aInstalled,
                                      const KyString &aLocalIPAddress = KyString());
    // Packets already received are always sorted into their blocks: KY_NOT_SUPPORTED.
    KyResult FlushPacketQueue();
    // Blocks are always taken from whichever packet comes first: false; asking for true answers
    // KY_NOT_SUPPORTED.
    bool GetWaitForFirstPacketOfBlockToStart() const { return false; }
    KyResult SetWaitForFirstPacketOfBlockToStart(bool aWait);
    // Kept for callers that set it; the receive thread runs at the process's priority.
    uint32_t GetUserModeDataReceiverThreadPriority() const;
    KyResult SetUserModeDataReceiverThreadPriority(uint32_t aPriority);
    // Size of one receive slot in bytes, 17000 to 65500 (a value outside moves to the nearer
    // bound); set before Open (KY_NETWORK_CONFIG_ERROR after). Slots are sized from the
    // datagrams anyway; the value is kept for callers that read it back.
    KyResult SetUserModeRxPacketBufferSize(uint32_t aSize);

    // Size of the receive socket's buffer in bytes: set it before Open (KY_NETWORK_CONFIG_ERROR
    // after); the value read back after Open is what the kernel granted.
    KyResult SetUserModeSocketRxBufferSize(uint32_t aSize);
    KyResult GetUserModeSocketRxBufferSize(uint32_t &aSize);

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
