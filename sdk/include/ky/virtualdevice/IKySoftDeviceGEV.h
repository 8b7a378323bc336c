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

    virtual KyResult AddStream(IKyStreamingChannelSource *aSource) = 0;
    virtual KyResult SetUserSetCount(uint32_t aCount) = 0;
    virtual KyResult SetUserSetNotify(IKyUserSetNotify *aUserSetNotify) = 0;
    virtual KyResult SetTCPTransportEnabled(bool aEnabled) = 0;
    virtual KyResult SetRTPProtocolEnabled(bool aEnabled) = 0;
    virtual KyResult SetActionHandler(KyVirtualDeviceLib::IActionHandler *aActionHandler) = 0;
    virtual KyResult RegisterEventSink(IKySoftDeviceGEVEventSink *aEventSink) = 0;
    virtual KyResult UnregisterEventSink(IKySoftDeviceGEVEventSink *aEventSink) = 0;
    virtual KyResult Start(const KyString &aMACAddress) = 0;
    virtual KyResult Stop() = 0;
    virtual IKySoftDeviceGEVInfo *GetInfo() = 0;
    virtual IKyRegisterMap *GetRegisterMap() = 0;
    virtual IKySoftDeviceGEVStatistics *GetStatistics() = 0;
    virtual IKyMessageChannel *GetMessagingChannel() = 0;
    virtual KyResult GetGenICamXMLFile(KyString &aXMLFile) const = 0;
};
