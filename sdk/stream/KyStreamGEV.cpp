#include "ky/stream/KyStreamGEV.h"

#include <algorithm>
#include <arpa/inet.h>
#include <mutex>

#include "gvsp/GevBlockSource.h"
#include "ky/base/KyBaseExport.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "StreamCore.h"
#include "StreamLog.h"

namespace {

constexpr uint32_t kDefaultSocketBufferSize = 64u << 20;
constexpr uint32_t kDefaultResendRetries = 3;
constexpr int64_t kMostResendRetries = 1000;
constexpr uint32_t kSmallestPacketBuffer = 17000;
constexpr uint32_t kLargestPacketBuffer = 65500;

bool IsIPv4(const std::string &text)
{
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool IsMulticastGroup(const std::string &text)
{
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 && IN_MULTICAST(ntohl(address.s_addr));
}

}  // namespace

struct KY_LOCAL KyStreamGEV::Impl
{
    mutable std::mutex mutex;
    ky::gev::GevBlockSource *source = nullptr;  // owned by the stream core
    std::string deviceAddress;
    std::string localAddress;      // as asked for; empty: any
    std::string multicastAddress;  // the group of a multicast stream; empty: unicast
    uint16_t specificPort = 0;
    uint32_t socketBufferSize = kDefaultSocketBufferSize;
    uint32_t resendRetries = kDefaultResendRetries;
    ky::base::ThreadPriority priority;  // of the receive thread
    uint32_t packetBufferSize = kSmallestPacketBuffer;
    ky::gev::PacketRingUse ringUse = ky::gev::PacketRingUse::WhereItKeepsUp;
    KyDataReceiverType receiverType = KyDataReceiverTypeUserMode;  // for the next Open
    KyDataReceiverType openedWith = KyDataReceiverTypeUserMode;

    // Opens the stream on the device at `device`: unicast on local:port (port 0: any), or, with a
    // group, multicast on group:port, joined on the adapter of `local` (empty: of the route to
    // the device).
    KyResult OpenOn(ky::stream::StreamCore &core, const std::string &device, const std::string &group,
                    uint16_t port, uint16_t channel, const std::string &local, uint32_t capacity);

    // The receiver counters of the open source, 0 while closed.
    int64_t Counter(uint64_t ky::gev::GvspReceiverCounters::*field) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return source ? static_cast<int64_t>(source->Counters().*field) : 0;
    }
};

KyStreamGEV::KyStreamGEV() : mImpl(new Impl())
{
    using ky::stream::StreamFeature;
    using Counters = ky::gev::GvspReceiverCounters;
    Impl *impl = mImpl.get();
    ky::stream::StreamParameters &parameters = Core().Parameters();
    StreamFeature retries = ky::stream::IntegerFeature(
        "MaximumResendRequestRetryByPacket",
        "How often one missing packet is asked for again after its first request.",
        [impl] {
            std::lock_guard<std::mutex> lock(impl->mutex);
            return static_cast<int64_t>(impl->resendRetries);
        },
        [impl](int64_t value) {
            std::lock_guard<std::mutex> lock(impl->mutex);
            impl->resendRetries = static_cast<uint32_t>(value);
            if (impl->source)
                impl->source->Resend().SetMaximumRetries(impl->resendRetries);
            return KyResult();
        },
        kMostResendRetries);
    parameters.Add(retries);
    parameters.Add(ky::stream::IntegerFeature(
        "PacketRing",
        "When the next Open reads the stream through a packet ring (needs CAP_NET_RAW): 0 never, 1 on links "
        "whose line rate it is sized for (default), 2 wherever it can (loopback included).",
        [impl] {
            std::lock_guard<std::mutex> lock(impl->mutex);
            return static_cast<int64_t>(impl->ringUse);
        },
        [impl](int64_t value) {
            std::lock_guard<std::mutex> lock(impl->mutex);
            impl->ringUse = static_cast<ky::gev::PacketRingUse>(value);
            return KyResult();
        },
        2));
    parameters.Add(ky::stream::IntegerFeature(
        "DataReceiverType",
        "How the next Open receives: 1 the user-mode receiver on a UDP port (default), 2 a TCP connection to "
        "the "
        "device (a soft device of this kit with its TCP transport on).",
        [impl] {
            std::lock_guard<std::mutex> lock(impl->mutex);
            return static_cast<int64_t>(impl->receiverType);
        },
        [impl](int64_t value) {
            if (value != KyDataReceiverTypeUserMode && value != KyDataReceiverTypeTCP)
                return KyResult(KY_NOT_SUPPORTED, KyString("data receiver type " + std::to_string(value) +
                                                           " is not offered: 1 (user mode) or 2 (TCP)"));
            std::lock_guard<std::mutex> lock(impl->mutex);
            impl->receiverType = static_cast<KyDataReceiverType>(value);
            return KyResult();
        },
        KyDataReceiverTypeTCP));
    parameters.Add(ky::stream::IntegerFeature(
        "PacketRingBytes", "Bytes of the packet ring the stream is read through; 0: its UDP socket.", [impl] {
            std::lock_guard<std::mutex> lock(impl->mutex);
            return impl->source ? static_cast<int64_t>(impl->source->RingBytes()) : 0;
        }));
    struct Named
    {
        const char *name;
        const char *tooltip;
        uint64_t Counters::*field;
    };
    const Named counters[] = {
        {"PacketsReceived", "Datagrams read from the stream socket.", &Counters::packetsReceived},
        {"PacketsMalformed", "Datagrams that were no GVSP packet.", &Counters::packetsMalformed},
        {"PacketsDuplicate", "Packets that arrived again after being placed.", &Counters::packetsDuplicate},
        {"PacketsOutOfOrder", "Packets that arrived after a later packet of their block.",
         &Counters::packetsOutOfOrder},
        {"ResendRequests", "Packet ranges asked for again.", &Counters::resendRequests},
        {"ResendPacketsReceived", "Resent packets that filled a hole.", &Counters::resendPacketsReceived},
        {"BlocksWithoutBuffer", "Blocks that found no queued buffer and were let go.",
         &Counters::blocksWithoutBuffer},
        {"BlocksSkipped",
         "Blocks that never arrived: block ids passed over without one packet of theirs (while the receiver "
         "stalled, or the network lost them whole).",
         &Counters::blocksSkipped},
        {"PacketRingRecords",
         "Records the kernel put into the packet ring (0 when the stream reads its socket).",
         &Counters::ringRecords},
        {"PacketRingDrops", "Records the kernel dropped because the packet ring was full.",
         &Counters::ringDrops},
        {"PacketRingFreezes", "Times the kernel found the whole packet ring still with the reader.",
         &Counters::ringFreezes},
    };
    for (const Named &n : counters) {
        parameters.Add(ky::stream::IntegerFeature(n.name, n.tooltip,
                                                  [impl, field = n.field] { return impl->Counter(field); }));
    }
    // The features come from the tables above: failing to load them is a fault of this library.
    const KyResult built = parameters.Build();
    if (built.IsFailure())
        ky::stream::StreamLog().LogCritical(__FILE__, __LINE__, "KyStreamGEV",
                                            built.GetDescription().GetAscii());
}

