// KySoftDeviceGEV: a GigE Vision camera made of software. Once started on a network adapter it
// answers GVCP (UDP 3956) on device threads: discovery, register and memory access, FORCEIP,
// control privilege with heartbeat, and events on its message channel.
//
// Life cycle: construct; RegisterEventSink, AddStream and the other setters; Start(MAC) with the
// MAC address of the adapter ("00:00:00:00:00:00" is the loopback adapter); while running use
// GetInfo, GetRegisterMap, GetStatistics and GetMessagingChannel (null otherwise; owned by the
// device, valid until Stop); Stop joins every device thread; the destructor stops a running device.
// The device keeps its identity, user-defined name and persistent IP configuration across
// Stop/Start of the same object.
//
// Results: Start gives KY_STATE_ERROR when running, KY_INVALID_PARAMETER for a malformed MAC or an
// IP (SetIPAddress) that the adapter does not have, KY_NOT_FOUND when no adapter has the MAC,
// KY_NETWORK_ERROR when the GVCP port cannot be opened. Stop gives KY_STATE_ERROR when not running
// and KY_THREAD_ERROR when called on a device thread (an event sink or a source: it cannot join
// itself). Stop may be called from several threads at once: one stops the device, the others wait
// for it and then give KY_STATE_ERROR, as does a Stop from the stop's own notifications
// (OnApplicationDisconnect, OnControlChannelStop). Sinks and sources may call the device's setters
// while it stops.
// Event sinks and sources are kept as plain pointers; the caller keeps them alive while registered.
//
// Streams: each source given to AddStream (at most 4) becomes stream channel 0, 1, ... with an
// owned thread that drives it (see IKyStreamingChannelSource.h) and sends its frames with GVSP to
// the controller's SCDA:SCP, in packets of the SCPS size (default 1500) with the SCPD delay, one
// datagram per packet; PACKETRESEND is served from the last 8 frames sent, while an application
// holds control only to its host and to the channel's destination (SCDA). The GenICam XML offers
// the first channel's Width, Height, OffsetX, OffsetY, PixelFormat, PayloadSize, AcquisitionMode,
// AcquisitionStart, AcquisitionStop, TriggerMode, TriggerSource and ExposureTime.
//
// RTP (SetRTPProtocolEnabled before Start): each channel's GevSCProtocol (GVSP or RTP, register
// +0x48 of its feature block; +0x4C tells what it offers) chooses its transport while it does
// not stream. Over RTP a channel sends images of an RTP sampling (RGB8, BGR8, RGBa8, BGRa8 and
// the 8-bit YCbCr layouts) as RFC 4175 line segments and buffers holding an H.264 access unit
// (payload type KyPayloadTypeH264, Annex B) as RFC 6184 NAL unit and FU-A packets, payload type
// 96, to SCDA:SCP in datagrams of the SCPS size; while it streams it announces the session by
// SAP on 224.2.127.254:9875 (TTL 1) every half second with its SDP description, and withdraws
// it with a SAP deletion when it stops. Frame events are sent as for GVSP; there are no resends.
//
// Frame events: for every frame it sends, a stream channel fires ExposureEnd (event 0x0004) and
// AcquisitionTransferStart (0x0005) before the frame's packets and AcquisitionTransferEnd (0x0006)
// after them, each only while the controller has switched its EventNotification on (through
// EventSelector) and has a message channel. Each carries the frame's block ID and channel index,
// the device's time stamp, and as data the block ID again (8 bytes, big-endian). Each event waits
// for the controller's acknowledge before the frame goes on.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <memory>

#include "ky/virtualdevice/IKySoftDeviceGEV.h"

class KY_VIRTUALDEVICE_API KySoftDeviceGEV : public IKySoftDeviceGEV
{
public:
    /// A device that does not run yet.
    KySoftDeviceGEV();
    /// Stops a running device.
    ~KySoftDeviceGEV() override;
    KySoftDeviceGEV(const KySoftDeviceGEV &) = delete;
    KySoftDeviceGEV &operator=(const KySoftDeviceGEV &) = delete;

    KyResult AddStream(IKyStreamingChannelSource *aSource) override;
    KyResult SetUserSetCount(uint32_t aCount) override;
    KyResult SetUserSetNotify(IKyUserSetNotify *aUserSetNotify) override;
    KyResult SetTCPTransportEnabled(bool aEnabled) override;
    KyResult SetRTPProtocolEnabled(bool aEnabled) override;
    KyResult SetActionHandler(KyVirtualDeviceLib::IActionHandler *aActionHandler) override;
    KyResult RegisterEventSink(IKySoftDeviceGEVEventSink *aEventSink) override;
    KyResult UnregisterEventSink(IKySoftDeviceGEVEventSink *aEventSink) override;
    KyResult Start(const KyString &aMACAddress) override;
    KyResult Stop() override;
    IKySoftDeviceGEVInfo *GetInfo() override;
    IKyRegisterMap *GetRegisterMap() override;
    IKySoftDeviceGEVStatistics *GetStatistics() override;
    IKyMessageChannel *GetMessagingChannel() override;
    KyResult GetGenICamXMLFile(KyString &aXMLFile) const override;

    /// Whether buffers are timestamped when queued (default true); false keeps the program's timestamps.
    ///
    /// @param[in] aEnabled the switch
    ///
    /// @return KY_OK
    KyResult SetStreamTimestamping(bool aEnabled);

    // Test only: the sender of stream channel aChannel (AddStream order) leaves out this fraction
    // (0 to 1) of its first transmissions, chosen by a generator seeded with aSeed, so that
    // receivers must ask for them again. Works before Start and while running.
    // KY_INVALID_PARAMETER for a fraction outside 0 to 1 or a channel with no stream.
    KyResult SetStreamTestDropFraction(uint32_t aChannel, double aFraction, uint32_t aSeed = 1);

    // Which of the adapter's IPv4 addresses the device uses (default: the first). Before Start;
    // Start refuses an address the adapter does not have.
    KyResult SetIPAddress(const KyString &aIPAddress);
    // Off by default. When on, a FORCEIP also adds the forced address to the adapter (and a
    // restart of the IP configuration removes it again), so that controllers reach the device
    // at its new address. Changes the host's network configuration: use only inside a private
    // network namespace. Before Start.
    KyResult SetApplyForcedIP(bool aEnabled);
    // Off by default: the GenICam XML is served as it is ("Local:KySoftDevice.xml;..."). On, it
    // is served as a zip archive ("Local:KySoftDevice.zip;..."); GetGenICamXMLFile still gives
    // the XML text. Before Start.
    KyResult SetGenICamXMLZipped(bool aZipped);

    class Impl;

private:
    std::unique_ptr<Impl> mImpl;
};
