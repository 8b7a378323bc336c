// The fake camera of the stream tests: a GVSP sender that sends blocks of a known test pattern,
// and, for a KyStreamGEV, a control socket on 127.0.0.1:3956 that serves the stream's
// PACKETRESEND commands from the sender's resend cache, as a device's GVCP server would.
// GvspLoop joins it to a bare receiver, StreamRig (tests/stream) to a KyStreamGEV.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"
#include "streaming/GvspSender.h"

namespace ky::gev::test {

constexpr const char *kCameraAddress = "127.0.0.1";

// A test frame whose every byte is known from its index, the frame number and the width.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t frame)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 9) + frame * 31);
    return bytes;
}

inline GvspLeader ImageLeader(uint32_t pixelFormat, uint32_t width, uint32_t height, uint64_t timestamp)
{
    GvspLeader leader;
    leader.pixelFormat = pixelFormat;
    leader.sizeX = width;
    leader.sizeY = height;
    leader.timestamp = timestamp;
    return leader;
}

class GvspTestCamera
{
public:
    ~GvspTestCamera()
    {
        mStop = true;
        if (mThread.joinable())
            mThread.join();
    }

    // Starts the control socket and aims the sender at the stream's port.
    KyResult Open(uint16_t streamPort, uint32_t packetSize, bool extendedIds = false)
    {
        KyResult result = mControl.Open(kCameraAddress, GVCP_PORT);
        if (result.IsFailure())
            return result;
        GvspSenderConfig config;
        config.destinationAddress = kCameraAddress;
        config.destinationPort = streamPort;
        config.packetSize = packetSize;
        config.extendedIds = extendedIds;
        config.resendCacheBlocks = 8;
        result = sender.Open(config);
        if (result.IsFailure())
            return result;
        mThread = std::thread([this] { Serve(); });
        return KyResult();
    }

    // Sends one image block of the known test pattern for its frame number.
    KyResult SendFrame(uint64_t blockId, uint32_t pixelFormat, uint32_t width, uint32_t height,
                       uint32_t frame)
    {
        const size_t size = static_cast<size_t>(width) * height * (((pixelFormat >> 16) & 0xFF) / 8);
        auto bytes = std::make_shared<std::vector<uint8_t>>(Pattern(size, frame));
        GvspOutgoingBlock block;
        block.blockId = blockId;
        block.leader = ImageLeader(pixelFormat, width, height, 1000 + frame);
        block.data = bytes->data();
        block.size = bytes->size();
        block.keepAlive = bytes;
        return sender.SendBlock(block);
    }

    // Sends one block of the caller's bytes, which must live until the sender is done with them.
    KyResult SendBlock(uint64_t blockId, const std::vector<uint8_t> &frame, const GvspLeader &leader)
    {
        GvspOutgoingBlock block;
        block.blockId = blockId;
        block.leader = leader;
        block.data = frame.data();
        block.size = frame.size();
        return sender.SendBlock(block);
    }

    uint64_t ResendCommands() const { return mCommands; }

    GvspSender sender;

private:
    void Serve()
    {
        std::vector<uint8_t> datagram(GVCP_MAX_PACKET_SIZE + 64);
        while (!mStop) {
            if (mControl.WaitReadable(20) <= 0)
                continue;
            const ssize_t got = mControl.Receive(datagram.data(), datagram.size());
            PacketResendCmd command;
            if (got <= 0 || Parse(datagram.data(), static_cast<size_t>(got), command) != CodecError::Ok)
                continue;
            ++mCommands;
            // What cannot be resent the sender counts, and answers with a notice.
            (void)sender.ServeResend(command.blockId, command.firstPacketId, command.lastPacketId);
        }
    }

    UdpSocket mControl;
    std::atomic<bool> mStop{false};
    std::atomic<uint64_t> mCommands{0};
    std::thread mThread;
};

}  // namespace ky::gev::test
