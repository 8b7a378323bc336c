// A soft device with one test-pattern stream on the loopback adapter, a controller speaking raw
// GVCP to it, and a GVSP receiver whose resend requests go to the device as PACKETRESEND.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "GvcpTestClient.h"
#include "gvsp/GvspReceiver.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "registers/SoftStreamRegisters.h"
#include "TestDeadline.h"
#include "ky/device/KyGevConstants.h"

namespace ky::soft::test {

using namespace ky::soft;  // the tests that use this rig name the soft device's registers unqualified

constexpr uint32_t WAIT_MS = TestDeadlineMs(5000);  // every wait of these tests is bounded by this
constexpr uint32_t LOOPBACK = 0x7F000001;

inline uint32_t Feature(StreamFeatureOffset offset) { return StreamFeatureAddress(0, offset); }

// Whether a received image is frame `frame` of the documented pattern; the first wrong pixel
// is described in `where`.
inline bool MatchesPattern(const uint8_t *data, uint32_t width, uint32_t height, uint32_t offsetX,
                           uint32_t offsetY, uint64_t frame, std::string &where)
{
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t want =
                KyStreamingChannelSourceDefault::TestPatternValue(x + offsetX, y + offsetY, frame);
            if (data[size_t(y) * width + x] != want) {
                where = "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                        std::to_string(data[size_t(y) * width + x]) + ", not " + std::to_string(want);
                return false;
            }
        }
    }
    return true;
}

class SoftStreamRig
{
public:
    explicit SoftStreamRig(IKyStreamingChannelSource &source) : mSource(source) { }
    ~SoftStreamRig()
    {
        mReceiver.Close();
        (void)mDevice.Stop();  // refused only for a device that never started
    }

    KySoftDeviceGEV &Device() { return mDevice; }
    GvcpTestClient &Control() { return mControl; }
    ky::gev::GvspReceiver &Receiver() { return mReceiver; }

    // Starts the device, takes control and opens the receiver (not yet the channel). A receiver
    // told the packet size places packets even when the leader went missing.
    void Start(uint32_t packetSize = 0)
    {
        ASSERT_TRUE(mDevice.AddStream(&mSource).IsOK());
        ASSERT_TRUE(mDevice.Start(KyString("00:00:00:00:00:00")).IsOK());
        ASSERT_EQ(Write(ky::gev::CCP_OFFSET, ky::gev::CCP_CONTROL_MASK), ky::gev::Status::SUCCESS);
        // This controller sends no heartbeat: on a loaded machine a test can outlast the
        // heartbeat time-out, and the device would then refuse its later commands.
        ASSERT_EQ(Write(ky::gev::GVCP_CONFIG_OFFSET, ky::gev::GVCP_CONFIG_HEARTBEAT_DISABLE_MASK),
                  ky::gev::Status::SUCCESS);
        ky::gev::GvspReceiverConfig config;
        config.localAddress = "127.0.0.1";
        config.blockTimeoutMs = TestDeadlineMs(2000);
        config.maxResendRounds = 20;
        config.packetSize = packetSize;
        ASSERT_TRUE(mReceiver
                        .Open(config, [this](uint64_t block, uint32_t first,
                                             uint32_t last) { RequestResend(block, first, last); })
                        .IsOK());
    }

    ky::gev::Status Write(uint32_t address, uint32_t value)
    {
        return mControl.WriteReg(address, value, NextId());
    }
    uint32_t Read(uint32_t address, ky::gev::Status *status = nullptr)
    {
        return mControl.ReadReg(address, NextId(), status);
    }

    // Destination = the receiver; the channel opens.
    void Open()
    {
        ASSERT_EQ(Write(ky::gev::SCDA0_OFFSET, LOOPBACK), ky::gev::Status::SUCCESS);
        ASSERT_EQ(Write(ky::gev::SCP0_OFFSET, mReceiver.LocalPort()), ky::gev::Status::SUCCESS);
    }

    // Queues `count` destinations of `size` bytes each.
    void QueueFrames(size_t count, size_t size)
    {
        for (size_t i = 0; i < count; ++i) {
            mFrames.emplace_back(size);
        }
        for (size_t i = mFrames.size() - count; i < mFrames.size(); ++i) {
            ASSERT_TRUE(mReceiver.QueueBlock(mFrames[i].data(), size, nullptr).IsOK());
        }
    }

    uint64_t ResendsAsked() const
    {
        std::lock_guard<std::mutex> lock(mResendMutex);
        return mResendsAsked;
    }

private:
    uint16_t NextId()
    {
        mId = static_cast<uint16_t>(mId == 0xFFFF ? 1 : mId + 1);
        return mId;
    }

    // Runs on the receive thread: a PACKETRESEND from a socket of its own, never acknowledged.
    void RequestResend(uint64_t block, uint32_t first, uint32_t last)
    {
        ky::gev::PacketResendCmd command;
        command.header.requestId = 1;
        command.blockId = block;
        command.firstPacketId = first & 0xFFFFFF;
        command.lastPacketId = last & 0xFFFFFF;
        ky::gev::Packet packet;
        ky::gev::Build(command, packet);
        std::lock_guard<std::mutex> lock(mResendMutex);
        mResendClient.SendTo(packet, "127.0.0.1");
        ++mResendsAsked;
    }

    IKyStreamingChannelSource &mSource;
    KySoftDeviceGEV mDevice;
    GvcpTestClient mControl;
    GvcpTestClient mResendClient;
    mutable std::mutex mResendMutex;
    uint64_t mResendsAsked = 0;
    ky::gev::GvspReceiver mReceiver;
    std::vector<std::vector<uint8_t>> mFrames;
    uint16_t mId = 0;
};

}  // namespace ky::soft::test
