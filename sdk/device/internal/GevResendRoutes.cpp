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

}  // namespace device
}  // namespace ky