KyStreamGEV::~KyStreamGEV() { Core().Close(); }

KyResult KyStreamGEV::Open(const KyDeviceInfo *aDeviceInfo) { return Open(aDeviceInfo, 0); }

KyResult KyStreamGEV::Open(const KyString &aInfo) { return Open(aInfo, 0); }

KyResult KyStreamGEV::Open(const KyDeviceInfo *aDeviceInfo, uint16_t aLocalPort, uint16_t aChannel,
                           const KyString &aLocalIPAddress, uint32_t aBuffersCapacity)
{
    if (aDeviceInfo == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream needs a device information record"));
    const KyDeviceInfoGEV *gev = dynamic_cast<const KyDeviceInfoGEV *>(aDeviceInfo);
    if (gev == nullptr)
        return KyResult(KY_NOT_SUPPORTED, KyString("the device is no GigE Vision device"));
    return Open(gev->GetIPAddress(), aLocalPort, aChannel, aLocalIPAddress, aBuffersCapacity);
}

KyResult KyStreamGEV::Open(const KyString &aInfo, uint16_t aLocalPort, uint16_t aChannel,
                           const KyString &aLocalIPAddress, uint32_t aBuffersCapacity)
{
    return mImpl->OpenOn(Core(), aInfo.str(), std::string(), aLocalPort, aChannel, aLocalIPAddress.str(),
                         aBuffersCapacity);
}

KyResult KyStreamGEV::Open(const KyDeviceInfo *aDeviceInfo, const KyString &aMulticastAddr,
                           uint16_t aDataPort, uint16_t aChannel, const KyString &aLocalIPAddress,
                           uint32_t aBuffersCapacity)
{
    if (aDeviceInfo == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream needs a device information record"));
    const KyDeviceInfoGEV *gev = dynamic_cast<const KyDeviceInfoGEV *>(aDeviceInfo);
    if (gev == nullptr)
        return KyResult(KY_NOT_SUPPORTED, KyString("the device is no GigE Vision device"));
    return Open(gev->GetIPAddress(), aMulticastAddr, aDataPort, aChannel, aLocalIPAddress, aBuffersCapacity);
}

KyResult KyStreamGEV::Open(const KyString &aInfo, const KyString &aMulticastAddr, uint16_t aDataPort,
                           uint16_t aChannel, const KyString &aLocalIPAddress, uint32_t aBuffersCapacity)
{
    const std::string group = aMulticastAddr.str();
    if (!IsMulticastGroup(group))
        return KyResult(KY_INVALID_PARAMETER, KyString("'" + group + "' is no IPv4 multicast group"));
    if (aDataPort == 0)
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("a multicast stream needs the port the device sends to"));
    return mImpl->OpenOn(Core(), aInfo.str(), group, aDataPort, aChannel, aLocalIPAddress.str(),
                         aBuffersCapacity);
}

KyResult KyStreamGEV::Impl::OpenOn(ky::stream::StreamCore &core, const std::string &device,
                                   const std::string &group, uint16_t port, uint16_t channel,
                                   const std::string &local, uint32_t capacity)
{
    if (!IsIPv4(device))
        return KyResult(KY_INVALID_PARAMETER, KyString("'" + device + "' is not an IPv4 address"));
    if (!local.empty() && !IsIPv4(local))
        return KyResult(KY_INVALID_PARAMETER, KyString("'" + local + "' is not an IPv4 address"));
    if (capacity == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream must be able to hold one buffer at least"));
    std::lock_guard<std::mutex> lock(mutex);
    if (core.IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the stream is open already"));
    ky::gev::GvspReceiverConfig config;
    config.localAddress = local;
    config.localPort = port;
    config.multicastGroup = group;
    config.socketBufferSize = socketBufferSize;
    config.packetRing = ringUse;
    config.tcp = receiverType == KyDataReceiverTypeTCP;
    if (config.tcp && !group.empty())
        return KyResult(KY_INVALID_PARAMETER, KyString("a TCP stream is received by one host: no multicast"));
    auto opened = std::make_unique<ky::gev::GevBlockSource>();
    KyResult result = opened->Open(config, device, channel);
    if (result.IsFailure())
        return result;
    opened->Resend().SetMaximumRetries(resendRetries);
    opened->ApplyPriority(priority);
    source = opened.get();
    deviceAddress = device;
    localAddress = local;
    multicastAddress = group;
    specificPort = port;
    openedWith = receiverType;
    core.SetSource(std::move(opened), capacity, channel);
    return KyResult();
}

uint16_t KyStreamGEV::GetLocalPort() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return Core().IsOpen() && mImpl->source ? mImpl->source->LocalPort() : 0;
}

KyDataReceiverType KyStreamGEV::GetDataReceiverType() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return Core().IsOpen() ? mImpl->openedWith : mImpl->receiverType;
}

uint16_t KyStreamGEV::GetSpecificLocalPort() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return Core().IsOpen() ? mImpl->specificPort : 0;
}

