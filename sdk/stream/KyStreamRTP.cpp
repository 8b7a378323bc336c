#include "ky/stream/KyStreamRTP.h"

#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>

#include "ky/base/KyBaseExport.h"
#include "ky/stream/KySessionInfoSDP.h"
#include "ky/device/KyDeviceInfoGEV.h"
#include "rtp/RtpDeviceSetup.h"
#include "rtp/RtpReceiver.h"
#include "rtp/SdpDescription.h"
#include "StreamCore.h"
#include "StreamLog.h"

struct KY_LOCAL KyStreamRTP::Impl
{
    mutable std::mutex mutex;
    ky::stream::RtpReceiver *receiver = nullptr;  // owned by the stream core: valid while it is open
    const ky::stream::StreamCore *core = nullptr;
    ky::stream::RtpPayloadConfig payload;
    ky::stream::RtpEndpoint endpoint;
    ky::base::ThreadPriority priority;  // of the receive thread
    // The sender's SSRC named by the session description being opened (its Open only).
    bool sessionPinsSsrc = false;
    uint32_t sessionSsrc = 0;

    KyResult OpenOn(ky::stream::StreamCore &core, const ky::stream::RtpEndpoint &where);
    void SetPayload(const ky::stream::RtpPayloadConfig &config)
    {
        std::lock_guard<std::mutex> lock(mutex);
        payload = config;
        if (receiver != nullptr && core->IsOpen())
            receiver->SetPayload(config);
    }
    int64_t Counter(uint64_t ky::stream::RtpReceiverCounters::*field) const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return receiver != nullptr && core->IsOpen() ? static_cast<int64_t>(receiver->Counters().*field) : 0;
    }
};

KyStreamRTP::KyStreamRTP() : mImpl(new Impl())
{
    using Counters = ky::stream::RtpReceiverCounters;
    Impl *impl = mImpl.get();
    impl->core = &Core();
    ky::stream::StreamParameters &parameters = Core().Parameters();
    struct Named
    {
        const char *name;
        const char *tooltip;
        uint64_t Counters::*field;
    };
    const Named counters[] = {
        {"PacketsReceived", "RTP packets read.", &Counters::packetsReceived},
        {"PacketsMalformed", "Datagrams or framed packets that were no RTP packet.",
         &Counters::packetsMalformed},
        {"PacketsIgnored", "Packets of another payload type, or received while no payload was expected.",
         &Counters::packetsIgnored},
        {"PacketsForeign",
         "Packets of another sender than the session's (another SSRC, or for unicast another source address "
         "than the first packet's), dropped.",
         &Counters::packetsForeign},
        {"FramesWithoutBuffer", "Frames that ended while no buffer was queued, and were let go.",
         &Counters::framesWithoutBuffer},
    };
    for (const Named &n : counters)
        parameters.Add(ky::stream::IntegerFeature(n.name, n.tooltip,
                                                  [impl, field = n.field] { return impl->Counter(field); }));
    // The features come from the table above: failing to load them is a fault of this library.
    const KyResult built = parameters.Build();
    if (built.IsFailure())
        ky::stream::StreamLog().LogCritical(__FILE__, __LINE__, "KyStreamRTP",
                                            built.GetDescription().GetAscii());
}

KyStreamRTP::~KyStreamRTP() { Core().Close(); }

KyResult KyStreamRTP::Open(const KyDeviceInfo *aDeviceInfo)
{
    if (aDeviceInfo == nullptr)
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream needs a device information record"));
    const KyDeviceInfoGEV *gev = dynamic_cast<const KyDeviceInfoGEV *>(aDeviceInfo);
    if (gev == nullptr)
        return KyResult(KY_NOT_SUPPORTED, KyString("RTP streams come from GigE Vision devices only"));
    return Open(gev->GetIPAddress());
}

