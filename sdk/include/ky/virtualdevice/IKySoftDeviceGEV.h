// IKySoftDeviceGEV: a software GigE Vision device, the interface event sinks receive.
// See KySoftDeviceGEV.h for the life cycle and the results.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/virtualdevice/IKyMessageChannel.h"
#include "ky/virtualdevice/IKyRegisterMap.h"
#include "ky/virtualdevice/IKySoftDeviceGEVEventSink.h"
#include "ky/virtualdevice/IKySoftDeviceGEVInfo.h"
#include "ky/virtualdevice/IKySoftDeviceGEVStatistics.h"
#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class IKyStreamingChannelSource;
class IKyUserSetNotify;
namespace KyVirtualDeviceLib {
class IActionHandler;
}

class KY_VIRTUALDEVICE_API IKySoftDeviceGEV
{
public:
    virtual ~IKySoftDeviceGEV() { }

    /// Adds a stream channel fed by the source; before Start. The source is kept as a plain pointer.
    ///
    /// @param[in] aSource the source
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null), KY_STATE_ERROR (running), KY_NOT_SUPPORTED (4 streams already)
    virtual KyResult AddStream(IKyStreamingChannelSource *aSource) = 0;
    /// The number of user sets besides the default set 0; before Start. Read-write custom registers are saved and loaded through the UserSetSelector, UserSetSave and UserSetLoad features.
    ///
    /// @param[in] aCount at most 256
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (above 256), KY_STATE_ERROR (running)
    virtual KyResult SetUserSetCount(uint32_t aCount) = 0;
    /// The object told when user sets are saved and loaded (kept as a plain pointer).
    ///
    /// @param[in] aUserSetNotify the object, or null
    ///
    /// @return KY_OK
    virtual KyResult SetUserSetNotify(IKyUserSetNotify *aUserSetNotify) = 0;
    /// Offers TCP besides UDP from the next Start: the device then also accepts TCP connections on its GVCP port number, for control, the message channel and streaming, from hosts of this kit that ask for TCP (KyDeviceGEV's link parameter TCPTransport, KyStreamGEV's data receiver type KyDataReceiverTypeTCP). UDP keeps working as before.
    ///
    /// @param[in] aEnabled the switch
    ///
    /// @return KY_OK
    virtual KyResult SetTCPTransportEnabled(bool aEnabled) = 0;
    /// Whether the stream channels offer RTP beside GVSP (from the next Start): GevSCProtocol then chooses a channel's transport. A channel set to RTP sends images (RFC 4175) and H.264 access units (RFC 6184) to its destination, and announces the session by SAP on 224.2.127.254:9875 while it streams (KySoftDeviceGEV.h).
    ///
    /// @param[in] aEnabled the switch (default off)
    ///
    /// @return KY_OK
    virtual KyResult SetRTPProtocolEnabled(bool aEnabled) = 0;
    /// The handler of action commands (kept as a plain pointer).
    ///
    /// @param[in] aActionHandler the handler, or null
    ///
    /// @return KY_OK
    virtual KyResult SetActionHandler(KyVirtualDeviceLib::IActionHandler *aActionHandler) = 0;
    /// Adds a sink of the device's notifications (kept as a plain pointer).
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null or already registered)
    virtual KyResult RegisterEventSink(IKySoftDeviceGEVEventSink *aEventSink) = 0;
    /// Removes a sink.
    ///
    /// @param[in] aEventSink the sink
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (null or not registered)
    virtual KyResult UnregisterEventSink(IKySoftDeviceGEVEventSink *aEventSink) = 0;
    /// Starts serving GigE Vision on the adapter with this MAC address; the sinks' creation callbacks run inside, on the calling thread.
    ///
    /// @param[in] aMACAddress the adapter's MAC address ("00:00:00:00:00:00": the loopback adapter)
    ///
    /// @return KY_OK, KY_STATE_ERROR (running), KY_INVALID_PARAMETER (malformed MAC), KY_NOT_FOUND (no such adapter), KY_GENERIC_ERROR (a creation callback failed), or the XML's or the network's failure
    virtual KyResult Start(const KyString &aMACAddress) = 0;
    /// Stops the device and joins its threads.
    ///
    /// @return KY_OK, KY_STATE_ERROR (not running), KY_THREAD_ERROR (called from a device thread)
    virtual KyResult Stop() = 0;
    virtual IKySoftDeviceGEVInfo *GetInfo() = 0;
    virtual IKyRegisterMap *GetRegisterMap() = 0;
    virtual IKySoftDeviceGEVStatistics *GetStatistics() = 0;
    virtual IKyMessageChannel *GetMessagingChannel() = 0;
    /// The GenICam XML file that Start built (also after a failed Start).
    ///
    /// @param[out] aXMLFile receives the text (Python: the result is (KyResult, str or None))
    ///
    /// @return KY_OK, KY_STATE_ERROR (before the first Start)
    virtual KyResult GetGenICamXMLFile(KyString &aXMLFile) const = 0;
};
