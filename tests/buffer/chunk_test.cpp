// Chunks as GigE Vision lays them out: data, then ID and length (big-endian) after it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ky/buffer/KyBuffer.h"

namespace {

void PutBE32(std::vector<uint8_t> &aBytes, uint32_t aValue)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        aBytes.push_back(uint8_t(aValue >> shift));
}

// A chunk block: each chunk's data then its trailer.
struct BlockBuilder
{
    std::vector<uint8_t> bytes;
    BlockBuilder &Chunk(uint32_t aID, const std::vector<uint8_t> &aData)
    {
        bytes.insert(bytes.end(), aData.begin(), aData.end());
        PutBE32(bytes, aID);
        PutBE32(bytes, uint32_t(aData.size()));
        return *this;
    }
    BlockBuilder &Raw(std::initializer_list<uint8_t> aBytes)
    {
        bytes.insert(bytes.end(), aBytes);
        return *this;
    }
    BlockBuilder &Word(uint32_t aValue)
    {
        PutBE32(bytes, aValue);
        return *this;
    }
};

// Lets a buffer parse aBlock as if a receiver had written it.
KyResult Receive(KyBuffer &aBuffer, const std::vector<uint8_t> &aBlock)
{
    if (!aBlock.empty()) {
        EXPECT_TRUE(aBuffer.Alloc(uint32_t(aBlock.size())).IsOK());
        std::memcpy(aBuffer.GetDataPointer(), aBlock.data(), aBlock.size());
    }
    EXPECT_TRUE(aBuffer.SetAcquiredSize(uint32_t(aBlock.size())).IsOK());
    return aBuffer.ParseChunks();
}

}  // namespace

TEST(Chunks, ImageBufferWritesTheWireLayout)
{
    KyBuffer buffer;
    ASSERT_TRUE(buffer.GetImage()->Alloc(2, 2, KyPixelMono8, 0, 0, 40).IsOK());
    std::memcpy(buffer.GetDataPointer(), "\x01\x02\x03\x04", 4);
    EXPECT_EQ(buffer.GetChunkDataCapacity(), 32u);  // 8 go to the image's own trailer
    buffer.SetChunkLayoutID(0x77);
    const uint8_t first[] = {0xAA, 0xBB, 0xCC};
    ASSERT_TRUE(buffer.AddChunk(0x1000, first, 3).IsOK());
    ASSERT_TRUE(buffer.AddChunk(0x2000, nullptr, 0).IsOK());
    EXPECT_EQ(buffer.GetChunkDataSize(), 8u + 11u + 8u);
    EXPECT_EQ(buffer.GetChunkDataCapacity(), 40u - 27u);
    EXPECT_EQ(buffer.GetPayloadSize(), 4u + 27u);

    std::vector<uint8_t> expected = {1, 2, 3, 4};
    PutBE32(expected, KyBuffer::kMainChunkID);
    PutBE32(expected, 4);
    expected.insert(expected.end(), {0xAA, 0xBB, 0xCC});
    PutBE32(expected, 0x1000);
    PutBE32(expected, 3);
    PutBE32(expected, 0x2000);
    PutBE32(expected, 0);
    EXPECT_EQ(std::vector<uint8_t>(buffer.GetDataPointer(), buffer.GetDataPointer() + expected.size()),
              expected);

    EXPECT_TRUE(buffer.HasChunks());
    EXPECT_EQ(buffer.GetChunkCount(), 2u);
    EXPECT_EQ(buffer.GetChunkLayoutID(), 0x77u);
    uint32_t id = 0;
    ASSERT_TRUE(buffer.GetChunkIDByIndex(1, id).IsOK());
    EXPECT_EQ(id, 0x2000u);
    EXPECT_EQ(buffer.GetChunkSizeByID(0x1000), 3u);
    EXPECT_EQ(buffer.GetChunkRawDataByID(0x1000)[2], 0xCC);
    EXPECT_EQ(buffer.GetChunkSizeByIndex(0), 3u);
    EXPECT_EQ(buffer.GetChunkRawDataByIndex(5), nullptr);
    EXPECT_EQ(buffer.GetChunkRawDataByID(0x3000), nullptr);
    EXPECT_EQ(buffer.GetChunkSizeByID(0x3000), 0u);
    id = 9;
    KyResult r = buffer.GetChunkIDByIndex(2, id);
    EXPECT_EQ(r.GetCode(), KY_NOT_FOUND);
    EXPECT_EQ(r.GetDescription().str(), "[KyBuffer::GetChunkIDByIndex] no chunk 2 of 2");
    EXPECT_EQ(id, 9u);

    // The same bytes, received, give the same chunks back.
    KyBuffer received;
    ASSERT_TRUE(received.GetImage()->Alloc(2, 2, KyPixelMono8, 0, 0, 40).IsOK());
    std::memcpy(received.GetDataPointer(), expected.data(), expected.size());
    ASSERT_TRUE(received.SetAcquiredSize(uint32_t(expected.size())).IsOK());
    ASSERT_TRUE(received.ParseChunks().IsOK());
    EXPECT_EQ(received.GetChunkCount(), 2u);
    EXPECT_EQ(received.GetChunkSizeByID(0x1000), 3u);
    EXPECT_EQ(received.GetChunkRawDataByID(0x1000), received.GetDataPointer() + 12);
    EXPECT_EQ(received.GetChunkDataSize(), 27u);
    r = received.AddChunk(5, first, 1);
    EXPECT_EQ(r.GetCode(), KY_STATE_ERROR);
    received.ResetChunks();
    EXPECT_FALSE(received.HasChunks());
}

