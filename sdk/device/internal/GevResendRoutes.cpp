#include "GevResendRoutes.h"

#include "GvcpClient.h"

namespace ky {
namespace device {

GevResendRoutes &GevResendRoutes::Instance()
{
    // Never destroyed: a stream may still resend while the process exits.
    static GevResendRoutes *const routes = new GevResendRoutes();
    return *routes;
}

void GevResendRoutes::Offer(uint32_t deviceIp, GvcpClient *client)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mRoutes[deviceIp] = client;
}

void GevResendRoutes::Withdraw(uint32_t deviceIp, const GvcpClient *client)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mRoutes.find(deviceIp);
    if (found != mRoutes.end() && found->second == client)
        mRoutes.erase(found);
}

GevResendRoutes::Outcome GevResendRoutes::Send(uint32_t deviceIp, uint16_t channel, uint64_t blockId,
                                               uint32_t firstPacketId, uint32_t lastPacketId)
{
    // Held over the send (a non-blocking one): the link cannot close meanwhile (Withdraw waits).
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mRoutes.find(deviceIp);
    if (found == mRoutes.end())
        return Outcome::NoRoute;
    return found->second->SendPacketResend(channel, blockId, firstPacketId, lastPacketId) ? Outcome::Sent
                                                                                          : Outcome::Failed;
}

KyResult GevResendRoutes::ReadRegisters(uint32_t deviceIp, const std::vector<uint32_t> &addresses,
                                        std::vector<uint32_t> &values, uint32_t &localIp)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mRoutes.find(deviceIp);
    if (found == mRoutes.end())
        return KyResult(KY_NOT_CONNECTED, "this process does not control the device");
    values.assign(addresses.size(), 0);
    for (size_t i = 0; i < addresses.size(); ++i) {
        KyResult result = found->second->ReadRegister(addresses[i], values[i]);
        if (result.IsFailure())
            return result;
    }
    localIp = found->second->LocalIP();
    return KyResult();
}

KyResult GevResendRoutes::WriteRegisters(uint32_t deviceIp,
                                         const std::vector<std::pair<uint32_t, uint32_t>> &writes)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto found = mRoutes.find(deviceIp);
    if (found == mRoutes.end())
        return KyResult(KY_NOT_CONNECTED, "this process does not control the device");
    for (const auto &write : writes) {
        KyResult result = found->second->WriteRegister(write.first, write.second);
        if (result.IsFailure())
            return result;
    }
    return KyResult();
}

}  // namespace device
}  // namespace ky
