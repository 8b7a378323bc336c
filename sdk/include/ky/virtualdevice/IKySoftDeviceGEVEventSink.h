// IKySoftDeviceGEVEventSink: notifications of a software device. Every operation does nothing
// unless overridden. OnCreateCustomRegisters and then OnCreateCustomGenApiFeatures run inside
// Start on the caller's thread (GetRegisterMap works there: declare features on the registers
// made in OnCreateCustomRegisters; the factory is valid during the call only); the others on
// device threads. A sink that throws is caught by the device and logged.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include <cstdint>

#include "ky/base/KyEnums.h"
#include "ky/base/KyString.h"

class IKySoftDeviceGEV;
class IKyRegisterFactory;
class IKyGenApiFactory;

class KY_VIRTUALDEVICE_API IKySoftDeviceGEVEventSink
{
public:
    IKySoftDeviceGEVEventSink() = default;
    virtual ~IKySoftDeviceGEVEventSink() { }

    // A controller took control: its address, UDP port and the access it holds.
    virtual void OnApplicationConnect(IKySoftDeviceGEV *aDevice, const KyString &aIPAddress, uint16_t aPort,
                                      KyAccessType aAccessType)
    {
        (void)aDevice, (void)aIPAddress, (void)aPort, (void)aAccessType;
    }
    // GVCP is being served: local MAC, IP, mask, gateway and port (3956).
    virtual void OnControlChannelStart(IKySoftDeviceGEV *aDevice, const KyString &aMACAddress,
                                       const KyString &aIPAddress, const KyString &aMask,
                                       const KyString &aGateway, uint16_t aPort)
    {
        (void)aDevice, (void)aMACAddress, (void)aIPAddress, (void)aMask, (void)aGateway, (void)aPort;
    }
    // The controller released control, or lost it when its heartbeat stopped.
    virtual void OnApplicationDisconnect(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    virtual void OnControlChannelStop(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    virtual void OnDeviceResetFull(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    // The network configuration changed, as after FORCEIP.
    virtual void OnDeviceResetNetwork(IKySoftDeviceGEV *aDevice) { (void)aDevice; }
    virtual void OnCreateCustomRegisters(IKySoftDeviceGEV *aDevice, IKyRegisterFactory *aFactory)
    {
        (void)aDevice, (void)aFactory;
    }
    virtual void OnCreateCustomGenApiFeatures(IKySoftDeviceGEV *aDevice, IKyGenApiFactory *aFactory)
    {
        (void)aDevice, (void)aFactory;
    }
};
