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
// often one packet may be asked for again after its first request), DataReceiverType and the
// receiver's packet counters (PacketsReceived, ResendRequestsSent, ...).
//
// With DataReceiverType set to KyDataReceiverTypeTCP (2) before Open, the stream is received
// over a TCP connection to the device's GVCP port number instead (a soft device of this kit
// with its TCP transport on): GetLocalIPAddress and GetLocalPort then name the connection's
// host end, which is the destination the device is told as for UDP. Packets arrive whole and
// in order, so no resends are asked for; a connection that breaks delivers nothing more.
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/stream/KyStream.h"

class KY_STREAM_API KyStreamGEV : public KyStream
{
public:
    /// Makes a closed GigE Vision stream.
    KyStreamGEV();
    /// Destructor: closes the stream.
    ~KyStreamGEV() override;

    /// Unicast on the device of the record (its IP address), local port and channel 0.
    ///
    /// @param[in] aDeviceInfo the device's record from discovery
    ///
    /// @return as the unicast Open below
    KyResult Open(const KyDeviceInfo *aDeviceInfo) override;
    /// Unicast on the device of the record.
    ///
    /// @param[in] aDeviceInfo the device's record from discovery
    /// @param[in] aLocalPort the local UDP port to receive on; 0 picks a free one (GetLocalPort)
    /// @param[in] aChannel the device's stream channel
    /// @param[in] aLocalIPAddress the local address to receive on; empty receives on every local
    ///        address (GetLocalIPAddress then tells the one the device's route leaves from)
    /// @param[in] aBuffersCapacity the most buffers queued at a time (0 is refused)
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null record, bad address text, capacity 0),
    ///        KY_NOT_SUPPORTED (no GigE Vision record), KY_NOT_CONNECTED (the device's address
    ///        cannot be reached from here), KY_NETWORK_ERROR (the port cannot be bound),
    ///        KY_STATE_ERROR (open already)
    KyResult Open(const KyDeviceInfo *aDeviceInfo, uint16_t aLocalPort, uint16_t aChannel = 0,
                  const KyString &aLocalIPAddress = KyString(), uint32_t aBuffersCapacity = 64);
    /// Multicast: receives what the device of the record sends to a group.
    ///
    /// Any number of receivers, in this process or others, may open on the same group and port;
    /// each gets every block. Resend requests still go to the device, which sends the packets to
    /// the group. The device is told to stream to the group separately
    /// (KyDeviceGEV::SetStreamDestination, by whichever application controls it).
    ///
    /// @param[in] aDeviceInfo the device's record from discovery
    /// @param[in] aMulticastAddr the multicast group (dotted text)
    /// @param[in] aDataPort the UDP port the device sends to
    /// @param[in] aChannel the device's stream channel
    /// @param[in] aLocalIPAddress the address of the adapter that joins the group; empty: the
    ///        adapter the device is reached by
    /// @param[in] aBuffersCapacity the most buffers queued at a time (0 is refused)
    ///
    /// @return as unicast; KY_INVALID_PARAMETER also for an address that is no multicast group
    ///        or a data port of 0, KY_NETWORK_ERROR when the group cannot be joined
    KyResult Open(const KyDeviceInfo *aDeviceInfo, const KyString &aMulticastAddr, uint16_t aDataPort,
                  uint16_t aChannel = 0, const KyString &aLocalIPAddress = KyString(),
                  uint32_t aBuffersCapacity = 64);
    /// Unicast on the device at an IP address, local port and channel 0.
    ///
    /// @param[in] aInfo the device's IP address as dotted text
    ///
    /// @return as the unicast Open above
    KyResult Open(const KyString &aInfo) override;
    /// Unicast on the device at an IP address.
    ///
    /// @param[in] aInfo the device's IP address as dotted text
    /// @param[in] aLocalPort the local UDP port to receive on; 0 picks a free one
    /// @param[in] aChannel the device's stream channel
    /// @param[in] aLocalIPAddress the local address to receive on; empty: every local address
    /// @param[in] aBuffersCapacity the most buffers queued at a time (0 is refused)
    ///
    /// @return as the unicast Open above
    KyResult Open(const KyString &aInfo, uint16_t aLocalPort, uint16_t aChannel = 0,
                  const KyString &aLocalIPAddress = KyString(), uint32_t aBuffersCapacity = 64);
    /// Multicast on the device at an IP address (see the multicast Open above).
    ///
    /// @param[in] aInfo the device's IP address as dotted text
    /// @param[in] aMulticastAddr the multicast group (dotted text)
    /// @param[in] aDataPort the UDP port the device sends to
    /// @param[in] aChannel the device's stream channel
    /// @param[in] aLocalIPAddress the address of the adapter that joins the group; empty: the
    ///        adapter the device is reached by
    /// @param[in] aBuffersCapacity the most buffers queued at a time (0 is refused)
    ///
    /// @return as the multicast Open above
    KyResult Open(const KyString &aInfo, const KyString &aMulticastAddr, uint16_t aDataPort,
                  uint16_t aChannel = 0, const KyString &aLocalIPAddress = KyString(),
                  uint32_t aBuffersCapacity = 64);
    /// The stream's transport.
    ///
    /// @return KyStreamTypeGEV
    KyStreamType GetType() const override { return KyStreamTypeGEV; }

    /// The data receiver: the user-mode receiver on a UDP port (the default), or a TCP connection to the device (KyDataReceiverTypeTCP), as the stream parameter DataReceiverType chooses for the next Open.
    ///
    /// @return while open, the receiver it was opened with; closed, the one the next Open takes
    KyDataReceiverType GetDataReceiverType() const;
    /// Drops what the stream received and the application has not retrieved yet, for resuming after a pause so that nothing from before it is taken for new data: the packets the receiver has not processed (in its socket or packet ring), the blocks being assembled, and the blocks that ended while the application did not retrieve them (blocks handed back aborted stay). Their buffers stay queued and take the blocks that come next, in the order they were queued.
    /// @return KY_OK; KY_NOT_CONNECTED when the stream is not open
    KyResult FlushPacketQueue();
    /// Whether capture starts only with the first packet of a block.
    ///
    /// @return false: blocks are taken from whichever packet comes first
    bool GetWaitForFirstPacketOfBlockToStart() const { return false; }
    /// Asks capture to start only with the first packet of a block.
    ///
    /// @param[in] aWait true to wait for the first packet
    ///
    /// @return KY_OK for false; KY_NOT_SUPPORTED for true
    KyResult SetWaitForFirstPacketOfBlockToStart(bool aWait);
    /// The local UDP port the stream receives on (the data port of a multicast stream).
    ///
    /// @return the port; 0 while not open
    uint16_t GetLocalPort() const;
    /// The local address the stream receives on.
    ///
    /// @return the address asked for, else the one the device's route leaves from; empty while
    ///        not open
    KyString GetLocalIPAddress() const;
    /// The group of a multicast stream.
    ///
    /// @return the group; empty for unicast or while not open
    KyString GetMulticastIPAddress() const;
    /// The device's IP address.
    ///
    /// @return the address; empty while not open
    KyString GetDeviceIPAddress() const;
    /// The local port that the open asked for.
    ///
    /// @return the port; 0 when none was asked for or the stream is not open
    uint16_t GetSpecificLocalPort() const;
    /// The priority the receive thread runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetUserModeDataReceiverThreadPriority() const;
    /// Sets the receive thread's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetUserModeDataReceiverThreadPriority(uint32_t aPriority);
    /// Size of the receive socket's buffer.
    ///
    /// @param[out] aSize receives the size in bytes: what the kernel granted once open, else what
    ///        was asked for
    ///
    /// @return KY_OK
    KyResult GetUserModeSocketRxBufferSize(uint32_t &aSize);
    /// Asks for a size of the receive socket's buffer; set it before Open.
    ///
    /// @param[in] aSize the size in bytes
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for 0; KY_NETWORK_CONFIG_ERROR once open
    KyResult SetUserModeSocketRxBufferSize(uint32_t aSize);
    /// Size of one receive slot in bytes, 17000 to 65500 (a value outside moves to the nearer bound); set before Open.
    ///
    /// Slots are sized from the datagrams anyway; the value is kept for callers that read it back.
    ///
    /// @param[in] aSize the size in bytes
    ///
    /// @return KY_OK; KY_NETWORK_CONFIG_ERROR once open
    KyResult SetUserModeRxPacketBufferSize(uint32_t aSize);

    /// Whether a kernel receive driver serves the device: this kit has none.
    ///
    /// @param[in] aIPAddress the device's IP address
    /// @param[out] aInstalled receives false
    /// @param[in] aLocalIPAddress not used
    ///
    /// @return KY_OK
    static KyResult IsDriverInstalled(KyString &aIPAddress, bool &aInstalled,
                                      const KyString &aLocalIPAddress = KyString());

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