KyString KyStreamGEV::GetLocalIPAddress() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    if (!Core().IsOpen() || mImpl->source == nullptr)
        return KyString();
    return KyString(mImpl->localAddress.empty() ? mImpl->source->RouteAddress() : mImpl->localAddress);
}

KyString KyStreamGEV::GetMulticastIPAddress() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return Core().IsOpen() ? KyString(mImpl->multicastAddress) : KyString();
}

KyString KyStreamGEV::GetDeviceIPAddress() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return Core().IsOpen() ? KyString(mImpl->deviceAddress) : KyString();
}

KyResult KyStreamGEV::SetUserModeSocketRxBufferSize(uint32_t aSize)
{
    if (aSize == 0)
        return KyResult(KY_INVALID_PARAMETER, KyString("a receive buffer of 0 bytes"));
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    if (Core().IsOpen())
        return KyResult(KY_NETWORK_CONFIG_ERROR,
                        KyString("the receive buffer size is set before the stream is opened"));
    mImpl->socketBufferSize = aSize;
    return KyResult();
}

KyResult KyStreamGEV::GetUserModeSocketRxBufferSize(uint32_t &aSize)
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    aSize = Core().IsOpen() && mImpl->source ? mImpl->source->SocketBufferSize() : mImpl->socketBufferSize;
    return KyResult();
}

KyResult KyStreamGEV::IsDriverInstalled(KyString &, bool &aInstalled, const KyString &)
{
    aInstalled = false;
    return KyResult();
}

KyResult KyStreamGEV::FlushPacketQueue()
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    if (!Core().IsOpen() || mImpl->source == nullptr)
        return KyResult(KY_NOT_CONNECTED, KyString("the stream is not open"));
    return mImpl->source->Flush();
}

KyResult KyStreamGEV::SetWaitForFirstPacketOfBlockToStart(bool aWait)
{
    if (aWait)
        return KyResult(KY_NOT_SUPPORTED,
                        KyString("blocks start with whichever of their packets comes first"));
    return KyResult();
}

uint32_t KyStreamGEV::GetUserModeDataReceiverThreadPriority() const { return mImpl->priority.InEffect(); }

KyResult KyStreamGEV::SetUserModeDataReceiverThreadPriority(uint32_t aPriority)
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    KyResult result = mImpl->priority.Set(aPriority);
    if (result.IsOK() && mImpl->source != nullptr)
        mImpl->source->ApplyPriority(mImpl->priority);
    return result;
}

KyResult KyStreamGEV::SetUserModeRxPacketBufferSize(uint32_t aSize)
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    if (Core().IsOpen())
        return KyResult(KY_NETWORK_CONFIG_ERROR,
                        KyString("the packet buffer size is set before the stream is opened"));
    mImpl->packetBufferSize = std::min(std::max(aSize, kSmallestPacketBuffer), kLargestPacketBuffer);
    return KyResult();
}
