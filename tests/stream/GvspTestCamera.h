// A stand-in camera for stream tests: a GVSP sender that streams to a stream's port, and a
// control socket on 127.0.0.1:3956 that serves the stream's PACKETRESEND commands from the
// sender's resend cache, as a device's GVCP server would.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "GvspLoop.h"
#include "GvspSender.h"
#include "gev/Gvcp.h"
#include "gev/UdpSocket.h"

namespace ky::stream::test {

constexpr const char *kCameraAddress = "127.0.0.1";

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
        KyResult result = mControl.Open(kCameraAddress, gev::GVCP_PORT);
        if (result.IsFailure())
            return result;
        gev::GvspSenderConfig config;
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
    KyResult SendFrame(uint64_t blockId, uint32_t pixelFormat, uint32_t width, uint32_t height, uint32_t frame)
    {
        const size_t size = static_cast<size_t>(width) * height * (((pixelFormat >> 16) & 0xFF) / 8);
        auto bytes = std::make_shared<std::vector<uint8_t>>(gev::test::Pattern(size, frame));
        gev::GvspOutgoingBlock block;
        block.blockId = blockId;
        block.leader = gev::test::ImageLeader(pixelFormat, width, height, 1000 + frame);
        block.data = bytes->data();
        block.size = bytes->size();
        block.keepAlive = bytes;
        return sender.SendBlock(block);
    }

    uint64_t ResendCommands() const { return mCommands; }

    gev::GvspSender sender;

private:
    void Serve()
    {
        std::vector<uint8_t> datagram(gev::GVCP_MAX_PACKET_SIZE + 64);
        while (!mStop) {
            if (mControl.WaitReadable(20) <= 0)
                continue;
            const ssize_t got = mControl.Receive(datagram.data(), datagram.size());
            gev::PacketResendCmd command;
            if (got <= 0 || gev::Parse(datagram.data(), static_cast<size_t>(got), command) != gev::CodecError::Ok)
                continue;
            ++mCommands;
            sender.ServeResend(command.blockId, command.firstPacketId, command.lastPacketId);
        }
    }

    gev::UdpSocket mControl;
    std::atomic<bool> mStop{false};
    std::atomic<uint64_t> mCommands{0};
    std::thread mThread;
};

} // namespace ky::stream::test
