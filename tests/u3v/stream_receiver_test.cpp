// The USB3 Vision stream end to end below the SDK object: the soft device's stream channel and
// stream interface registers on one side of a simulated link, the host's block source on the
// other. Frames arrive pixel-exact whichever way they are read; a too-small buffer is never
// written past; an unplug ends every waiting retrieval.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "SoftU3vStreamRig.h"
#include "TestDeadline.h"
#include "ky/base/KyEnums.h"
#include "u3v/LittleEndian.h"
#include "u3v/U3vBlockSource.h"
#include "u3v/U3vStreamSetup.h"

using namespace ky::u3v;
using ky::stream::U3vBlockSource;
using ky::stream::U3vReceiverConfig;

namespace {

constexpr uint32_t kWait = TestDeadlineMs(5000);

U3vReceiverConfig Config(uint32_t threshold = 512, uint32_t pending = 64)
{
    U3vReceiverConfig config;
    config.sirmAddress = SOFT_SIRM_ADDRESS;
    config.smallImageThreshold = threshold;
    config.maxPendingTransfers = pending;
    return config;
}

std::vector<std::unique_ptr<KyBuffer>> Buffers(size_t count, uint32_t size)
{
    std::vector<std::unique_ptr<KyBuffer>> buffers;
    for (size_t k = 0; k < count; ++k) {
        buffers.push_back(std::make_unique<KyBuffer>());
        EXPECT_TRUE(buffers.back()->Alloc(size).IsOK());
    }
    return buffers;
}

uint32_t ReadSirm32(SoftU3vStreamRig &rig, uint64_t offset)
{
    uint8_t bytes[4] = {};
    EXPECT_EQ(rig.sirm.Read(SOFT_SIRM_ADDRESS + offset, bytes, 4), GenCpStatus::Success);
    return Le32(bytes);
}

TEST(SoftU3vStreamRegisters, TellWhatABlockNeedsAndGuardTheLayout)
{
    SoftU3vStreamRig rig(64, 48);
    uint8_t bytes[8] = {};
    ASSERT_EQ(rig.sirm.Read(SOFT_SIRM_ADDRESS + SIRM_REQUIRED_PAYLOAD_SIZE_OFFSET, bytes, 8),
              GenCpStatus::Success);
    EXPECT_EQ(Le64(bytes), 64u * 48u);
    EXPECT_EQ(ReadSirm32(rig, SIRM_REQUIRED_LEADER_SIZE_OFFSET), U3V_IMAGE_LEADER_SIZE);
    EXPECT_EQ(ReadSirm32(rig, SIRM_REQUIRED_TRAILER_SIZE_OFFSET), U3V_IMAGE_TRAILER_SIZE);
    EXPECT_EQ(ReadSirm32(rig, SIRM_INFO_OFFSET) >> SIRM_INFO_ALIGNMENT_SHIFT, 6u);  // 64-byte transfers

    struct Case
    {
        const char *what;
        uint64_t offset;
        uint32_t value;
        GenCpStatus expected;
    };
    const Case cases[] = {
        {"info is read-only", SIRM_INFO_OFFSET, 1, GenCpStatus::WriteProtect},
        {"required payload is read-only", SIRM_REQUIRED_PAYLOAD_SIZE_OFFSET, 1, GenCpStatus::WriteProtect},
        {"required trailer is read-only", SIRM_REQUIRED_TRAILER_SIZE_OFFSET, 1, GenCpStatus::WriteProtect},
        {"past the layout", SIRM_MAXIMUM_TRAILER_SIZE_OFFSET + 4, 1, GenCpStatus::WriteProtect},
        {"unknown control bits", SIRM_CONTROL_OFFSET, 6, GenCpStatus::InvalidParameter},
        {"enable without room for a leader", SIRM_CONTROL_OFFSET, 1, GenCpStatus::InvalidParameter},
        {"layout while disabled", SIRM_PAYLOAD_TRANSFER_SIZE_OFFSET, 4096, GenCpStatus::Success},
    };
    for (const Case &c : cases) {
        uint8_t word[4];
        PutLe32(word, c.value);
        EXPECT_EQ(rig.sirm.Write(SOFT_SIRM_ADDRESS + c.offset, word, 4), c.expected) << c.what;
    }
    EXPECT_FALSE(rig.channel.IsEnabled());
    EXPECT_EQ(rig.sirm.Read(SOFT_SIRM_ADDRESS + SIRM_SIZE - 2, bytes, 4), GenCpStatus::InvalidAddress);

    // Set up as a host does; the layout is then fixed until the stream is disabled.
    U3vStreamLayout layout;
    uint64_t payload = 0;
    ASSERT_TRUE(
        ky::stream::EnableStreamInterface(*rig.Control(), SOFT_SIRM_ADDRESS, 5, layout, payload).IsOK());
    EXPECT_EQ(payload, 64u * 48u);
    EXPECT_GE(layout.Capacity(), payload);
    EXPECT_LE(
        layout.transferCount + (layout.finalTransfer1Size ? 1 : 0) + (layout.finalTransfer2Size ? 1 : 0), 5u);
    EXPECT_EQ(layout.transferSize % 64, 0u);
    EXPECT_TRUE(rig.channel.IsEnabled());
    EXPECT_EQ(ReadSirm32(rig, SIRM_CONTROL_OFFSET), SIRM_CONTROL_STREAM_ENABLE);
    EXPECT_EQ(ReadSirm32(rig, SIRM_PAYLOAD_TRANSFER_SIZE_OFFSET), layout.transferSize);
    uint8_t word[4];
    PutLe32(word, 128);
    EXPECT_EQ(rig.sirm.Write(SOFT_SIRM_ADDRESS + SIRM_PAYLOAD_TRANSFER_SIZE_OFFSET, word, 4),
              GenCpStatus::AccessDenied);
    EXPECT_EQ(
        ky::stream::EnableStreamInterface(*rig.Control(), SOFT_SIRM_ADDRESS, 5, layout, payload).GetCode(),
        KY_BUSY);
    ASSERT_TRUE(ky::stream::DisableStreamInterface(*rig.Control(), SOFT_SIRM_ADDRESS).IsOK());
    EXPECT_FALSE(rig.channel.IsEnabled());
}

TEST(U3vStreamLayout, CoversThePayloadInAtMostTheTransfersAsked)
{
    const uint64_t payloads[] = {0, 1, 63, 64, 3072, 307200, 307201, 5000000};
    const uint32_t counts[] = {1, 2, 7, 64, 1000};
    for (uint64_t payload : payloads) {
        for (uint32_t count : counts) {
            const U3vStreamLayout layout = PlanStreamLayout(payload, count, 64, 52, 32);
            const uint32_t transfers =
                layout.transferCount + (layout.finalTransfer1Size != 0) + (layout.finalTransfer2Size != 0);
            EXPECT_GE(layout.Capacity(), payload) << payload << " in " << count;
            EXPECT_LE(transfers, std::max<uint32_t>(count, 1) + 2) << payload << " in " << count;
            EXPECT_LT(layout.Capacity() - payload, 64u * 2) << payload << " in " << count;
            EXPECT_EQ(layout.transferSize % 64, 0u);
            EXPECT_EQ(layout.finalTransfer1Size % 64, 0u);
        }
    }
}

struct ReadPath
{
    const char *what;
    uint32_t threshold;
    uint32_t pending;
};

class U3vBlockSourceFrames : public ::testing::TestWithParam<ReadPath>
{
};

TEST_P(U3vBlockSourceFrames, ArrivePixelExact)
{
    constexpr uint32_t width = 160;
    constexpr uint32_t height = 120;
    constexpr int frames = 12;
    SoftU3vStreamRig rig(width, height);
    // Buffers outlive the source that writes into them, also when an assertion returns early.
    auto buffers = Buffers(4, width * height);
    U3vBlockSource source;
    ASSERT_TRUE(source.Open(rig.Control(), rig.StreamPipe(), Config(GetParam().threshold, GetParam().pending))
                    .IsOK());
    for (auto &buffer : buffers) {
        ASSERT_TRUE(source.Queue(buffer.get()).IsOK());
    }
    ASSERT_TRUE(rig.channel.StartAcquisition().IsOK());
    uint64_t lastBlock = 0;
    for (int k = 0; k < frames; ++k) {
        KyBuffer *buffer = nullptr;
        ASSERT_TRUE(source.Next(buffer, kWait).IsOK()) << "frame " << k;
        ASSERT_TRUE(buffer->GetOperationResult().IsOK())
            << buffer->GetOperationResult().GetDescription().GetAscii();
        const KyImage *image = buffer->GetImage();
        EXPECT_EQ(image->GetWidth(), width);
        EXPECT_EQ(image->GetHeight(), height);
        EXPECT_EQ(image->GetPixelType(), KyPixelMono8);
        EXPECT_GT(buffer->GetBlockID(), lastBlock);
        lastBlock = buffer->GetBlockID();
        std::string where;
        EXPECT_TRUE(
            MatchesTestPattern(image->GetDataPointer(), width, height, buffer->GetBlockID() - 1, where))
            << "frame " << k << ": " << where;
        ASSERT_TRUE(source.Queue(buffer).IsOK());
    }
    const auto counters = source.Counters();
    if (GetParam().threshold < width * height) {
        EXPECT_GT(counters.directTransfers, 0u) << "large images go straight into the buffers";
    } else {
        EXPECT_EQ(counters.directTransfers, 0u) << "small images go through the transfer buffer";
    }
    EXPECT_EQ(counters.strayTransfers, 0u);
    ASSERT_TRUE(rig.channel.StopAcquisition().IsOK());
    source.Close();
    EXPECT_FALSE(rig.channel.IsEnabled()) << "closing disables the device's stream interface";
}

INSTANTIATE_TEST_SUITE_P(ReadPaths, U3vBlockSourceFrames,
                         ::testing::Values(ReadPath{"direct", 512, 64}, ReadPath{"copied", 1u << 30, 64},
                                           ReadPath{"direct, one transfer", 0, 1},
                                           ReadPath{"copied, seven transfers", 1u << 20, 7},
                                           ReadPath{"direct, seven transfers", 0, 7}),
                         [](const auto &info) {
                             std::string name = info.param.what;
                             for (char &c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(U3vBlockSource, TooSmallABufferComesBackWithWhatFittedAndNothingPastIt)
{
    constexpr uint32_t width = 128;
    constexpr uint32_t height = 64;
    constexpr uint32_t small = width * 10 + 7;
    SoftU3vStreamRig rig(width, height);
    for (uint32_t threshold : {0u, 1u << 30}) {
        std::vector<uint8_t> memory(small + 4096, 0xEE);
        KyBuffer buffer;
        U3vBlockSource source;
        ASSERT_TRUE(source.Open(rig.Control(), rig.StreamPipe(), Config(threshold, 16)).IsOK());
        ASSERT_TRUE(buffer.Attach(memory.data(), small).IsOK());
        ASSERT_TRUE(source.Queue(&buffer).IsOK());
        ASSERT_TRUE(rig.channel.StartAcquisition().IsOK());
        KyBuffer *out = nullptr;
        ASSERT_TRUE(source.Next(out, kWait).IsOK());
        ASSERT_EQ(out, &buffer);
        EXPECT_EQ(buffer.GetOperationResult().GetCode(), KY_BUFFER_TOO_SMALL);
        EXPECT_EQ(buffer.GetRequiredSize(), width * height);
        EXPECT_EQ(buffer.GetAcquiredSize(), small);
        for (size_t k = small; k < memory.size(); ++k) {
            ASSERT_EQ(memory[k], 0xEE) << "byte " << k << " past the buffer was written";
        }
        // The lines that fitted are the pattern's.
        std::string where;
        EXPECT_TRUE(MatchesTestPattern(memory.data(), width, 10, buffer.GetBlockID() - 1, where)) << where;
        ASSERT_TRUE(rig.channel.StopAcquisition().IsOK());
        source.Close();
    }
}

TEST(U3vBlockSource, AFormatGrownAfterTheOpenStillArrivesWhole)
{
    SoftU3vStreamRig rig(160, 120);
    for (uint32_t threshold : {0u, 1u << 30}) {
        auto buffers = Buffers(2, 240 * 120);
        U3vBlockSource source;
        ASSERT_TRUE(source.Open(rig.Control(), rig.StreamPipe(), Config(threshold, 4)).IsOK());
        // The layout was planned for 160 x 120; the image grows before acquisition starts.
        ASSERT_TRUE(rig.source.SetWidth(240).IsOK());
        for (auto &buffer : buffers) {
            ASSERT_TRUE(source.Queue(buffer.get()).IsOK());
        }
        ASSERT_TRUE(rig.channel.StartAcquisition().IsOK());
        KyBuffer *buffer = nullptr;
        ASSERT_TRUE(source.Next(buffer, kWait).IsOK());
        ASSERT_TRUE(buffer->GetOperationResult().IsOK())
            << buffer->GetOperationResult().GetDescription().GetAscii();
        EXPECT_EQ(buffer->GetImage()->GetWidth(), 240u);
        std::string where;
        EXPECT_TRUE(MatchesTestPattern(buffer->GetImage()->GetDataPointer(), 240, 120,
                                       buffer->GetBlockID() - 1, where))
            << where;
        ASSERT_TRUE(rig.channel.StopAcquisition().IsOK());
        source.Close();
        for (int k = 0; k < 1000 && rig.channel.IsStreaming(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(rig.source.SetWidth(160).IsOK());
    }
}

TEST(U3vBlockSource, UnplugEndsEveryWaitingRetrieval)
{
    constexpr uint32_t width = 64;
    constexpr uint32_t height = 32;
    SoftU3vStreamRig rig(width, height, 20.0);
    auto buffers = Buffers(4, width * height);
    U3vBlockSource source;
    ASSERT_TRUE(source.Open(rig.Control(), rig.StreamPipe(), Config()).IsOK());
    for (auto &buffer : buffers) {
        ASSERT_TRUE(source.Queue(buffer.get()).IsOK());
    }
    ASSERT_TRUE(rig.channel.StartAcquisition().IsOK());
    KyBuffer *first = nullptr;
    ASSERT_TRUE(source.Next(first, kWait).IsOK());
    ASSERT_TRUE(first->GetOperationResult().IsOK());
    // Stop the device and take what it sent before; the buffers left then wait for blocks.
    ASSERT_TRUE(rig.channel.StopAcquisition().IsOK());
    for (int k = 0; k < 1000 && rig.channel.IsStreaming(); ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    size_t waiting = buffers.size() - 1;
    for (KyBuffer *done = nullptr; source.Next(done, 0).IsOK();) {
        --waiting;
    }
    ASSERT_GT(waiting, 0u);

    // Every waiting retrieval, without a time limit, gets its buffer back when the link goes.
    std::vector<uint32_t> codes(waiting, KY_OK);
    std::vector<std::thread> waiters;
    for (size_t k = 0; k < waiting; ++k) {
        waiters.emplace_back([&, k] {
            KyBuffer *buffer = nullptr;
            if (source.Next(buffer, 0xFFFFFFFFu).IsOK()) {
                codes[k] = buffer->GetOperationResult().GetCode();
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    rig.link->Unplug();
    for (auto &waiter : waiters) {
        waiter.join();
    }
    for (uint32_t code : codes) {
        EXPECT_EQ(code, KY_NOT_CONNECTED);
    }
    EXPECT_FALSE(source.IsOpen());
    EXPECT_TRUE(source.LinkLost());
    EXPECT_EQ(source.Queue(first).GetCode(), KY_NOT_CONNECTED);
    KyBuffer *none = nullptr;
    EXPECT_EQ(source.Next(none, 10).GetCode(), KY_TIMEOUT);
    source.Close();  // joins the ended thread; the device's stream interface is not asked again
}

TEST(SoftU3vStreamChannel, SendsOnlyWhileAcquiringAndEnabled)
{
    SoftU3vStreamRig rig(32, 16, 500.0);
    ASSERT_TRUE(rig.channel.StartAcquisition().IsOK());
    size_t received = 0;
    std::vector<uint8_t> transfer(1 << 16);
    EXPECT_EQ(rig.link->Host(SimPipe::Stream).Read(transfer.data(), transfer.size(), received, 100),
              TransferStatus::Timeout)
        << "nothing goes out before the host enables the stream interface";
    U3vStreamLayout layout;
    uint64_t payload = 0;
    ASSERT_TRUE(
        ky::stream::EnableStreamInterface(*rig.Control(), SOFT_SIRM_ADDRESS, 4, layout, payload).IsOK());
    ASSERT_EQ(rig.link->Host(SimPipe::Stream).Read(transfer.data(), transfer.size(), received, kWait),
              TransferStatus::Ok);
    ASSERT_TRUE(IsLeader(transfer.data(), received));
    ASSERT_TRUE(ky::stream::DisableStreamInterface(*rig.Control(), SOFT_SIRM_ADDRESS).IsOK());
    // Streaming ends within a block or two; afterwards the pipe stays quiet.
    for (int k = 0; k < 1000 && rig.channel.IsStreaming(); ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        (void)rig.link->Host(SimPipe::Stream).Read(transfer.data(), transfer.size(), received, 0);
    }
    EXPECT_FALSE(rig.channel.IsStreaming());
    while (rig.link->Host(SimPipe::Stream).Read(transfer.data(), transfer.size(), received, 0) ==
           TransferStatus::Ok) {
    }
    EXPECT_EQ(rig.link->Host(SimPipe::Stream).Read(transfer.data(), transfer.size(), received, 100),
              TransferStatus::Timeout);
    EXPECT_TRUE(rig.channel.IsAcquiring()) << "acquisition itself goes on";
}

}  // namespace