KyResult KyStreamRTP::Open(const KyString &aInfo)
{
    const std::string text = aInfo.str();
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return KyResult(KY_INVALID_PARAMETER, KyString("'" + text + "' is not a device's IPv4 address"));
    if (Core().IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the stream is open already"));
    const uint32_t deviceIp = ntohl(parsed.s_addr);
    ky::stream::RtpDeviceStream device;
    KyResult result = ky::stream::ReadRtpDeviceStream(deviceIp, 0, device);
    if (result.IsFailure())
        return result;
    result = PrepareFor(device.width, device.height, device.pixelType);
    if (result.IsFailure())
        return result;
    in_addr local{};
    local.s_addr = htonl(device.localIp);
    char localText[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local, localText, sizeof localText);
    result = Open(KyString(localText), 0);
    if (result.IsFailure())
        return result;
    result = ky::stream::ChooseRtpDeviceStream(deviceIp, 0, device.localIp, GetLocalPort());
    if (result.IsFailure())
        Core().Close();
    return result;
}

KyResult KyStreamRTP::Impl::OpenOn(ky::stream::StreamCore &core, const ky::stream::RtpEndpoint &where)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (core.IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the stream is open already"));
    ky::stream::RtpEndpoint session = where;
    session.pinSsrc = sessionPinsSsrc;
    session.ssrc = sessionSsrc;
    auto opened = std::make_unique<ky::stream::RtpReceiver>();
    KyResult result = opened->Open(session, payload, priority);
    if (result.IsFailure())
        return result;
    receiver = opened.get();
    endpoint = where;
    core.SetSource(std::move(opened), ky::stream::kDefaultBuffersCapacity, 0);
    return KyResult();
}

KyResult KyStreamRTP::Open(const KySessionInfoSDP *aSession, const KyString &aLocalIpAddress,
                           uint16_t aLocalPort)
{
    if (aSession == nullptr || !aSession->IsValid())
        return KyResult(KY_INVALID_PARAMETER, KyString("a stream needs a loaded session description"));
    if (Core().IsOpen())
        return KyResult(KY_STATE_ERROR, KyString("the stream is open already"));
    ky::stream::RtpPayloadConfig config;
    KyResult prepared;
    if (aSession->GetPayloadType() == KyPayloadTypeH264) {
        config.kind = ky::stream::RtpPayloadKind::H264;
    } else if (aSession->GetPayloadType() == KyPayloadTypeImage) {
        prepared = ky::stream::MakeRawVideoConfig(aSession->GetWidth(), aSession->GetHeight(),
                                                  aSession->GetPixelType(), 0, config);
        if (prepared.IsFailure())
            return prepared;
    }
    if (config.kind != ky::stream::RtpPayloadKind::Undefined) {
        config.payloadType = aSession->GetRTPPayloadType();
        mImpl->SetPayload(config);
    }
    const std::string address = aSession->GetConnectionAddress().str();
    const uint16_t port = aLocalPort != 0 ? aLocalPort : aSession->GetPort();
    // The description may name the sender's SSRC: then only that sender is heard.
    const std::string text = aSession->GetText().str();
    ky::rtp::SdpVideo video;
    std::string error;
    const bool pins = ky::rtp::ParseSdp(text.data(), text.size(), video, error) && video.hasSsrc;
    {
        std::lock_guard<std::mutex> lock(mImpl->mutex);
        mImpl->sessionPinsSsrc = pins;
        mImpl->sessionSsrc = video.ssrc;
    }
    KyResult result;
    in_addr parsed{};
    if (aSession->IsTCP())
        result = OpenTCP(KyString(address), port);
    else if (inet_pton(AF_INET, address.c_str(), &parsed) == 1 && IN_MULTICAST(ntohl(parsed.s_addr)))
        result = Open(KyString(address), port, aLocalIpAddress);
    else
        result = Open(aLocalIpAddress, port);
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    mImpl->sessionPinsSsrc = false;
    return result;
}

KyResult KyStreamRTP::Open(const KyString &aLocalIpAddress, uint16_t aLocalPort)
{
    ky::stream::RtpEndpoint where;
    where.mode = ky::stream::RtpTransportMode::Unicast;
    where.address = aLocalIpAddress.str();
    where.port = aLocalPort;
    return mImpl->OpenOn(Core(), where);
}

KyResult KyStreamRTP::Open(const KyString &aMulticastAddress, uint16_t aDataPort,
                           const KyString &aLocalIpAddress)
{
    ky::stream::RtpEndpoint where;
    where.mode = ky::stream::RtpTransportMode::Multicast;
    where.address = aMulticastAddress.str();
    where.port = aDataPort;
    where.local = aLocalIpAddress.str();
    return mImpl->OpenOn(Core(), where);
}

KyResult KyStreamRTP::OpenTCP(const KyString &aServerIPAddress, uint16_t aServerPort)
{
    ky::stream::RtpEndpoint where;
    where.mode = ky::stream::RtpTransportMode::Tcp;
    where.address = aServerIPAddress.str();
    where.port = aServerPort;
    return mImpl->OpenOn(Core(), where);
}

KyResult KyStreamRTP::PrepareFor(uint32_t aWidth, uint32_t aHeight, KyPixelType aPixelType,
                                 uint16_t aPaddingX)
{
    ky::stream::RtpPayloadConfig config;
    KyResult result = ky::stream::MakeRawVideoConfig(aWidth, aHeight, aPixelType, aPaddingX, config);
    if (result.IsOK())
        mImpl->SetPayload(config);
    return result;
}

KyResult KyStreamRTP::PrepareForH264()
{
    ky::stream::RtpPayloadConfig config;
    config.kind = ky::stream::RtpPayloadKind::H264;
    mImpl->SetPayload(config);
    return KyResult();
}

KyResult KyStreamRTP::ResetPayloadType()
{
    mImpl->SetPayload(ky::stream::RtpPayloadConfig());
    return KyResult();
}

uint16_t KyStreamRTP::GetLocalPort() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    return Core().IsOpen() && mImpl->receiver ? mImpl->receiver->LocalPort() : 0;
}

