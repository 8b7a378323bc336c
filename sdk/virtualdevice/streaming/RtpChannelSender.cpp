#include "streaming/RtpChannelSender.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <random>

#include "ky/buffer/IKyH264AccessUnit.h"
#include "ky/buffer/KyImage.h"
#include "rtp/RtpSampling.h"

namespace ky::soft {
namespace {

constexpr uint32_t IP_UDP_HEADERS = 28;

}  // namespace

KyResult RtpChannelSender::Open(uint32_t deviceIp, const std::string &sessionName)
{
    KyResult result = mSocket.Open(deviceIp, 0);
    if (result.IsOK()) {
        // A destination that is a group is reached out of the device's adapter, as a camera's.
        in_addr interface { };
        interface.s_addr = htonl(deviceIp);
        (void)setsockopt(mSocket.Fd(), IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface);
        result = mAnnouncer.Open(deviceIp);
    }
    if (result.IsFailure()) {
        Close();
        return result;
    }
    std::random_device random;
    const uint32_t ssrc = random();
    mPacketizer = std::make_unique<ky::rtp::RtpPacketizer>(ky::rtp::RTP_DYNAMIC_PAYLOAD_TYPE, ssrc);
    mDeviceIp = deviceIp;
    mSessionName = sessionName;
    mSessionId = (static_cast<uint64_t>(random()) << 20) ^ ssrc;
    mVersion = 0;
    mLastDescription.clear();
    return result;
}

void RtpChannelSender::Close()
{
    mAnnouncer.Close();
    mSocket.Close();
}

void RtpChannelSender::SetDestination(uint32_t ip, uint16_t port)
{
    mDestination = (static_cast<uint64_t>(ip) << 16) | port;
}

void RtpChannelSender::SetPacketSize(uint32_t packetSize) { mPacketSize = packetSize; }

KyResult RtpChannelSender::Send(const Describe &describe, const Packetize &packetize)
{
    const uint64_t destination = mDestination;
    const uint32_t ip = static_cast<uint32_t>(destination >> 16);
    const uint16_t port = static_cast<uint16_t>(destination);
    if (ip == 0 || port == 0 || !mSocket.IsOpen() || mPacketizer == nullptr)
        return KyResult(KY_STATE_ERROR, "the stream channel has no destination");
    ky::rtp::SdpStream stream;
    stream.sessionName = mSessionName;
    stream.originIp = mDeviceIp;
    stream.sessionId = mSessionId;
    stream.version = mVersion;
    stream.destinationIp = ip;
    stream.port = port;
    stream.ssrc = mPacketizer->Ssrc();
    std::string description = describe(stream);
    if (description != mLastDescription) {
        // A new destination or format: a new version of the description.
        stream.version = ++mVersion;
        description = describe(stream);
        mLastDescription = description;
    }
    mAnnouncer.Announce(description);
    mPacketizer->SetMaxPacketSize(mPacketSize.load() > IP_UDP_HEADERS ? mPacketSize.load() - IP_UDP_HEADERS
                                                                      : 0);
    bool failed = false;
    const bool sent = packetize([&](const uint8_t *packet, size_t size) {
        if (mSocket.SendTo(packet, size, ip, port) < 0)
            failed = true;  // the next packets still go: a receiver makes the most of a frame
        else
            ++mPacketsSent;
        return true;
    });
    if (!sent)
        return KyResult(KY_NOT_SUPPORTED, "the frame cannot be sent over RTP");
    return failed ? KyResult(KY_NETWORK_ERROR, "packets of the frame could not be sent") : KyResult();
}

KyResult RtpChannelSender::SendImage(const KyImage &image)
{
    const ky::rtp::RtpSampling *sampling = ky::rtp::SamplingOfPixelType(image.GetPixelType());
    if (sampling == nullptr)
        return KyResult(
            KY_NOT_SUPPORTED,
            KyString("RTP carries uncompressed images as RGB8, BGR8, RGBa8, BGRa8, YUV422_8_UYVY, "
                     "YCbCr422_8_CbYCrY or YCbCr8_CbYCr only, not " +
                     std::string(KyImage::PixelTypeToString(image.GetPixelType()).GetAscii())));
    ky::rtp::RtpRawImage raw;
    raw.data = image.GetDataPointer();
    raw.width = image.GetWidth();
    raw.height = image.GetHeight();
    raw.pgroupBytes = sampling->pgroupBytes;
    raw.pgroupPixels = sampling->pgroupPixels;
    raw.stride = raw.height == 0 ? 0 : image.GetImageSize() / raw.height;
    const uint32_t timestamp = Timestamp();
    return Send(
        [&](const ky::rtp::SdpStream &stream) {
            return ky::rtp::WriteRawVideoSdp(stream, *sampling, raw.width, raw.height);
        },
        [&](const ky::rtp::RtpPacketizer::Sink &sink) {
            return mPacketizer->SendRawVideo(raw, timestamp, sink);
        });
}

KyResult RtpChannelSender::SendH264(const IKyH264AccessUnit &accessUnit)
{
    const uint8_t *data = accessUnit.GetDataPointer();
    const size_t size = static_cast<size_t>(accessUnit.GetDataSize());
    const uint32_t timestamp = Timestamp();
    return Send([](const ky::rtp::SdpStream &stream) { return ky::rtp::WriteH264Sdp(stream); },
                [&](const ky::rtp::RtpPacketizer::Sink &sink) {
                    return mPacketizer->SendH264(data, size, timestamp, sink);
                });
}

void RtpChannelSender::EndSession()
{
    mAnnouncer.Withdraw();
    mLastDescription.clear();
}

uint32_t RtpChannelSender::Timestamp()
{
    // The 90 kHz clock of video.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count() * 9 /
                                 100);
}

}  // namespace ky::soft
