// KyDeviceEventSink: callbacks of a connected device (KyDevice::RegisterEventSink).
//
// Calling threads: OnLinkDisconnected runs on the device's heartbeat thread; OnEvent and
// OnEventGenICam on its event (interrupt queue) thread; OnCmdLinkRead and OnCmdLinkWrite on the
// thread that made the read or write. The device guards every call: an exception thrown by a sink
// is caught and logged, never propagated.
//
// What a callback may do with its device:
// - Register and unregister sinks, itself too. Sinks are called on a copy of the list, without
//   the device's lock held, so a sink may also wait for a lock of the application's that another
//   thread holds while it unregisters that sink. A sink unregistered during a round of calls is
//   not called in the rest of it; a call already running on another thread may still be running
//   when UnregisterEventSink returns (Disconnect, which joins the device's threads, or
//   WaitForMessagingChannelIdle wait for it).
// - Free the device (KyDevice::Free, or delete a KyDeviceGEV) from OnLinkDisconnected, OnEvent or
//   OnEventGenICam: the device releases control and closes; the thread running the callback is
//   not joined by itself but handed to the SDK's reaper, and once the callback returns nothing of
//   the device is touched and no further sink is called for that event. The device pointer is
//   invalid once Free returns.
// - Not Connect or Disconnect: they return KY_STATE_ERROR from inside the device's own threads.
// A sink must stay alive while it is registered (and while a call into it may still run).
// Freeing the device from OnCmdLinkRead or OnCmdLinkWrite is not supported: they run inside the
// application's own read or write call on that device.
#pragma once

#include "ky/device/KyDeviceExport.h"

#include <cstdint>

class KyDevice;
class KyGenParameterList;

class KY_DEVICE_API KyDeviceEventSink
{
public:
    /// A sink whose operations do nothing; derive from it to receive a device's calls.
    KyDeviceEventSink();
    /// Destructor.
    virtual ~KyDeviceEventSink();

    /// The device stopped answering (heartbeat failed) or lost control; it is disconnected.
    ///
    /// @param[in] aDevice the device
    virtual void OnLinkDisconnected(KyDevice *aDevice);
    /// Kept for interface compatibility: the SDK does not reconnect by itself and never calls it.
    ///
    /// @param[in] aDevice the device
    virtual void OnLinkReconnected(KyDevice *aDevice);
    /// A raw GigE Vision event as received.
    ///
    /// Channel 0xFFFF means no streaming channel, block ID 0 no block, timestamp 0 no timestamp. aData
    /// (aDataLength bytes, device byte order) is valid during the call only; aData is null when
    /// aDataLength is 0.
    ///
    /// @param[in] aDevice the device
    /// @param[in] aEventID the event's ID
    /// @param[in] aChannel the stream channel it belongs to
    /// @param[in] aBlockID the block it belongs to
    /// @param[in] aTimestamp the device's time stamp
    /// @param[in] aData the event's data
    /// @param[in] aDataLength bytes of data
    virtual void OnEvent(KyDevice *aDevice, uint16_t aEventID, uint16_t aChannel, uint64_t aBlockID,
                         uint64_t aTimestamp, const void *aData, uint32_t aDataLength);
    /// The same event with the GenICam parameters it invalidated.
    ///
    /// @param[in] aDevice the device
    /// @param[in] aEventID the event's ID
    /// @param[in] aChannel the stream channel it belongs to
    /// @param[in] aBlockID the block it belongs to
    /// @param[in] aTimestamp the device's time stamp
    /// @param[in] aData the parameters, or null
    virtual void OnEventGenICam(KyDevice *aDevice, uint16_t aEventID, uint16_t aChannel, uint64_t aBlockID,
                                uint64_t aTimestamp, KyGenParameterList *aData);
    /// After a successful read on the control link.
    ///
    /// aBuffer holds the bytes as they travel (big-endian for 4-byte register values); valid during the
    /// call only.
    ///
    /// @param[in] aBuffer the bytes read
    /// @param[in] aAddress the address read
    /// @param[in] aLength bytes read
    virtual void OnCmdLinkRead(const void *aBuffer, int64_t aAddress, int64_t aLength);
    /// After a successful write on the control link.
    ///
    /// aBuffer holds the bytes as they travel (big-endian for 4-byte register values); valid during the
    /// call only.
    ///
    /// @param[in] aBuffer the bytes written
    /// @param[in] aAddress the address written
    /// @param[in] aLength bytes written
    virtual void OnCmdLinkWrite(const void *aBuffer, int64_t aAddress, int64_t aLength);
};
