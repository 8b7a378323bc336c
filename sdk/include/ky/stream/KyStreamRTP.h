// KyStreamRTP: receiver of a video stream sent over RTP, by UDP (unicast or multicast) or by a
// TCP connection to a server (RFC 4571 framing: each packet behind its 16-bit length).
//
// Tell the stream what the packets carry before frames are expected: PrepareFor for
// uncompressed images (RFC 4175: lines put together into an image of the given pixel type and
// size), PrepareForH264 for H.264 (RFC 6184: single NAL unit, STAP-A and FU-A packets put
// together into access units in Annex B form, one access unit per buffer). Until then packets
// are counted (PacketsIgnored) and dropped. Opening from a session description does this from
// the description.
//
// Frames then arrive through the stream base: queue buffers, retrieve them filled. A frame with
// lost packets comes back with the operation result KY_MISSING_PACKETS (the packet statistics
// tell how many); a frame whose last packets do not come within a second comes back then with
// what arrived and KY_TIMEOUT; a buffer too small holds what fitted and comes back with
// KY_BUFFER_TOO_SMALL (GetRequiredSize tells the size). A frame that ends while no buffer is
// queued is let go and counted (FramesWithoutBuffer).
//
// The stream hears one sender: the one of the first packet of the expected payload (its SSRC
// and, for unicast, its source address and port), of the SSRC its session description names
// (a=ssrc) where it was opened on one that does. Packets of other senders are counted
// (PacketsForeign) and dropped. When the sender has been silent for two seconds, the next
// sender's first packet names the sender again (a restarted sender picks a new SSRC).
//
// Parameters (GetParameters) add to the stream base's the receiver's counters: PacketsReceived,
// PacketsMalformed, PacketsIgnored, PacketsForeign and FramesWithoutBuffer.
#pragma once

#include "ky/stream/KyStreamExport.h"

#include <cstdint>
#include <memory>

#include "ky/stream/KyStream.h"

class KySessionInfoSDP;

class KY_STREAM_API KyStreamRTP : public KyStream
{
public:
    /// Makes a closed RTP stream that expects no payload yet.
    KyStreamRTP();
    /// Destructor: closes the stream.
    ~KyStreamRTP() override;

