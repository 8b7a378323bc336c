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
    /// Constructor.
    KyNetworkAdapter();  // an empty adapter that no discovery filled
    /// Destructor.
    ~KyNetworkAdapter() override;
    KyInterface *Copy() const override;

    /// The adapter's MAC address ("00:11:22:33:44:55").
    ///
    /// @return the MAC address
    KyString GetMACAddress() const { return mMACAddress; }  // "00:11:22:33:44:55"
    /// The operating system's description of the adapter.
    ///
    /// @return the description
    KyString GetDescription() const { return mDescription; }
    /// The number of IPv4 addresses of the adapter.
    ///
    /// @return the index range of GetIPAddress and GetSubnetMask
    uint32_t GetIPAddressCount() const { return static_cast<uint32_t>(mIPAddresses.size()); }
    /// An IPv4 address of the adapter.
    ///
    /// @param[in] aIndex 0 to GetIPAddressCount() - 1
    ///
    /// @return the address; empty for an index out of range
    KyString GetIPAddress(uint32_t aIndex) const;
    /// The subnet mask of the address with the same index.
    ///
    /// @param[in] aIndex 0 to GetIPAddressCount() - 1
    ///
    /// @return the mask; empty for an index out of range
    KyString GetSubnetMask(uint32_t aIndex) const;
    /// The default gateway routed through this adapter.
    ///
    /// @return the gateway; "0.0.0.0" when there is none
    KyString GetDefaultGateway() const { return mDefaultGateway; }
    /// Whether the maker's network driver serves the adapter.
    ///
    /// @return false: no vendor driver is used by this kit
    bool IsTesmarDriverInstalled() const { return false; }

private:
    friend class KySystem;

    KyString mMACAddress;
    KyString mDescription;
    std::vector<KyString> mIPAddresses;
    std::vector<KyString> mSubnetMasks;
    KyString mDefaultGateway;
};
