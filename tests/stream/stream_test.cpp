// KyStreamGEV on the test camera: opening, queueing rules, buffers filled from their blocks,
// lost packets recovered through PACKETRESEND, and the statistics that count them.
#include <gtest/gtest.h>

#include <algorithm>

#include "StreamRig.h"

using namespace ky::stream::test;

namespace {

constexpr uint32_t kWidth = 320;
constexpr uint32_t kHeight = 240;
constexpr uint32_t kSize = kWidth * kHeight;

}  // namespace

TEST(Stream, OpenRefusesBadArguments)
{
    struct Case
    {
        const char *device;
        const char *local;
        uint32_t capacity;
        uint32_t code;
    } cases[] = {
        {"", "", 64, KY_INVALID_PARAMETER},
        {"camera", "", 64, KY_INVALID_PARAMETER},
        {"127.0.0.1", "not.an.address", 64, KY_INVALID_PARAMETER},
        {"127.0.0.1", "", 0, KY_INVALID_PARAMETER},
        {"127.0.0.1", "10.99.99.99", 64, KY_NETWORK_ERROR},  // not an address of this host
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.device + std::string(" / ") + c.local);
        KyStreamGEV stream;
        KyResult result = stream.Open(KyString(c.device), 0, 0, KyString(c.local), c.capacity);
        EXPECT_EQ(result.GetCode(), c.code) << result.GetDescription().GetAscii();
        EXPECT_FALSE(stream.IsOpen());
        EXPECT_EQ(stream.GetLocalPort(), 0);
    }
    KyStreamGEV stream;
    EXPECT_EQ(stream.Open(nullptr).GetCode(), KY_INVALID_PARAMETER);
    // A multicast open needs a group (stream_multicast_test receives one).
    EXPECT_EQ(stream.Open(KyString("127.0.0.1"), KyString("127.0.0.1"), 5000).GetCode(),
              KY_INVALID_PARAMETER);
    KyResult result;
    EXPECT_EQ(KyStream::CreateAndOpen(KyString("no address"), &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(KyStream::CreateAndOpen(static_cast<const KyDeviceInfo *>(nullptr), &result), nullptr);
    EXPECT_EQ(result.GetCode(), KY_INVALID_PARAMETER);
    KyStream::Free(nullptr);
}

TEST(Stream, OpenTellsAddressPortAndCapacity)
{
    KyResult result;
    KyStream *stream = KyStream::CreateAndOpen(KyString("127.0.0.1"), &result);
    ASSERT_NE(stream, nullptr) << result.GetDescription().GetAscii();
    KyStreamGEV *gev = dynamic_cast<KyStreamGEV *>(stream);
    ASSERT_NE(gev, nullptr);
    EXPECT_EQ(stream->GetType(), KyStreamTypeGEV);
    EXPECT_TRUE(stream->IsOpen());
    EXPECT_STREQ(gev->GetLocalIPAddress().GetAscii(), "127.0.0.1");
    EXPECT_STREQ(gev->GetDeviceIPAddress().GetAscii(), "127.0.0.1");
    EXPECT_NE(gev->GetLocalPort(), 0);
    EXPECT_EQ(gev->GetSpecificLocalPort(), 0);
    EXPECT_EQ(stream->GetQueuedBufferMaximum(), 64u);
    EXPECT_EQ(gev->Open(KyString("127.0.0.1")).GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(gev->SetUserModeSocketRxBufferSize(1 << 20).GetCode(), KY_NETWORK_CONFIG_ERROR);
    uint32_t granted = 0;
    EXPECT_TRUE(gev->GetUserModeSocketRxBufferSize(granted).IsOK());
    EXPECT_GT(granted, 0u);
    EXPECT_TRUE(stream->Close().IsOK());
    EXPECT_FALSE(stream->IsOpen());
    EXPECT_EQ(gev->GetLocalPort(), 0);
    EXPECT_EQ(stream->Close().GetCode(), KY_NOT_CONNECTED);
    KyStream::Free(stream);

    KyStreamGEV specific;
    ASSERT_TRUE(specific.Open(KyString("127.0.0.1"), 40123, 2, KyString("127.0.0.1"), 3).IsOK());
    EXPECT_EQ(specific.GetLocalPort(), 40123);
    EXPECT_EQ(specific.GetSpecificLocalPort(), 40123);
    EXPECT_EQ(specific.GetChannel(), 2);
    EXPECT_EQ(specific.GetQueuedBufferMaximum(), 3u);
}

TEST(Stream, QueueRules)
{
    StreamRig rig;
    KyBuffer closedOnly(KyPayloadTypeImage);
    ASSERT_TRUE(closedOnly.Alloc(16).IsOK());
    EXPECT_EQ(rig.stream.QueueBuffer(&closedOnly).GetCode(), KY_NOT_CONNECTED);
    ASSERT_TRUE(rig.stream.Open(KyString(kCameraAddress), 0, 0, KyString(), 2).IsOK());
    KyBuffer empty(KyPayloadTypeImage);
    KyBuffer *a = rig.AddBuffer(64);
    KyBuffer *b = rig.AddBuffer(64);
    KyBuffer *c = rig.AddBuffer(64);
    struct Case
    {
        KyBuffer *buffer;
        uint32_t code;
        const char *description;
    } cases[] = {
        {nullptr, KY_INVALID_PARAMETER, "a null buffer cannot be queued"},
        {&empty, KY_INVALID_PARAMETER, "a buffer without memory cannot be queued"},
        {a, KY_PENDING, ""},
        {a, KY_STATE_ERROR, "the buffer is queued already"},
        {b, KY_PENDING, ""},
        {c, KY_NOT_ENOUGH_MEMORY, "the stream holds its maximum of 2 queued buffers"},
    };
    for (const Case &k : cases) {
        KyResult result = rig.stream.QueueBuffer(k.buffer);
        EXPECT_EQ(result.GetCode(), k.code);
        EXPECT_STREQ(result.GetDescription().GetAscii(), k.description);
    }
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 2u);
    KyBuffer *out = nullptr;
    KyResult operation;
    EXPECT_EQ(rig.stream.RetrieveBuffer(nullptr, &operation, 0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(rig.stream.RetrieveBuffer(&out, nullptr, 0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(rig.stream.AbortQueuedBuffers().IsOK());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(rig.stream.RetrieveBuffer(&out, &operation, kWaitMs).IsOK());
        EXPECT_EQ(operation.GetCode(), KY_ABORTED);
    }
    EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 0u);
    EXPECT_EQ(rig.stream.RetrieveBuffer(&out, &operation, kWaitMs).GetCode(), KY_NO_MORE_ITEM);
}

TEST(Stream, BuffersCarryTheirBlock)
{
    const struct
    {
        uint32_t packetSize;
        bool extendedIds;
        uint64_t firstBlock;
    } cases[] = {{1500, false, 1}, {9000, false, 65535}, {1500, true, 0x100000005ull}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "packet " << c.packetSize << " first block " << c.firstBlock);
        StreamRig rig;
        ASSERT_TRUE(rig.Open(c.packetSize, c.extendedIds).IsOK());
        rig.QueueBuffers(3, kSize);
        uint64_t block = c.firstBlock;
        for (uint32_t f = 0; f < 3; ++f) {
            ASSERT_TRUE(rig.camera.SendFrame(block, KyPixelBayerRG8, kWidth, kHeight, f).IsOK());
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
            ASSERT_TRUE(operation.IsOK()) << operation.GetDescription().GetAscii();
            EXPECT_TRUE(HoldsPattern(*buffer, kSize, f));
            EXPECT_EQ(buffer->GetBlockID(), block);
            EXPECT_EQ(buffer->GetTimestamp(), 1000u + f);
            EXPECT_EQ(buffer->GetPayloadType(), KyPayloadTypeImage);
            EXPECT_EQ(buffer->GetImage()->GetWidth(), kWidth);
            EXPECT_EQ(buffer->GetImage()->GetHeight(), kHeight);
            EXPECT_EQ(buffer->GetImage()->GetPixelType(), KyPixelBayerRG8);
            EXPECT_EQ(buffer->GetRequiredSize(), kSize);
            EXPECT_TRUE(buffer->IsHeaderValid());
            EXPECT_TRUE(buffer->IsTrailerValid());
            block = (!c.extendedIds && block == 0xFFFF) ? 1 : block + 1;
        }
        EXPECT_EQ(rig.Integer("BlockCount"), 3);
        EXPECT_EQ(rig.Integer("ErrorCount"), 0);
        EXPECT_EQ(rig.stream.GetQueuedBufferCount(), 0u);
    }
}

TEST(Stream, LostPacketsComeBackThroughResends)
{
    for (uint32_t packetSize : {1500u, 9000u}) {
        SCOPED_TRACE(testing::Message() << "packet " << packetSize);
        StreamRig rig;
        ASSERT_TRUE(rig.Open(packetSize).IsOK());
        rig.camera.sender.SetTestDropFraction(0.04, 7);
        const uint32_t width = 1024, height = 512, size = width * height, frames = 12;
        rig.QueueBuffers(4, size);
        uint64_t resendsAsked = 0, recovered = 0;
        for (uint32_t f = 0; f < frames; ++f) {
            ASSERT_TRUE(rig.camera.SendFrame(f + 1, KyPixelMono8, width, height, f).IsOK());
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
            ASSERT_TRUE(operation.IsOK()) << f << ": " << operation.GetDescription().GetAscii();
            EXPECT_TRUE(HoldsPattern(*buffer, size, f)) << f;
            EXPECT_EQ(buffer->GetLostPacketCount(), 0u);
            resendsAsked += buffer->GetResendPacketRequestedCount();
            recovered += buffer->GetPacketsRecoveredCount();
            ASSERT_EQ(rig.stream.QueueBuffer(buffer).GetCode(), KY_PENDING);
        }
        EXPECT_GT(rig.camera.sender.Counters().packetsDroppedOnPurpose, 0u);
        // A lost first data packet hides the packet size: the packets after it come again too.
        EXPECT_GE(recovered, rig.camera.sender.Counters().packetsDroppedOnPurpose);
        EXPECT_GT(resendsAsked, 0u);
        EXPECT_GT(rig.camera.ResendCommands(), 0u);
        EXPECT_EQ(rig.Integer("BlockCount"), frames);
        EXPECT_EQ(rig.Integer("ErrorCount"), 0);
        EXPECT_EQ(rig.Integer("PacketsRecovered"), static_cast<int64_t>(recovered));
        EXPECT_EQ(rig.Integer("ResendPacketRequested"), static_cast<int64_t>(resendsAsked));
        EXPECT_GE(rig.Integer("ResendPacketsReceived"), static_cast<int64_t>(recovered));
    }
}

TEST(Stream, ParametersAndReset)
{
    StreamRig rig;
    ASSERT_TRUE(rig.Open(1500).IsOK());
    rig.QueueBuffers(2, kSize);
    for (uint32_t f = 0; f < 2; ++f) {
        ASSERT_TRUE(rig.camera.SendFrame(f + 1, KyPixelMono8, kWidth, kHeight, f).IsOK());
        KyBuffer *buffer = nullptr;
        KyResult operation;
        ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
    }
    KyGenParameterArray *parameters = rig.stream.GetParameters();
    double rate = -1.0, bandwidth = -1.0;
    EXPECT_TRUE(parameters->GetFloatValue(KyString("AcquisitionRate"), rate).IsOK());
    EXPECT_TRUE(parameters->GetFloatValue(KyString("Bandwidth"), bandwidth).IsOK());
    EXPECT_GE(rate, 0.0);
    EXPECT_GE(bandwidth, 0.0);
    EXPECT_EQ(rig.Integer("BlockCount"), 2);
    EXPECT_GT(rig.Integer("PacketsReceived"), 0);
    EXPECT_TRUE(parameters->ExecuteCommand(KyString("Reset")).IsOK());
    EXPECT_EQ(rig.Integer("BlockCount"), 0);
    EXPECT_EQ(rig.Integer("SamplingTime"), 0);

    EXPECT_EQ(rig.Integer("MaximumResendRequestRetryByPacket"), 3);
    EXPECT_TRUE(parameters->SetIntegerValue(KyString("MaximumResendRequestRetryByPacket"), 0).IsOK());
    EXPECT_EQ(rig.Integer("MaximumResendRequestRetryByPacket"), 0);
    EXPECT_FALSE(parameters->SetIntegerValue(KyString("MaximumResendRequestRetryByPacket"), -1).IsOK());
    EXPECT_FALSE(parameters->SetIntegerValue(KyString("BlockCount"), 5).IsOK());
}

TEST(Stream, ReceiverSettings)
{
    KyStreamGEV stream;
    KyString address("127.0.0.1");
    bool installed = true;
    EXPECT_TRUE(KyStreamGEV::IsDriverInstalled(address, installed).IsOK());
    EXPECT_FALSE(installed);
    EXPECT_EQ(stream.GetDataReceiverType(), KyDataReceiverTypeUserMode);
    EXPECT_EQ(stream.SetUserModeSocketRxBufferSize(0).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_TRUE(stream.SetUserModeSocketRxBufferSize(4u << 20).IsOK());
    uint32_t size = 0;
    EXPECT_TRUE(stream.GetUserModeSocketRxBufferSize(size).IsOK());
    EXPECT_EQ(size, 4u << 20);
    EXPECT_TRUE(stream.SetUserModeRxPacketBufferSize(100).IsOK());
    EXPECT_TRUE(stream.SetUserModeDataReceiverThreadPriority(7).IsOK());
    EXPECT_EQ(stream.GetUserModeDataReceiverThreadPriority(), 7u);
    EXPECT_FALSE(stream.GetWaitForFirstPacketOfBlockToStart());
    EXPECT_TRUE(stream.SetWaitForFirstPacketOfBlockToStart(false).IsOK());
    EXPECT_EQ(stream.SetWaitForFirstPacketOfBlockToStart(true).GetCode(), KY_NOT_SUPPORTED);
    ASSERT_TRUE(stream.Open(address).IsOK());
    EXPECT_EQ(stream.SetUserModeRxPacketBufferSize(20000).GetCode(), KY_NETWORK_CONFIG_ERROR);
    // The kernel doubles what it grants for its bookkeeping.
    EXPECT_TRUE(stream.GetUserModeSocketRxBufferSize(size).IsOK());
    EXPECT_GE(size, 4u << 20);
}

// Which path reads the stream, and the packet ring's kernel counters among the stream's
// parameters. A process with CAP_NET_RAW (these tests run as root) reads a camera on this host
// through a ring unless it asks for the socket.
TEST(Stream, PacketRingChoiceAndCounters)
{
    const struct
    {
        const char *name;
        int64_t packetRing;  // -1: the default
        bool ring;
    } cases[] = {
        {"default", -1, true}, {"never", 0, false}, {"where it keeps up", 1, true}, {"always", 2, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        StreamRig rig;
        if (c.packetRing >= 0) {
            ASSERT_TRUE(
                rig.stream.GetParameters()->SetIntegerValue(KyString("PacketRing"), c.packetRing).IsOK());
        }
        EXPECT_EQ(rig.Integer("PacketRing"), c.packetRing >= 0 ? c.packetRing : 1);
        ASSERT_TRUE(rig.Open(9000).IsOK());
        EXPECT_EQ(rig.Integer("PacketRingBytes") > 0, c.ring);
        rig.QueueBuffers(2, kSize);
        for (uint32_t f = 0; f < 2; ++f) {
            ASSERT_TRUE(rig.camera.SendFrame(f + 1, KyPixelMono8, kWidth, kHeight, f).IsOK());
            KyBuffer *buffer = nullptr;
            KyResult operation;
            ASSERT_TRUE(rig.stream.RetrieveBuffer(&buffer, &operation, kWaitMs).IsOK());
            EXPECT_TRUE(operation.IsOK());
            EXPECT_TRUE(HoldsPattern(*buffer, kSize, f));
        }
        EXPECT_EQ(rig.Integer("PacketRingRecords") > 0, c.ring);
        EXPECT_EQ(rig.Integer("PacketRingDrops"), 0);  // two small frames in a ring of many MiB
        EXPECT_EQ(rig.Integer("PacketRingFreezes"), 0);
        ASSERT_TRUE(rig.stream.Close().IsOK());
        EXPECT_EQ(rig.Integer("PacketRingBytes"), 0);
        EXPECT_EQ(rig.Integer("PacketRingRecords") > 0, c.ring) << "the counters stay readable once closed";
    }
    KyStreamGEV stream;
    EXPECT_FALSE(stream.GetParameters()->SetIntegerValue(KyString("PacketRing"), 3).IsOK());
    EXPECT_FALSE(stream.GetParameters()->SetIntegerValue(KyString("PacketRing"), -1).IsOK());
}
