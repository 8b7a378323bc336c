// KyDeviceU3V: a USB3 Vision device on the simulated USB host controller.
//
// Connect finds the plugged device by its GUID (from its record or as text), reads its bootstrap
// registers, loads its GenICam features from the XML its manifest lists, and starts the thread
// that brings the device's events (its event endpoint) to the registered sinks. Register and
// memory accesses travel as GenCP commands over the control endpoint. When the device is
// unplugged, the sinks get OnLinkDisconnected once and every later call answers KY_NOT_CONNECTED.
// Disconnect (or the destructor) joins the event thread; deleted from inside one of its own
// callbacks, the device hands that thread to the SDK's reaper instead of joining it.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "ky/device/KyDevice.h"

namespace ky {
namespace device {
class U3vConnection;
class DeviceMemoryPort;
}  // namespace device
}  // namespace ky

class KY_DEVICE_API KyDeviceU3V : public KyDevice
{
public:
    /// Constructor: an unconnected device.
    KyDeviceU3V();
    /// Destructor: disconnects.
    ~KyDeviceU3V() override;

    /// Connects to the USB3 Vision device of a GUID.
    ///
    /// @param[in] aInfo the device's GUID, 12 hexadecimal digits
    ///
    /// @return Includes: KY_OK, KY_NOT_FOUND, KY_STATE_ERROR (already connected)
    KyResult Connect(const KyString &aInfo) override;
    /// Connects to the USB3 Vision device of the record.
    ///
    /// @param[in] aDeviceInfo the device's record (a KyDeviceInfoU3V)
    ///
    /// @return Includes: KY_OK, KY_INVALID_PARAMETER (null record), KY_NOT_SUPPORTED (a record of
    ///        another transport), KY_NOT_FOUND (not plugged), KY_STATE_ERROR (already connected)
    KyResult Connect(const KyDeviceInfo *aDeviceInfo) override;
    // KY_NOT_CONNECTED when not connected; KY_STATE_ERROR from inside the device's own callbacks
    // (free the device there instead).
    KyResult Disconnect() override;
    bool IsConnected() const override;

    /// Enables a stream channel (channel 0 only; the stream sets up the device's stream interface).
    ///
    /// @param[in] aChannel the stream channel
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER (another channel)
    KyResult StreamEnable(uint32_t aChannel = 0) override;
    /// Disables a stream channel (channel 0 only).
    ///
    /// @param[in] aChannel the stream channel
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER (another channel)
    KyResult StreamDisable(uint32_t aChannel = 0) override;

    /// Reads one 32-bit register (little-endian, as USB3 Vision carries it).
    ///
    /// @param[in] aAddress the register's address
    /// @param[out] aValue receives the value
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER
    KyResult ReadRegister(int64_t aAddress, uint32_t &aValue);
    /// Writes one 32-bit register (little-endian, as USB3 Vision carries it).
    ///
    /// @param[in] aAddress the register's address
    /// @param[in] aValue the value
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED, KY_INVALID_PARAMETER
    KyResult WriteRegister(int64_t aAddress, uint32_t aValue);
    KyResult WaitForMessagingChannelIdle(uint32_t aTimeout) override;
    KyResult DumpGenICamXML(const KyString &aFilename) override;
    KyResult GetDefaultGenICamXMLFilename(KyString &aFilename) override;
    /// The connected device's unique ID: its GUID.
    ///
    /// @param[out] aUniqueID receives the GUID
    ///
    /// @return Includes: KY_OK, KY_NOT_CONNECTED
    KyResult GetUniqueID(KyString &aUniqueID) override;

    /// The connected device's USB3 Vision GUID.
    ///
    /// @return 12 hexadecimal digits; empty when not connected
    KyString GetGUID() const;

protected:
    KyResult TransportReadMemory(uint64_t aAddress, uint8_t *aDestination, size_t aByteCount) override;
    KyResult TransportWriteMemory(uint64_t aAddress, const uint8_t *aSource, size_t aByteCount) override;
    void ApplyThreadPriorities() override;

private:
    void LoadParameters();

    std::unique_ptr<ky::device::U3vConnection> mConnection;
    std::unique_ptr<ky::device::DeviceMemoryPort> mPort;
    std::vector<uint8_t> mFile;  // the GenICam file as the device serves it
    bool mFileZipped = false;
};
