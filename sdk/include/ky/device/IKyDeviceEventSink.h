// IKyDeviceEventSink: the events of a device, as a device adapter (IKyDeviceAdapter) forwards
// them. The calling threads are those of KyDeviceEventSink (see KyDeviceEventSink.h); a sink is
// called without the adapter's lock held, and an exception it throws is caught and dropped.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <cstdint>

#include "ky/base/KyString.h"

class IKyDeviceAdapter;

class KY_DEVICE_API IKyDeviceEventSink
{
public:
    /// Destructor.
    virtual ~IKyDeviceEventSink() = default;

    /// The device's link was lost; it is disconnected.
    ///
    /// @param[in] aAdapter the adapter of the device
    virtual void OnLinkDisconnected(IKyDeviceAdapter *aAdapter) = 0;
    /// A device event.
    ///
    /// @param[in] aAdapter the adapter of the device
    /// @param[in] aEventID the event's ID
    /// @param[in] aChannel the stream channel it belongs to (0xFFFF: none)
    /// @param[in] aBlockID the block it belongs to (0: none)
    /// @param[in] aTimestamp the device's time stamp (0: none)
    /// @param[in] aData the event's data, valid during the call only (null when aDataLength is 0)
    /// @param[in] aDataLength bytes of data
    virtual void OnEvent(IKyDeviceAdapter *aAdapter, uint16_t aEventID, uint16_t aChannel, uint64_t aBlockID,
                         uint64_t aTimestamp, const void *aData, uint32_t aDataLength) = 0;
    /// A parameter that the adapter watches (RegisterGenInvalidator) may have changed.
    ///
    /// @param[in] aAdapter the adapter of the device
    /// @param[in] aParameterName the parameter's name
    virtual void OnParameterUpdate(IKyDeviceAdapter *aAdapter, const KyString &aParameterName) = 0;
};
