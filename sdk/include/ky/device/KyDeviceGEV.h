// KyDeviceGEV: a GigE Vision device over GVCP (UDP port 3956).
//
// Connect takes control of the device (exclusive by default), keeps it with a heartbeat on an
// owned thread, and opens the message channel that brings the device's events to the registered
// sinks. Disconnect (or the destructor) releases control and joins every thread; deleted from
// inside one of its own callbacks, it hands that thread to the SDK's reaper instead of joining it
// (see KyDeviceEventSink.h). The message channel takes events from the device's address only and
// keeps at most 1024 events waiting for the sinks; others are dropped and counted.
//
// While connected with control, the process's KyStreamGEVs of this device (same IP address) send
// their packet-resend requests from this connection's control socket, where any device takes them.
// A command that the device keeps answering with PENDING_ACK fails with KY_TIMEOUT after the
// larger of 5 s and AnswerTimeout x (CommandRetryCount + 1), so that no device holds the link.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <cstdint>
#include <memory>

#include "ky/device/KyDevice.h"

namespace ky {
namespace device {
class GevConnection;
class GevLinkParameters;
class DeviceMemoryPort;
}
}  // namespace ky

class KY_DEVICE_API KyDeviceGEV : public KyDevice
{
public:
    KyDeviceGEV();
    ~KyDeviceGEV() override;

    // aAccessType: KyAccessExclusive or KyAccessControl take control; KyAccessOpen and
    // KyAccessReadOnly only read (no heartbeat, writes are refused by the device). Anything else
    // is KY_INVALID_PARAMETER. KY_STATE_ERROR when already connected; when another application
    // holds control, the device's refusal.
    KyResult Connect(const KyDeviceInfo *aDeviceInfo) override;
    KyResult Connect(const KyDeviceInfo *aDeviceInfo, KyAccessType aAccessType);
    KyResult Connect(const KyString &aInfo) override;
    KyResult Connect(const KyString &aInfo, KyAccessType aAccessType);
    // KY_NOT_CONNECTED when not connected; KY_STATE_ERROR from inside the device's own callbacks
    // (free the device there instead).
    KyResult Disconnect() override;
    bool IsConnected() const override;

    KyResult StreamEnable(uint32_t aChannel = 0) override;
    KyResult StreamDisable(uint32_t aChannel = 0) override;
    // Where the device sends stream channel aChannel: IP address and UDP port.
    KyResult SetStreamDestination(const KyString &aIPAddress, uint16_t aDataPort, uint32_t aChannel = 0);
    KyResult ResetStreamDestination(uint32_t aChannel = 0);
    KyResult SetPacketSize(uint32_t aPacketSize, uint32_t aChannel = 0);
    // Sets the largest packet size the path allows: aDefaultPacketSize when not 0, otherwise the
    // MTU of the adapter that reaches the device less the IP and UDP headers, stepped down until
    // the device takes it.
    KyResult NegotiatePacketSize(uint32_t aChannel = 0, uint32_t aDefaultPacketSize = 0);

    // One 32-bit register (address 4-byte aligned). aAcknowledge false sends the write without
    // asking for (or waiting on) an answer.
    KyResult ReadRegister(int64_t aAddress, uint32_t &aValue);
    KyResult WriteRegister(int64_t aAddress, uint32_t aValue, bool aAcknowledge = true);

    KyResult ReadMemory(int64_t aAddress, uint8_t *aDestination, int64_t aByteCount) override;
    KyResult WriteMemory(int64_t aAddress, const uint8_t *aSource, int64_t aByteCount) override;
    KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) override;
    KyResult DumpGenICamXML(const KyString &aFilename) override;
    KyResult GetDefaultGenICamXMLFilename(KyString &aFilename) override;
    KyResult GetUniqueID(KyString &aUniqueID) override;

    KyDeviceClass GetClass() const;
    KyString GetIPAddress() const;   // empty when not connected
    KyString GetMACAddress() const;  // empty when not connected
    KyAccessType GetAccessType() const;  // KyAccessUnknown when not connected
    // The access a device at that address grants now, read from its control register without
    // taking control: KyAccessOpen (free), KyAccessControl or KyAccessExclusive (held by someone).
    static KyResult GetAccessType(const KyString &aDeviceIPAddress, KyAccessType &aAccessType);
    // Forces the IP configuration of the device with that MAC address (FORCEIP, sent out of every
    // adapter). KY_INVALID_PARAMETER for a malformed text, KY_TIMEOUT when no device answered.
    static KyResult SetIPConfiguration(const KyString &aMACAddress, const KyString &aIP,
                                       const KyString &aSubnetMask = "255.255.255.0",
                                       const KyString &aGateway = "0.0.0.0");

private:
    void NotifyRegisterAccess(bool write, int64_t address, uint32_t value);
    // Reads the device's GenICam XML and loads its node map; a failure is logged, not fatal.
    void LoadParameters();

    std::unique_ptr<ky::device::GevConnection> mConnection;
    std::unique_ptr<ky::device::DeviceMemoryPort> mPort;
    std::unique_ptr<ky::device::GevLinkParameters> mLink;
};