TEST(Chunks, AddChunkRefusals)
{
    KyBuffer buffer(KyPayloadTypeChunkData);
    const uint8_t data[8] = {};
    KyResult r = buffer.AddChunk(1, data, 1);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(r.GetDescription().str(), "[KyChunkStore::Append] chunk of 1 bytes needs 9, 0 left");
    ASSERT_TRUE(buffer.GetChunkData()->Alloc(16).IsOK());
    r = buffer.AddChunk(1, nullptr, 4);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(r.GetDescription().str(), "[KyChunkStore::Append] no data for a chunk of 4 bytes");
    ASSERT_TRUE(buffer.AddChunk(1, data, 8).IsOK());  // exactly fills 16
    EXPECT_EQ(buffer.GetChunkDataCapacity(), 0u);
    EXPECT_EQ(buffer.AddChunk(2, data, 0).GetCode(), KY_BUFFER_TOO_SMALL);
    r = buffer.AddChunk(3, data, 0xFFFFFFFF);
    EXPECT_EQ(r.GetCode(), KY_BUFFER_TOO_SMALL);
    EXPECT_EQ(buffer.GetChunkCount(), 1u);
}

TEST(Chunks, SeparateChunkAreaAndChunkDataPayload)
{
    KyBuffer buffer(KyPayloadTypeChunkData);
    ASSERT_TRUE(buffer.AllocChunk(12).IsOK());
    const uint8_t data[4] = {9, 8, 7, 6};
    ASSERT_TRUE(buffer.AddChunk(42, data, 4).IsOK());
    EXPECT_EQ(buffer.GetChunkData()->GetChunkDataPayloadLength(), 12u);
    buffer.FreeChunk();
    EXPECT_FALSE(buffer.HasChunks());

    std::vector<uint8_t> mine(20);
    KyChunkData *chunks = buffer.GetChunkData();
    ASSERT_TRUE(chunks->Attach(mine.data(), 20).IsOK());
    ASSERT_TRUE(chunks->AddChunk(42, data, 4).IsOK());
    EXPECT_EQ(chunks->GetChunkCount(), 1u);
    EXPECT_EQ(chunks->GetChunkRawDataByID(42), mine.data());
    EXPECT_EQ(chunks->Detach(), mine.data());
    EXPECT_EQ(chunks->GetChunkDataPayloadLength(), 12u);  // what was built stays described
    EXPECT_FALSE(chunks->HasChunks());
    EXPECT_EQ(chunks->Alloc(0).GetCode(), KY_INVALID_PARAMETER);
}

TEST(Chunks, ParsingReceivedBlocks)
{
    const std::vector<uint8_t> four = {1, 2, 3, 4};
    const struct
    {
        const char *name;
        KyPayloadType type;
        std::vector<uint8_t> block;
        uint32_t code;
        uint32_t count;
        const char *why;
    } cases[] = {
        {"empty block", KyPayloadTypeChunkData, {}, KY_OK, 0, ""},
        {"one chunk", KyPayloadTypeChunkData, BlockBuilder().Chunk(7, four).bytes, KY_OK, 1, ""},
        {"zero-length chunk", KyPayloadTypeChunkData, BlockBuilder().Chunk(7, {}).bytes, KY_OK, 1, ""},
        {"three chunks", KyPayloadTypeChunkData,
         BlockBuilder().Chunk(1, four).Chunk(2, {}).Chunk(3, {5}).bytes, KY_OK, 3, ""},
        {"image first, not listed", KyPayloadTypeImage,
         BlockBuilder().Chunk(0xA5, four).Chunk(2, {5, 6}).bytes, KY_OK, 1, ""},
        {"trailer cut short", KyPayloadTypeChunkData, BlockBuilder().Raw({0, 0, 0, 7}).bytes,
         KY_INVALID_DATA_FORMAT, 0, "[KyChunkStore::Parse] chunk trailer cut short at byte 4"},
        {"length runs past the start", KyPayloadTypeChunkData,
         BlockBuilder().Raw({1, 2, 3}).Word(7).Word(4).bytes, KY_INVALID_DATA_FORMAT, 0,
         "[KyChunkStore::Parse] chunk 7 claims 4 bytes, 3 precede its trailer"},
        {"length of all ones", KyPayloadTypeChunkData, BlockBuilder().Word(7).Word(0xFFFFFFFF).bytes,
         KY_INVALID_DATA_FORMAT, 0,
         "[KyChunkStore::Parse] chunk 7 claims 4294967295 bytes, 0 precede its trailer"},
        {"stray bytes before the first chunk", KyPayloadTypeChunkData,
         BlockBuilder().Raw({9, 9}).Chunk(1, four).bytes, KY_INVALID_DATA_FORMAT, 0,
         "[KyChunkStore::Parse] chunk trailer cut short at byte 2"},
        {"second length overruns", KyPayloadTypeChunkData,
         BlockBuilder().Word(5).Word(9).Chunk(1, four).bytes, KY_INVALID_DATA_FORMAT, 0,
         "[KyChunkStore::Parse] chunk 5 claims 9 bytes, 0 precede its trailer"},
    };
    for (const auto &c : cases) {
        KyBuffer buffer(c.type);
        KyResult r = Receive(buffer, c.block);
        EXPECT_EQ(r.GetCode(), c.code) << c.name;
        EXPECT_EQ(r.GetDescription().str(), c.why) << c.name;
        EXPECT_EQ(buffer.GetChunkCount(), c.count) << c.name;
        EXPECT_EQ(buffer.HasChunks(), c.count > 0) << c.name;
    }
}
