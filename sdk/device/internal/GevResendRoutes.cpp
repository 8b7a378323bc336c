#include "GevResendRoutes.h"

#include "GvcpClient.h"

#include <exception>

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
    std::unique_lock<std::mutex> lock(mMutex);
    auto found = mRoutes.find(deviceIp);
    if (found != mRoutes.end() && found->second == client)
        mRoutes.erase(found);
    mUnused.wait(lock, [&] { return mUsers.count(client) == 0; });
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

KyResult GevResendRoutes::Use(uint32_t deviceIp, const std::function<KyResult(GvcpClient &)> &access)
{
    GvcpClient *client = nullptr;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        auto found = mRoutes.find(deviceIp);
        if (found == mRoutes.end())
            return KyResult(KY_NOT_CONNECTED, "this process does not control the device");
        client = found->second;
        ++mUsers[client];
    }
    KyResult result;
    try {
        result = access(*client);
    } catch (const std::exception &e) {
        result = KyResult(KY_GENERIC_ERROR, e.what());
    }
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (--mUsers[client] == 0)
            mUsers.erase(client);
    }
    mUnused.notify_all();
    return result;
}

KyResult GevResendRoutes::ReadRegisters(uint32_t deviceIp, const std::vector<uint32_t> &addresses,
                                        std::vector<uint32_t> &values, uint32_t &localIp)
{
    values.assign(addresses.size(), 0);
    return Use(deviceIp, [&](GvcpClient &client) {
        for (size_t i = 0; i < addresses.size(); ++i) {
            KyResult result = client.ReadRegister(addresses[i], values[i]);
            if (result.IsFailure())
                return result;
        }
        localIp = client.LocalIP();
        return KyResult();
    });
}

KyResult GevResendRoutes::WriteRegisters(uint32_t deviceIp,
                                         const std::vector<std::pair<uint32_t, uint32_t>> &writes)
{
    return Use(deviceIp, [&](GvcpClient &client) {
        for (const auto &write : writes) {
            KyResult result = client.WriteRegister(write.first, write.second);
            if (result.IsFailure())
                return result;
        }
        return KyResult();
    });
}

}  // namespace device
}  // namespace ky
