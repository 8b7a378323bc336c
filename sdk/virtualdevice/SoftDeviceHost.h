// SoftDeviceHost: what the GVCP server needs from the device that owns it.
#pragma once

#include "gvcp/SoftControlPrivilege.h"
#include "registers/SoftDeviceRegisters.h"
#include "gev/Gvcp.h"

namespace ky::soft {

class SoftDeviceHost
{
public:
    virtual ~SoftDeviceHost() = default;

    virtual ky::gev::DiscoveryInfo Identity() = 0;
    virtual void ControlChanged(SoftControlPrivilege::Change change, const SoftPeer &peer,
                                KyAccessType access) = 0;
    // A FORCEIP addressed to this device. All zero restarts the IP configuration (back to the
    // adapter's address). Returns the address the device now also answers on, 0 for none.
    virtual uint32_t ForceIp(const SoftNetworkConfig &config) = 0;
    // A PACKETRESEND for a stream channel: the packets are sent again from the channel's cache.
    virtual void PacketResend(uint16_t channel, uint64_t blockId, uint32_t firstPacketId,
                              uint32_t lastPacketId)
    {
        (void)channel, (void)blockId, (void)firstPacketId, (void)lastPacketId;
    }
    // Where a stream channel sends its packets (SCDA, host order); 0 for none or no such channel.
    virtual uint32_t StreamDestination(uint16_t channel)
    {
        (void)channel;
        return 0;
    }
};

}  // namespace ky::soft