KyString KyStreamRTP::GetLocalIPAddress() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    if (!Core().IsOpen() || mImpl->receiver == nullptr)
        return KyString();
    switch (mImpl->endpoint.mode) {
    case ky::stream::RtpTransportMode::Tcp:
        return KyString(mImpl->receiver->ConnectionAddress());
    case ky::stream::RtpTransportMode::Multicast:
        return KyString(mImpl->endpoint.local);
    default:
        return KyString(mImpl->endpoint.address);
    }
}

KyString KyStreamRTP::GetMulticastIPAddress() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    const bool multicast = mImpl->endpoint.mode == ky::stream::RtpTransportMode::Multicast;
    return Core().IsOpen() && multicast ? KyString(mImpl->endpoint.address) : KyString();
}

KyString KyStreamRTP::GetTCPServerIPAddress() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    const bool tcp = mImpl->endpoint.mode == ky::stream::RtpTransportMode::Tcp;
    return Core().IsOpen() && tcp ? KyString(mImpl->endpoint.address) : KyString();
}

uint16_t KyStreamRTP::GetTCPServerPort() const
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    const bool tcp = mImpl->endpoint.mode == ky::stream::RtpTransportMode::Tcp;
    return Core().IsOpen() && tcp ? mImpl->endpoint.port : 0;
}

uint32_t KyStreamRTP::GetThreadPriority() const { return mImpl->priority.InEffect(); }

KyResult KyStreamRTP::SetThreadPriority(uint32_t aPriority)
{
    std::lock_guard<std::mutex> lock(mImpl->mutex);
    KyResult result = mImpl->priority.Set(aPriority);
    if (result.IsOK() && mImpl->receiver != nullptr)
        mImpl->receiver->ApplyPriority(mImpl->priority);
    return result;
}
