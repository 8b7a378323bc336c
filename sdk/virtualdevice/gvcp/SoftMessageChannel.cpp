#include "gvcp/SoftMessageChannel.h"

#include <algorithm>
#include <chrono>

#include "ky/device/KyGevConstants.h"

namespace ky::soft {

using namespace ky::gev;

KyResult SoftMessageChannel::Open(uint32_t ip)
{
    UdpSocket::Options options;
    options.broadcast = true;  // a controller may name a broadcast destination
    options.nonBlocking = true;
    return mSocket.Open(ip, 0, options);
}

void SoftMessageChannel::Close()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mSocket.Close();
}

bool SoftMessageChannel::Destination(uint32_t &ip, uint16_t &port)
{
    SoftRegister *mcda = mMap.Find(MCDA_OFFSET);
    SoftRegister *mcp = mMap.Find(MCP_OFFSET);
    if (!mSocket.IsOpen() || mcda == nullptr || mcp == nullptr || !mPrivilege.HasController()) {
        return false;
    }
    ip = mcda->GetRawU32();
    port = static_cast<uint16_t>(mcp->GetRawU32() & MCP_HOST_PORT_MASK);
    return ip != 0 && port != 0;
}

bool SoftMessageChannel::IsOpened()
{
    uint32_t ip = 0;
    uint16_t port = 0;
    return Destination(ip, port);
}

uint16_t SoftMessageChannel::NextRequestId()
{
    mRequestId = static_cast<uint16_t>(mRequestId == 0xFFFF ? 1 : mRequestId + 1);
    return mRequestId;
}

KyResult SoftMessageChannel::FireEvent(uint16_t aEventID, uint64_t aBlockID, uint16_t aChannelIndex)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!IsOpened()) {
        return KyResult(KY_STATE_ERROR, "the message channel is not open");
    }
    EventCmd command;
    command.header.requestId = NextRequestId();
    command.header.flags = FLAG_ACK_REQUIRED | (NeedsExtendedId(aBlockID) ? FLAG_EXTENDED_ID : 0);
    command.events.push_back(EventItem{aEventID, aChannelIndex, aBlockID, mContext.Timestamp()});
    Packet packet;
    Build(command, packet);
    mStatistics.Count(SoftDeviceStatistics::Events);
    return SendAndWait(packet, command.header.requestId, Command::EVENT_ACK);
}

KyResult SoftMessageChannel::FireEvent(uint16_t aEventID, uint8_t *aData, uint32_t aDataLength,
                                       uint64_t aBlockID, uint16_t aChannelIndex)
{
    const bool extended = NeedsExtendedId(aBlockID);
    const size_t limit = GVCP_MAX_PAYLOAD_SIZE - (extended ? EVENT_ITEM_EXTENDED_SIZE : EVENT_ITEM_SIZE);
    if (aData == nullptr || aDataLength == 0 || aDataLength % 4 != 0 || aDataLength > limit) {
        return KyResult(KY_INVALID_PARAMETER, KyString("event data must be 4 to ") + std::to_string(limit) +
                                                  " bytes, a multiple of 4; got " +
                                                  std::to_string(aDataLength));
    }
    std::lock_guard<std::mutex> lock(mMutex);
    if (!IsOpened()) {
        return KyResult(KY_STATE_ERROR, "the message channel is not open");
    }
    EventDataCmd command;
    command.header.requestId = NextRequestId();
    command.header.flags = FLAG_ACK_REQUIRED | (extended ? FLAG_EXTENDED_ID : 0);
    command.event = EventItem{aEventID, aChannelIndex, aBlockID, mContext.Timestamp()};
    command.data.assign(aData, aData + aDataLength);
    Packet packet;
    Build(command, packet);
    mStatistics.Count(SoftDeviceStatistics::EventDatas);
    return SendAndWait(packet, command.header.requestId, Command::EVENTDATA_ACK);
}

KyResult SoftMessageChannel::SendAndWait(const Packet &packet, uint16_t requestId, Command ackCode)
{
    uint32_t ip = 0;
    uint16_t port = 0;
    Destination(ip, port);
    SoftRegister *mctt = mMap.Find(MCTT_OFFSET);
    SoftRegister *mcrc = mMap.Find(MCRC_OFFSET);
    const int timeoutMs =
        static_cast<int>(mctt ? std::min<uint32_t>(mctt->GetRawU32(), 10000) : MCTT_DEFAULT_MS);
    const uint32_t retries = mcrc ? std::min<uint32_t>(mcrc->GetRawU32(), 100) : MCRC_DEFAULT;
    const std::shared_ptr<SoftTcpLink> link = mTcp ? mTcp->Find(ip, port) : nullptr;
    for (uint32_t attempt = 0; attempt <= retries; ++attempt) {
        if (attempt > 0) {
            mStatistics.Count(SoftDeviceStatistics::EventRetries);
            mStatistics.CountMax(SoftDeviceStatistics::EventRetriesMax, attempt);
        }
        if (link) {
            link->socket.Send(packet.data(), packet.size());
        } else {
            mSocket.SendTo(packet.data(), packet.size(), ip, port);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            uint8_t buffer[64];
            ssize_t size = -1;
            if (link) {
                Packet received;
                if (left <= 0 || !link->WaitAck(received, static_cast<int>(left))) {
                    break;
                }
                size = static_cast<ssize_t>(std::min(received.size(), sizeof(buffer)));
                std::copy(received.begin(), received.begin() + size, buffer);
            } else {
                if (left <= 0 || mSocket.WaitReadable(static_cast<int>(left)) <= 0) {
                    break;
                }
                size = mSocket.Receive(buffer, sizeof(buffer));
            }
            AckHeader ack;
            if (size > 0 && ParseAckHeader(buffer, static_cast<size_t>(size), ack) == CodecError::Ok &&
                ack.acknowledge == ackCode && ack.ackId == requestId) {
                return ack.status == Status::SUCCESS
                           ? KyResult(KY_OK)
                           : KyResult(KY_GENERIC_ERROR,
                                      KyString("the controller answered ") + StatusName(ack.status));
            }
        }
    }
    return KyResult(KY_TIMEOUT, "no acknowledge from the message channel destination");
}

}  // namespace ky::soft