    /// Expects uncompressed images: RFC 4175 lines put together into images of this geometry.
    ///
    /// May be called at any time; a frame in progress is dropped.
    ///
    /// @param[in] aWidth the width in pixels
    /// @param[in] aHeight the height in lines
    /// @param[in] aPixelType RGB8, BGR8, RGBa8, BGRa8, YUV422_8_UYVY, YCbCr422_8_CbYCrY or YCbCr8_CbYCr
    /// @param[in] aPaddingX pixels after each line in the buffer (set to 0), as KyImage counts them
    ///
    /// @return KY_OK; KY_NOT_SUPPORTED for another pixel type; KY_INVALID_PARAMETER for a size
    ///        of 0, a width that splits a pixel group, or an image above 1 GiB
    KyResult PrepareFor(uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType, uint16_t aPaddingX = 0);
    /// Expects H.264: one access unit (Annex B) per buffer, payload type KyPayloadTypeH264.
    ///
    /// @return KY_OK
    KyResult PrepareForH264();
    /// Expects no payload: packets are counted and dropped.
    ///
    /// @return KY_OK
    KyResult ResetPayloadType();
    /// Opens on stream channel 0 of a GigE Vision device that offers RTP (the kit's soft device started with SetRTPProtocolEnabled) and that a KyDeviceGEV of this process controls: through that connection the channel's transport becomes RTP (GevSCProtocol) and its destination this stream (unicast on the host address the device is reached from, a free port); the expected payload is the channel's Width, Height and PixelFormat (PrepareFor). Start the acquisition on the device as for GVSP.
    ///
    /// @param[in] aDeviceInfo the device's record
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER (null); KY_NOT_SUPPORTED (no GigE Vision device, a channel that offers no RTP, or a pixel format RTP does not carry uncompressed); KY_NOT_CONNECTED (this process does not control the device); KY_STATE_ERROR (open already); a failed register access's result
    KyResult Open(const KyDeviceInfo *aDeviceInfo) override;
    /// As Open(const KyDeviceInfo *) on the device at this IPv4 address.
    ///
    /// @param[in] aInfo the device's IPv4 address (dotted text)
    ///
    /// @return as Open(const KyDeviceInfo *); KY_INVALID_PARAMETER for text that is no address
    KyResult Open(const KyString &aInfo) override;
    /// Opens on a session description: multicast when its address is a group (joined on the adapter of aLocalIpAddress), else unicast on aLocalIpAddress; over TCP from the description's server when its transport is TCP.
    ///
    /// The expected payload is set from the description (PrepareFor or PrepareForH264) when it tells one.
    ///
    /// @param[in] aSession the description
    /// @param[in] aLocalIpAddress the local address to receive on (empty: any)
    /// @param[in] aLocalPort the local port; 0 takes the description's port
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER for a null or empty description or a bad address;
    ///        otherwise as the unicast, multicast and TCP opens
    KyResult Open(const KySessionInfoSDP *aSession, const KyString &aLocalIpAddress, uint16_t aLocalPort = 0);
    /// Unicast: receives the datagrams sent to a local address and port.
    ///
    /// @param[in] aLocalIpAddress the local address (empty: every local address)
    /// @param[in] aLocalPort the UDP port; 0 picks a free one (GetLocalPort)
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (bad address text), KY_NETWORK_ERROR (the port cannot
    ///        be bound), KY_STATE_ERROR (open already)
    KyResult Open(const KyString &aLocalIpAddress, uint16_t aLocalPort);
    /// Multicast: joins a group and receives what is sent to it on a port.
    ///
    /// Any number of receivers may open on the same group and port.
    ///
    /// @param[in] aMulticastAddress the group (dotted text)
    /// @param[in] aDataPort the UDP port the sender sends to (not 0)
    /// @param[in] aLocalIpAddress the address of the adapter that joins (empty: the system's choice)
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (no group, port 0, bad address text),
    ///        KY_NETWORK_ERROR (cannot bind or join), KY_STATE_ERROR (open already)
    KyResult Open(const KyString &aMulticastAddress, uint16_t aDataPort, const KyString &aLocalIpAddress);
    /// RTP over TCP: connects to a server that sends each RTP packet behind its 16-bit length.
    ///
    /// When the server closes the connection, what was put together so far still ends.
    ///
    /// @param[in] aServerIPAddress the server's address (dotted text)
    /// @param[in] aServerPort the server's port (not 0)
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (bad address, port 0), KY_NOT_CONNECTED (the server
    ///        cannot be reached), KY_STATE_ERROR (open already)
    KyResult OpenTCP(const KyString &aServerIPAddress, uint16_t aServerPort);
    /// The stream's transport.
    ///
    /// @return KyStreamTypeRTP
    KyStreamType GetType() const override { return KyStreamTypeRTP; }

    /// The local port: the UDP port received on (the data port of a multicast stream), or the TCP connection's local port.
    ///
    /// @return the port; 0 while not open
    uint16_t GetLocalPort() const;
    /// The local address: as asked for (empty: every address), or the TCP connection's.
    ///
    /// @return the address; empty while not open
    KyString GetLocalIPAddress() const;
    /// The group of a multicast stream.
    ///
    /// @return the group; empty for unicast, TCP or while not open
    KyString GetMulticastIPAddress() const;
    /// The server of a TCP stream.
    ///
    /// @return the address; empty for UDP or while not open
    KyString GetTCPServerIPAddress() const;
    /// The server's port of a TCP stream.
    ///
    /// @return the port; 0 for UDP or while not open
    uint16_t GetTCPServerPort() const;
    /// The priority the receive thread runs at: 1 to 99 under the real-time FIFO policy, 0 under the normal policy (also wherever the process may not use real-time scheduling).
    ///
    /// @return the priority in effect
    uint32_t GetThreadPriority() const;
    /// Sets the receive thread's priority, at once while it runs and for every later start: 0 to 99, above 0 under the real-time FIFO policy where the process may use it (CAP_SYS_NICE or an RLIMIT_RTPRIO that reaches it), else under the normal policy at 0.
    ///
    /// @param[in] aPriority 0 to 99
    ///
    /// @return KY_OK; KY_INVALID_PARAMETER above 99 (nothing changes)
    KyResult SetThreadPriority(uint32_t aPriority);

private:
    struct Impl;
    std::unique_ptr<Impl> mImpl;
};
