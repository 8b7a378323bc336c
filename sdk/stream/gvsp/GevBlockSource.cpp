#include "gvsp/GevBlockSource.h"

#include "gvsp/GvspBufferFill.h"
#include "ky/buffer/KyBuffer.h"
#include "gev/Gvcp.h"
#include "ky/Ipv4Text.h"

namespace ky::gev {

KyResult GevBlockSource::Open(const gev::GvspReceiverConfig &config, const std::string &deviceAddress,
                              uint16_t channel)
{
    gev::GvspReceiverConfig receiverConfig = config;
    receiverConfig.sourceAddress = deviceAddress;
    mTcpRoute.clear();
    if (config.tcp) {
        // The stream's own connection: no resend socket, its local address is the route.
        KyResult result = mReceiver.Open(receiverConfig, nullptr);
        if (result.IsFailure())
            return result;
        mTcpRoute = ky::base::FormatIPv4(mReceiver.TcpLocalIp());
        mLocalPort = mReceiver.LocalPort();
        return KyResult();
    }
    KyResult result = mResend.Open(config.localAddress, deviceAddress, gev::GVCP_PORT, channel);
    if (result.IsFailure())
        return result;
    // A multicast member joins on the adapter asked for, else on the one the device is reached by.
    if (!config.multicastGroup.empty() && config.multicastInterface.empty())
        receiverConfig.multicastInterface =
            config.localAddress.empty() ? mResend.RouteAddress() : config.localAddress;
    result = mReceiver.Open(receiverConfig, [this](uint64_t blockId, uint32_t first, uint32_t last) {
        mResend.Request(blockId, first, last);
    });
    if (result.IsFailure()) {
        mResend.Close();
        return result;
    }
    mLocalPort = mReceiver.LocalPort();
    return KyResult();
}

KyResult GevBlockSource::Queue(KyBuffer *buffer)
{
    return mReceiver.QueueBlock(buffer->GetDataPointer(), buffer->GetSize(), buffer);
}

KyResult GevBlockSource::Next(KyBuffer *&buffer, uint32_t timeoutMs)
{
    gev::GvspCompletedBlock block;
    KyResult result = mReceiver.WaitForBlock(block, timeoutMs);
    if (result.IsFailure())
        return result;
    buffer = static_cast<KyBuffer *>(block.cookie);
    FillBufferFromBlock(block, *buffer);
    return KyResult();
}

void GevBlockSource::Close()
{
    mReceiver.Close();
    mResend.Close();
}

}  // namespace ky::gev
