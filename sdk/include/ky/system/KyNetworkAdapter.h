// KyNetworkAdapter: a host network interface and its IPv4 configuration, as found by
// KySystem::Find. The loopback interface is an adapter too (MAC 00:00:00:00:00:00).
#pragma once

#include "ky/system/KySystemExport.h"

#include <cstdint>
#include <vector>

#include "ky/system/KyInterface.h"

class KY_SYSTEM_API KyNetworkAdapter : public KyInterface
{
public:
    KyNetworkAdapter();  // an empty adapter that no discovery filled
    ~KyNetworkAdapter() override;
    KyInterface *Copy() const override;

    KyString GetMACAddress() const { return mMACAddress; }  // "00:11:22:33:44:55"
    KyString GetDescription() const { return mDescription; }
    uint32_t GetIPAddressCount() const { return static_cast<uint32_t>(mIPAddresses.size()); }
    // Address and mask of the same index; an empty text for an index out of range.
    KyString GetIPAddress(uint32_t aIndex) const;
    KyString GetSubnetMask(uint32_t aIndex) const;
    // The default gateway routed through this adapter; "0.0.0.0" when there is none.
    KyString GetDefaultGateway() const { return mDefaultGateway; }
    bool IsTesmarDriverInstalled() const { return false; }

private:
    friend class KySystem;

    KyString mMACAddress;
    KyString mDescription;
    std::vector<KyString> mIPAddresses;
    std::vector<KyString> mSubnetMasks;
    KyString mDefaultGateway;
};
