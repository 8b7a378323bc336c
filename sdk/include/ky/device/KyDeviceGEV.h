// KyDeviceGEV: a GigE Vision device over GVCP (UDP port 3956).
//
// Connect takes control of the device (exclusive by default), keeps it with a heartbeat on an
// owned thread, and opens the message channel that brings the device's events to the registered
// sinks. A heartbeat without an answer is sent again until the device's heartbeat timeout has
// passed since the last one answered; only then (or when the device answers that it no longer
// gives us control) is the link lost and OnLinkDisconnected raised. Disconnect (or the destructor) releases control and joins every thread; deleted from
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
}  // namespace device
}  // namespace ky

class KY_DEVICE_API KyDeviceGEV : public KyDevice
{
public:
    /// Constructor.
    KyDeviceGEV();
    /// Destructor
    ~KyDeviceGEV() override;

    /// Connects with exclusive control.
    ///
    /// @param[in] aDeviceInfo the device's record
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null record), KY_STATE_ERROR (already connected),
    ///        KY_TIMEOUT
    KyResult Connect(const KyDeviceInfo *aDeviceInfo) override;
    /// Connects with the access type asked for.
    ///
    /// KyAccessExclusive or KyAccessControl take control; KyAccessOpen and KyAccessReadOnly only read
    /// (no heartbeat, writes are refused by the device). When another application holds control, the
    /// device's refusal comes back.
    ///
    /// @param[in] aDeviceInfo the device's record
    /// @param[in] aAccessType a KyAccessType value
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null record or another access type),
    ///        KY_STATE_ERROR (already connected), KY_TIMEOUT
    KyResult Connect(const KyDeviceInfo *aDeviceInfo, KyAccessType aAccessType);
    /// Connects with exclusive control.
    ///
    /// @param[in] aInfo an IP address, a MAC address, a unique ID or a user-defined name
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND, KY_STATE_ERROR (already connected), KY_TIMEOUT
    KyResult Connect(const KyString &aInfo) override;
    /// Connects with the access type asked for (see the other form).
    ///
    /// @param[in] aInfo an IP address, a MAC address, a unique ID or a user-defined name
    /// @param[in] aAccessType a KyAccessType value
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND, KY_INVALID_PARAMETER, KY_STATE_ERROR (already connected),
    ///        KY_TIMEOUT
    KyResult Connect(const KyString &aInfo, KyAccessType aAccessType);
    // KY_NOT_CONNECTED when not connected; KY_STATE_ERROR from inside the device's own callbacks
    // (free the device there instead).
    KyResult Disconnect() override;
    bool IsConnected() const override;

    KyResult StreamEnable(uint32_t aChannel = 0) override;
    KyResult StreamDisable(uint32_t aChannel = 0) override;
    /// Where the device sends a stream channel: IP address and UDP port.
    ///
    /// @param[in] aIPAddress the receiver's IP address
    /// @param[in] aDataPort the receiver's UDP port
    /// @param[in] aChannel the stream channel (optional, default 0)
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER
    KyResult SetStreamDestination(const KyString &aIPAddress, uint16_t aDataPort, uint32_t aChannel = 0);
    /// Clears the destination of a stream channel.
    ///
    /// @param[in] aChannel the stream channel (optional, default 0)
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    KyResult ResetStreamDestination(uint32_t aChannel = 0);
    /// Sets the packet size of a stream channel.
    ///
    /// @param[in] aPacketSize bytes per packet
    /// @param[in] aChannel the stream channel (optional, default 0)
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    KyResult SetPacketSize(uint32_t aPacketSize, uint32_t aChannel = 0);
    /// Sets the largest packet size the path allows.
    ///
    /// aDefaultPacketSize when not 0, otherwise the MTU of the adapter that reaches the device less the
    /// IP and UDP headers, stepped down until the device takes it.
    ///
    /// @param[in] aChannel the stream channel (optional, default 0)
    /// @param[in] aDefaultPacketSize the size to use (optional, default 0: negotiate)
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    KyResult NegotiatePacketSize(uint32_t aChannel = 0, uint32_t aDefaultPacketSize = 0);

    /// Reads one 32-bit register (address 4-byte aligned).
    ///
    /// In Python the result is a tuple of the result and the value (None unless the result is OK).
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_TIMEOUT
    KyResult ReadRegister(int64_t aAddress, uint32_t &aValue);
    /// Writes one 32-bit register (address 4-byte aligned).
    ///
    /// @param[in] aAddress the register's address
    /// @param[in] aValue the value
    /// @param[in] aAcknowledge false sends the write without asking for (or waiting on) an answer
    ///        (optional, default true)
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_TIMEOUT
    KyResult WriteRegister(int64_t aAddress, uint32_t aValue, bool aAcknowledge = true);

    KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) override;
    KyResult DumpGenICamXML(const KyString &aFilename) override;
    KyResult GetDefaultGenICamXMLFilename(KyString &aFilename) override;
    KyResult GetUniqueID(KyString &aUniqueID) override;

    /// The device's class (transmitter, receiver, ...).
    ///
    /// @return a KyDeviceClass value
    KyDeviceClass GetClass() const;
    /// The connected device's IP address.
    ///
    /// @return the address; empty when not connected
    KyString GetIPAddress() const;  // empty when not connected
    /// The connected device's MAC address.
    ///
    /// @return the MAC address; empty when not connected
    KyString GetMACAddress() const;  // empty when not connected
    /// The access this connection holds.
    ///
    /// @return a KyAccessType value; KyAccessUnknown when not connected
    KyAccessType GetAccessType() const;  // KyAccessUnknown when not connected
    /// The access a device at that address grants now, read from its control register without taking control.
    ///
    /// @param[in] aDeviceIPAddress the device's IP address
    /// @param[out] aAccessType receives KyAccessOpen (free), KyAccessControl or KyAccessExclusive (held by
    ///        someone)
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER, KY_TIMEOUT
    static KyResult GetAccessType(const KyString &aDeviceIPAddress, KyAccessType &aAccessType);
    /// Forces the IP configuration of the device with that MAC address (FORCEIP, sent out of every adapter).
    ///
    /// @param[in] aMACAddress the device's MAC address
    /// @param[in] aIP the new IP address
    /// @param[in] aSubnetMask the new subnet mask (optional, default "255.255.255.0")
    /// @param[in] aGateway the new gateway (optional, default "0.0.0.0")
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (a malformed text), KY_TIMEOUT (no device answered)
    static KyResult SetIPConfiguration(const KyString &aMACAddress, const KyString &aIP,
                                       const KyString &aSubnetMask = "255.255.255.0",
                                       const KyString &aGateway = "0.0.0.0");

protected:
    KyResult TransportReadMemory(uint64_t aAddress, uint8_t *aDestination, size_t aByteCount) override;
    KyResult TransportWriteMemory(uint64_t aAddress, const uint8_t *aSource, size_t aByteCount) override;
    unsigned MemoryAddressBits() const override;
    void ApplyThreadPriorities() override;

private:
    void NotifyRegisterAccess(bool write, int64_t address, uint32_t value);
    // Reads the device's GenICam XML and loads its node map; a failure is logged, not fatal.
    void LoadParameters();

    std::unique_ptr<ky::device::GevConnection> mConnection;
    std::unique_ptr<ky::device::DeviceMemoryPort> mPort;
    std::unique_ptr<ky::device::GevLinkParameters> mLink;
};
