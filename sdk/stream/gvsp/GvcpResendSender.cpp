#include "gvsp/GvcpResendSender.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "ky/base/KyEnums.h"
#include "gev/Gvcp.h"
#include "internal/GevResendRoutes.h"

namespace ky::gev {
namespace {

constexpr size_t kRememberedBlocks = 32;

}  // namespace

KyResult GvcpResendSender::Open(const std::string &localAddress, const std::string &deviceAddress,
                                uint16_t devicePort, uint16_t channel)
{
    Close();
    mAsked.clear();
    mAskedOrder.clear();
    mChannel = channel;
    sockaddr_in device{};
    KyResult result = gev::UdpSocket::MakeAddress(deviceAddress, devicePort, device);
    if (result.IsFailure())
        return result;
    result = mSocket.Open(localAddress, 0);
    if (result.IsFailure())
        return result;
    // A connected UDP socket: the kernel picks the route now, and sends need no address.
    sockaddr_in local{};
    result = mSocket.Connect(device, local);
    if (result.IsFailure()) {
        mSocket.Close();
        const bool noRoute = result.GetCode() == KY_NOT_CONNECTED;
        return KyResult(result.GetCode(),
                        KyString(noRoute ? "no route from this host to " + deviceAddress
                                         : "cannot read the local address of the route to " + deviceAddress));
    }
    mDeviceIp = ntohl(device.sin_addr.s_addr);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    mRouteAddress = text;
    return KyResult();
}

bool GvcpResendSender::Allowed(uint64_t blockId, uint32_t firstPacketId)
{
    auto found = mAsked.find(blockId);
    if (found == mAsked.end()) {
        if (mAskedOrder.size() >= kRememberedBlocks) {
            mAsked.erase(mAskedOrder.front());
            mAskedOrder.pop_front();
        }
        mAskedOrder.push_back(blockId);
        found = mAsked.emplace(blockId, std::map<uint32_t, uint32_t>()).first;
    }
    uint32_t &times = found->second[firstPacketId];
    if (times > mMaximumRetries)
        return false;
    ++times;
    return true;
}

void GvcpResendSender::Request(uint64_t blockId, uint32_t firstPacketId, uint32_t lastPacketId)
{
    if (!mSocket.IsOpen())
        return;
    if (!Allowed(blockId, firstPacketId)) {
        ++mSkipped;
        return;
    }
    switch (
        device::GevResendRoutes::Instance().Send(mDeviceIp, mChannel, blockId, firstPacketId, lastPacketId)) {
    case device::GevResendRoutes::Outcome::Sent:
        ++mSent;
        ++mSentByController;
        return;
    case device::GevResendRoutes::Outcome::Failed:  // the controller's socket is full: try our own
    case device::GevResendRoutes::Outcome::NoRoute:
        break;
    }
    if (++mRequestId == 0)
        mRequestId = 1;
    const gev::PacketResendCmd command =
        gev::MakePacketResend(mRequestId, mChannel, blockId, firstPacketId, lastPacketId);
    gev::Packet packet;
    if (gev::Build(command, packet) != gev::CodecError::Ok)
        return;
    if (mSocket.Send(packet.data(), packet.size(), true) == static_cast<ssize_t>(packet.size()))
        ++mSent;
}

}  // namespace ky::gev
