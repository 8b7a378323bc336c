#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "refusal.h"

TEST(Buffer, NewBufferHasNoMemoryAndAnImageView)
{
    KyBuffer buffer;
    EXPECT_EQ(buffer.GetPayloadType(), KyPayloadTypeImage);
    EXPECT_EQ(buffer.GetDataPointer(), nullptr);
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_EQ(buffer.GetPayloadSize(), 0u);
    EXPECT_FALSE(buffer.IsAllocated());
    EXPECT_FALSE(buffer.IsAttached());
    EXPECT_NE(buffer.GetImage(), nullptr);
    EXPECT_EQ(buffer.GetImage()->GetBuffer(), &buffer);
    EXPECT_EQ(buffer.GetRawData(), nullptr);
    EXPECT_EQ(buffer.GetChunkData(), nullptr);
    EXPECT_EQ(buffer.GetMultiPartContainer(), nullptr);
    EXPECT_TRUE(buffer.GetOperationResult().IsOK());
}

TEST(Buffer, PayloadTypeSelectsTheView)
{
    const struct
    {
        KyPayloadType type;
        bool image, raw, chunk, multiPart, h264, compressed;
    } cases[] = {
        {KyPayloadTypeImage, true, false, false, false, false, false},
        {KyPayloadTypeRawData, false, true, false, false, false, false},
        {KyPayloadTypeChunkData, false, false, true, false, false, false},
        {KyPayloadTypeMultiPart, false, false, false, true, false, false},
        {KyPayloadTypeH264, false, false, false, false, true, false},
        {KyPayloadTypeTesmarCompressed, false, false, false, false, false, true},
        {static_cast<KyPayloadType>(12345), false, false, false, false, false, false},
    };
    for (const auto &c : cases) {
        KyBuffer buffer(c.type);
        EXPECT_EQ(buffer.GetPayloadType(), c.type);
        EXPECT_EQ(buffer.GetImage() != nullptr, c.image) << c.type;
        EXPECT_EQ(buffer.GetRawData() != nullptr, c.raw) << c.type;
        EXPECT_EQ(buffer.GetChunkData() != nullptr, c.chunk) << c.type;
        EXPECT_EQ(buffer.GetMultiPartContainer() != nullptr, c.multiPart) << c.type;
        EXPECT_EQ(buffer.GetH264AccessUnit() != nullptr, c.h264) << c.type;
        EXPECT_EQ(buffer.GetTesmarCompressed() != nullptr, c.compressed) << c.type;
    }
}

// The H.264 and compressed views read the buffer's memory: the bytes placed in it, else (a
// compressed image a program wrote itself) the whole memory.
TEST(Buffer, H264AndCompressedViewsSeeTheBytesPlacedInTheBuffer)
{
    KyBuffer h264(KyPayloadTypeH264);
    ASSERT_TRUE(h264.Alloc(64).IsOK());
    ASSERT_TRUE(h264.SetAcquiredSize(10).IsOK());
    ASSERT_TRUE(h264.SetTimestamp(9000).IsOK());
    const IKyH264AccessUnit *unit = h264.GetH264AccessUnit();
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->GetDataPointer(), h264.GetDataPointer());
    EXPECT_EQ(unit->GetDataSize(), 10u);
    EXPECT_EQ(unit->GetTimestamp(), 9000u);

    KyBuffer compressed(KyPayloadTypeTesmarCompressed);
    ASSERT_TRUE(compressed.Alloc(32).IsOK());
    const KyTesmarCompressed *view = compressed.GetTesmarCompressed();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetDataSize(), 32u);
    ASSERT_TRUE(compressed.SetAcquiredSize(20).IsOK());
    EXPECT_EQ(view->GetDataSize(), 20u);
    EXPECT_EQ(view->GetDataPointer(), compressed.GetDataPointer());
}

