// RtpChannelSender: a stream channel's frames as RTP, for a channel whose controller chose RTP as
// its transport (GevSCProtocol): images of an RTP sampling (RGB8, BGR8, RGBa8, BGRa8,
// YUV422_8_UYVY, YCbCr422_8_CbYCrY, YCbCr8_CbYCr) as uncompressed video (RFC 4175), buffers that
// hold an H.264 access unit as H.264 (RFC 6184), from the device's address to the channel's
// destination (SCDA:SCP), in datagrams of the channel's packet size. While frames go out the
// session is announced by SAP with its description (the destination, and what the frames
// carry), a new description when that changes; EndSession withdraws it.
//
// Threads: SetDestination and SetPacketSize from the control side, any time; the sends and
// EndSession from the channel thread; Open and Close from the device while the channel thread
// does not run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gev/UdpSocket.h"
#include "ky/base/KyResult.h"
#include "rtp/RtpPacketizer.h"
#include "rtp/SdpWriter.h"
#include "streaming/SapAnnouncer.h"

class KyImage;
class IKyH264AccessUnit;

namespace ky::soft {

class RtpChannelSender
{
public:
    KyResult Open(uint32_t deviceIp, const std::string &sessionName);
    void Close();

    void SetDestination(uint32_t ip, uint16_t port);
    // The channel's packet size (SCPS), IP and UDP headers included.
    void SetPacketSize(uint32_t packetSize);

    // KY_NOT_SUPPORTED for a pixel type RTP does not carry uncompressed or a geometry it cannot
    // describe; KY_STATE_ERROR without a destination; KY_NETWORK_ERROR when a packet could not
    // be sent.
    KyResult SendImage(const KyImage &image);
    KyResult SendH264(const IKyH264AccessUnit &accessUnit);
    void EndSession();

    uint64_t PacketsSent() const { return mPacketsSent; }
    SapAnnouncer &Announcer() { return mAnnouncer; }

private:
    // Announces the description (made by `describe` for a stream of the given version), then
    // sends the frame's packets through `packetize`.
    using Describe = std::function<std::string(const ky::rtp::SdpStream &)>;
    using Packetize = std::function<bool(const ky::rtp::RtpPacketizer::Sink &)>;
    KyResult Send(const Describe &describe, const Packetize &packetize);
    static uint32_t Timestamp();

    uint32_t mDeviceIp = 0;
    std::string mSessionName;
    ky::gev::UdpSocket mSocket;
    std::unique_ptr<ky::rtp::RtpPacketizer> mPacketizer;
    SapAnnouncer mAnnouncer;
    std::atomic<uint64_t> mDestination{0};  // ip << 16 | port
    std::atomic<uint32_t> mPacketSize{1500};
    std::atomic<uint64_t> mPacketsSent{0};
    uint64_t mSessionId = 0;
    uint64_t mVersion = 0;
    std::string mLastDescription;  // as announced, with mVersion
};

}  // namespace ky::soft
