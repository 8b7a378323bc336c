// SoftMessageChannel: sends EVENT and EVENTDATA commands to the controller's message channel
// destination (MCDA, MCP) and waits for each acknowledge, retrying as MCTT and MCRC say. A
// destination that is a host's TCP connection to the device (SoftTcpServer) is reached over it.
#pragma once

#include <mutex>

#include "ky/virtualdevice/IKyMessageChannel.h"
#include "gvcp/SoftControlPrivilege.h"
#include "gvcp/SoftTcpServer.h"
#include "registers/SoftDeviceRegisters.h"
#include "SoftDeviceStatistics.h"
#include "registers/SoftRegisterMap.h"
#include "gev/UdpSocket.h"

namespace ky::soft {

class SoftMessageChannel : public IKyMessageChannel
{
public:
    SoftMessageChannel(SoftRegisterMap &map, SoftControlPrivilege &privilege,
                       SoftDeviceStatistics &statistics, SoftDeviceContext &context)
        : mMap(map), mPrivilege(privilege), mStatistics(statistics), mContext(context)
    { }

    // Opens the sending socket on the device's address; its port shows in MCSP.
    KyResult Open(uint32_t ip);
    void Close();
    uint16_t SourcePort() const { return mSocket.LocalPort(); }
    // The device's TCP transport, where a destination may be a connection; before Open.
    void SetTcp(SoftTcpServer *tcp) { mTcp = tcp; }

    KyResult FireEvent(uint16_t aEventID, uint64_t aBlockID = 0, uint16_t aChannelIndex = 0xFFFF) override;
    KyResult FireEvent(uint16_t aEventID, uint8_t *aData, uint32_t aDataLength, uint64_t aBlockID = 0,
                       uint16_t aChannelIndex = 0xFFFF) override;
    bool IsOpened() override;

private:
    bool Destination(uint32_t &ip, uint16_t &port);
    KyResult SendAndWait(const ky::gev::Packet &packet, uint16_t requestId, ky::gev::Command ackCode);
    uint16_t NextRequestId();

    SoftRegisterMap &mMap;
    SoftControlPrivilege &mPrivilege;
    SoftDeviceStatistics &mStatistics;
    SoftDeviceContext &mContext;
    std::mutex mMutex;  // one event in flight
    ky::gev::UdpSocket mSocket;
    SoftTcpServer *mTcp = nullptr;
    uint16_t mRequestId = 0;
};

}  // namespace ky::soft