TEST(Buffer, AllocAttachDetachFree)
{
    KyBuffer buffer;
    ASSERT_TRUE(buffer.Alloc(1000).IsOK());
    EXPECT_TRUE(buffer.IsAllocated());
    EXPECT_FALSE(buffer.IsAttached());
    EXPECT_EQ(buffer.GetSize(), 1000u);
    EXPECT_EQ(buffer.GetDataPointer()[999], 0);  // zeroed
    EXPECT_EQ(buffer.Detach(), nullptr);         // own memory is not handed out
    EXPECT_EQ(buffer.GetSize(), 1000u);
    ASSERT_TRUE(buffer.Attach(buffer.GetDataPointer(), 10).IsOK());  // still its own, not leaked
    EXPECT_TRUE(buffer.IsAllocated());
    EXPECT_EQ(buffer.GetSize(), 10u);

    std::vector<uint8_t> mine(64, 0x5A);
    ASSERT_TRUE(buffer.Attach(mine.data(), 64).IsOK());  // own memory freed
    EXPECT_TRUE(buffer.IsAttached());
    EXPECT_FALSE(buffer.IsAllocated());
    EXPECT_EQ(buffer.GetDataPointer(), mine.data());
    EXPECT_EQ(buffer.GetSize(), 64u);
    EXPECT_EQ(buffer.Detach(), mine.data());
    EXPECT_EQ(buffer.GetDataPointer(), nullptr);
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_FALSE(buffer.IsAttached());

    ASSERT_TRUE(buffer.Attach(mine.data(), 64).IsOK());
    buffer.Free();  // attached memory is forgotten, not freed
    EXPECT_EQ(buffer.GetDataPointer(), nullptr);
    EXPECT_EQ(mine[63], 0x5A);
}

TEST(Buffer, BadMemoryArgumentsAreRefused)
{
    KyBuffer buffer;
    uint8_t byte = 0;
    ExpectRefusals(KY_INVALID_PARAMETER,
                   {
                       {"alloc 0", buffer.Alloc(0), "[KyBuffer::Alloc] a buffer needs at least one byte"},
                       {"attach null", buffer.Attach(nullptr, 10), "[KyBuffer::Attach] no memory given"},
                       {"attach 0 bytes", buffer.Attach(&byte, 0), "[KyBuffer::Attach] no memory given"},
                       {"chunk area 0", buffer.AllocChunk(0),
                        "[KyBuffer::AllocChunk] a chunk area needs at least one byte"},
                       {"acquired above size", buffer.SetAcquiredSize(1),
                        "[KyBuffer::SetAcquiredSize] 1 bytes exceed the buffer's 0"},
                   });
    EXPECT_EQ(buffer.GetSize(), 0u);
}

