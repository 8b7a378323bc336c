// GevBlockSource: the GigE Vision transport of a stream: a GVSP receiver whose destinations are
// the queued KyBuffers, and the control socket that asks for missing packets.
#pragma once

#include <memory>

#include "BlockSource.h"
#include "gvsp/GvcpResendSender.h"
#include "gvsp/GvspReceiver.h"

namespace ky::gev {

class GevBlockSource : public stream::BlockSource
{
public:
    // Opens the control socket first (it tells the local address of the route), then the
    // receiver, which only takes packets from the device.
    KyResult Open(const gev::GvspReceiverConfig &config, const std::string &deviceAddress, uint16_t channel);

    bool IsOpen() const override { return mReceiver.IsOpen(); }
    KyResult Queue(KyBuffer *buffer) override;
    KyResult Next(KyBuffer *&buffer, uint32_t timeoutMs) override;
    void Abort() override { mReceiver.Abort(); }
    bool Withdraw(KyBuffer *buffer) override { return mReceiver.Withdraw(buffer); }
    // Drops what arrived and was not retrieved (GvspReceiver::Flush); the buffers stay queued.
    KyResult Flush() { return mReceiver.Flush(); }
    void ApplyPriority(ky::base::ThreadPriority &priority) { mReceiver.ApplyPriority(priority); }
    void Close() override;

    uint16_t LocalPort() const { return mLocalPort; }
    const std::string &RouteAddress() const { return mTcpRoute.empty() ? mResend.RouteAddress() : mTcpRoute; }
    uint32_t SocketBufferSize() const { return mReceiver.SocketBufferSize(); }
    size_t RingBytes() const { return mReceiver.RingBytes(); }
    GvcpResendSender &Resend() { return mResend; }
    gev::GvspReceiverCounters Counters() const { return mReceiver.Counters(); }

private:
    GvcpResendSender mResend;
    gev::GvspReceiver mReceiver;
    uint16_t mLocalPort = 0;
    std::string mTcpRoute;  // of a TCP stream: the local address of its connection
};

}  // namespace ky::gev
