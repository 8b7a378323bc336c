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
    // adapter's address). Returns the address the device now also answers on, 0 for none. An
    // address that an earlier FORCEIP added and this one replaces stays on the adapter, so that
    // the acknowledge can still leave from it: it is named in `replaced` (ip 0: none) and taken
    // off with DropForcedIp.
    virtual uint32_t ForceIp(const SoftNetworkConfig &config, SoftNetworkConfig &replaced) = 0;
    // Takes an address that a FORCEIP replaced off the adapter, unless a later FORCEIP took it
    // again.
    virtual void DropForcedIp(const SoftNetworkConfig &replaced) { (void)replaced; }
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
