#include "ky/system/KyNetworkAdapter.h"

KyNetworkAdapter::KyNetworkAdapter() : KyInterface(KyInterfaceTypeNetworkAdapter), mDefaultGateway("0.0.0.0")
{ }
KyNetworkAdapter::~KyNetworkAdapter() = default;

KyInterface *KyNetworkAdapter::Copy() const { return new KyNetworkAdapter(*this); }

KyString KyNetworkAdapter::GetIPAddress(uint32_t aIndex) const
{
    return aIndex < mIPAddresses.size() ? mIPAddresses[aIndex] : KyString();
}

KyString KyNetworkAdapter::GetSubnetMask(uint32_t aIndex) const
{
    return aIndex < mSubnetMasks.size() ? mSubnetMasks[aIndex] : KyString();
}