TEST(Buffer, ReceiverStateAndReset)
{
    KyBuffer buffer;
    buffer.SetID(0xFFFFFFFFFFFFFFFFull);
    ASSERT_TRUE(buffer.Alloc(100).IsOK());
    ASSERT_TRUE(buffer.SetBlockID(5).IsOK());
    ASSERT_TRUE(buffer.SetTimestamp(6).IsOK());
    ASSERT_TRUE(buffer.SetReceptionTime(7).IsOK());
    ASSERT_TRUE(buffer.SetDuration(8).IsOK());
    buffer.SetOperationResult(KyResult(KY_MISSING_PACKETS));
    ASSERT_TRUE(buffer.SetAcquiredSize(90).IsOK());
    buffer.SetRequiredSize(120);
    buffer.SetExtendedID(true);
    KyBufferPacketStatistics stats;
    stats.LostPackets = 3;
    stats.PacketsOutOfOrder = 4;
    buffer.SetPacketStatistics(stats);
    buffer.AddMissingPacketIds(10, 12);
    buffer.AddMissingPacketIds(40, 0xFFFFFFFF);

    EXPECT_EQ(buffer.GetBlockID(), 5u);
    EXPECT_EQ(buffer.GetImage()->GetBlockID(), 5u);
    EXPECT_EQ(buffer.GetImage()->GetTimestamp(), 6u);
    EXPECT_EQ(buffer.GetImage()->GetReceptionTime(), 7u);
    EXPECT_EQ(buffer.GetDuration(), 8u);
    EXPECT_EQ(buffer.GetOperationResult().GetCode(), KY_MISSING_PACKETS);
    EXPECT_EQ(buffer.GetAcquiredSize(), 90u);
    EXPECT_EQ(buffer.GetPayloadSize(), 90u);
    EXPECT_EQ(buffer.GetRequiredSize(), 120u);
    EXPECT_TRUE(buffer.IsExtendedID());
    EXPECT_EQ(buffer.GetLostPacketCount(), 3u);
    EXPECT_EQ(buffer.GetPacketOutOfOrderCount(), 4u);
    uint32_t count = 0, first = 0, last = 0;
    ASSERT_TRUE(buffer.GetMissingPacketIdsCount(count).IsOK());
    EXPECT_EQ(count, 2u);
    ASSERT_TRUE(buffer.GetMissingPacketIds(1, first, last).IsOK());
    EXPECT_EQ(first, 40u);
    EXPECT_EQ(last, 0xFFFFFFFFu);
    first = last = 9;
    KyResult r = buffer.GetMissingPacketIds(2, first, last);
    EXPECT_EQ(r.GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(r.GetDescription().str(), "[KyBuffer::GetMissingPacketIds] no group 2 of 2");
    EXPECT_EQ(first, 9u);

    buffer.BeginAcquisition();  // per-acquisition state only
    EXPECT_TRUE(buffer.GetOperationResult().IsOK());
    EXPECT_EQ(buffer.GetAcquiredSize(), 0u);
    EXPECT_EQ(buffer.GetLostPacketCount(), 0u);
    EXPECT_EQ(buffer.GetSize(), 100u);

    ASSERT_TRUE(buffer.Reset(KyPayloadTypeRawData).IsOK());
    EXPECT_EQ(buffer.GetPayloadType(), KyPayloadTypeRawData);
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_EQ(buffer.GetBlockID(), 0u);
    EXPECT_EQ(buffer.GetID(), 0xFFFFFFFFFFFFFFFFull);
    ASSERT_TRUE(buffer.Reset().IsOK());
    EXPECT_EQ(buffer.GetPayloadType(), KyPayloadTypeImage);
}

TEST(RawData, AllocAttachAndLengths)
{
    KyBuffer buffer(KyPayloadTypeRawData);
    KyRawData *raw = buffer.GetRawData();
    ASSERT_NE(raw, nullptr);
    ASSERT_TRUE(raw->Alloc(100, 24).IsOK());
    EXPECT_EQ(raw->GetPayloadLength(), 100u);
    EXPECT_EQ(buffer.GetSize(), 124u);
    EXPECT_EQ(buffer.GetPayloadSize(), 100u);

    std::vector<uint8_t> mine(50);
    ASSERT_TRUE(raw->Attach(mine.data(), 50, 10).IsOK());
    EXPECT_EQ(raw->GetPayloadLength(), 40u);
    EXPECT_EQ(raw->Detach(), mine.data());
    EXPECT_EQ(raw->GetPayloadLength(), 40u);  // still describes what was attached

    ExpectRefusals(KY_INVALID_PARAMETER,
                   {
                       {"alloc above 4 GiB", raw->Alloc(0xFFFFFFFFull, 1),
                        "[KyRawData::Alloc] payload and chunks take 4294967296 bytes, more than 4 GiB"},
                       {"attach above 4 GiB", raw->Attach(mine.data(), 0x100000000ull),
                        "[KyRawData::Attach] 4294967296 bytes is more than 4 GiB"},
                       {"chunk room above length", raw->Attach(mine.data(), 50, 51),
                        "[KyRawData::Attach] chunk room of 51 bytes exceeds the 50 attached"},
                       {"attach null", raw->Attach(nullptr, 50), "[KyBuffer::Attach] no memory given"},
                       {"alloc 0", raw->Alloc(0), "[KyBuffer::Alloc] a buffer needs at least one byte"},
                   });
    KyResult r = raw->SetPayloadLength(1);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(r.GetDescription().str(), "[KyRawData::SetPayloadLength] 1 bytes exceed the buffer's 0");
}
