// Frames of the soft device's test-pattern stream arrive pixel-exact at the GVSP receiver, at
// several sizes, pixel types and packet sizes, and complete through resends when the sender
// leaves packets out on purpose.
#include <gtest/gtest.h>

#include <string>

#include "SoftStreamRig.h"

using namespace ky::soft::test;
using ky::gev::Status;
using Offset = StreamFeatureOffset;

namespace {

struct FrameCase
{
    const char *name;
    uint32_t width, height, offsetX, offsetY;
    KyPixelType pixelType;
    uint32_t packetSize;
    double dropFraction;
};

const FrameCase FRAME_CASES[] = {
    {"Mono8_640x480_1500", 640, 480, 0, 0, KyPixelMono8, 1500, 0.0},
    {"Mono8_640x480_9000", 640, 480, 0, 0, KyPixelMono8, 9000, 0.0},
    {"BayerRG8_2448x2048_9000", 2448, 2048, 0, 0, KyPixelBayerRG8, 9000, 0.0},
    {"BayerGR8_Odd_37x11_1500", 37, 11, 5, 3, KyPixelBayerGR8, 1500, 0.0},
    {"BayerGB8_1x1_1500", 1, 1, 0, 0, KyPixelBayerGB8, 1500, 0.0},
    {"BayerBG8_Offsets_1000x300_9000", 1000, 300, 100, 50, KyPixelBayerBG8, 9000, 0.0},
    {"Mono8_Dropped_640x480_1500", 640, 480, 0, 0, KyPixelMono8, 1500, 0.05},
    {"BayerRG8_Dropped_1024x768_9000", 1024, 768, 8, 8, KyPixelBayerRG8, 9000, 0.05},
};

constexpr size_t FRAMES = 6;

class FrameTest : public ::testing::TestWithParam<FrameCase>
{
};

TEST_P(FrameTest, ArrivePixelExact)
{
    const FrameCase &c = GetParam();
    // With packets left out, a slower frame rate keeps each frame in the sender's resend cache
    // (its last four blocks) long enough for a resend request delayed by a busy machine.
    KyStreamingChannelSourceTestPattern source(640, 480, KyPixelMono8, 8, c.dropFraction > 0 ? 20.0 : 100.0);
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start(c.packetSize));
    if (c.dropFraction > 0) {
        ASSERT_TRUE(rig.Device().SetStreamTestDropFraction(0, c.dropFraction, 7).IsOK());
    }
    const struct
    {
        Offset offset;
        uint32_t value;
    } writes[] = {{Offset::Width, c.width},
                  {Offset::Height, c.height},
                  {Offset::OffsetX, c.offsetX},
                  {Offset::OffsetY, c.offsetY},
                  {Offset::PixelFormat, static_cast<uint32_t>(c.pixelType)}};
    for (const auto &w : writes) {
        ASSERT_EQ(rig.Write(Feature(w.offset), w.value), Status::SUCCESS);
    }
    ASSERT_EQ(rig.Write(ky::gev::SCPS0_OFFSET, c.packetSize), Status::SUCCESS);
    EXPECT_EQ(rig.Read(ky::gev::SCPS0_OFFSET), c.packetSize);
    const uint32_t payload = rig.Read(Feature(Offset::PayloadSize));
    ASSERT_EQ(payload, c.width * c.height);
    ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(FRAMES, payload));
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    uint32_t resent = 0;
    for (size_t i = 0; i < FRAMES; ++i) {
        ky::gev::GvspCompletedBlock block;
        ASSERT_TRUE(rig.Receiver().WaitForBlock(block, WAIT_MS).IsOK()) << "frame " << i;
        ASSERT_EQ(block.status, ky::gev::GvspBlockStatus::Complete)
            << "frame " << i << ": " << ky::gev::GvspBlockStatusName(block.status);
        EXPECT_EQ(block.leader.sizeX, c.width);
        EXPECT_EQ(block.leader.sizeY, c.height);
        EXPECT_EQ(block.leader.offsetX, c.offsetX);
        EXPECT_EQ(block.leader.offsetY, c.offsetY);
        EXPECT_EQ(block.leader.pixelFormat, static_cast<uint32_t>(c.pixelType));
        ASSERT_EQ(block.payloadSize, payload);
        // Block ids count from 1 when the channel opens; frames from 0 when streaming starts.
        std::string where;
        EXPECT_TRUE(
            MatchesPattern(block.data, c.width, c.height, c.offsetX, c.offsetY, block.blockId - 1, where))
            << "block " << block.blockId << ": " << where;
        resent += block.stats.packetsRecovered;
    }
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStop), 1), Status::SUCCESS);
    if (c.dropFraction > 0) {
        EXPECT_GT(resent, 0u);
        EXPECT_GT(rig.ResendsAsked(), 0u);
        EXPECT_GT(rig.Device().GetStatistics()->GetPacketResendRequestsReceived(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameTest, ::testing::ValuesIn(FRAME_CASES),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
