// The chunk types the device lists for a source: asked from index 0 until a failure and at most
// 256 times, each ID and name once, names that are no feature names replaced by their ID.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "streaming/SoftSupportedChunks.h"

namespace {

using Answer = std::function<KyResult(int, uint32_t &, KyString &)>;

class ListingSource : public KyStreamingChannelSourceTestPattern
{
public:
    explicit ListingSource(Answer answer)
        : KyStreamingChannelSourceTestPattern(16, 16, KyPixelMono8, 1, 10.0), mAnswer(std::move(answer))
    { }
    KyResult GetSupportedChunk(int aIndex, uint32_t &aChunkID, KyString &aChunkName) const override
    {
        ++mAsked;
        return mAnswer(aIndex, aChunkID, aChunkName);
    }
    mutable int mAsked = 0;

private:
    Answer mAnswer;
};

// A fixed list, then failures.
Answer List(std::vector<std::pair<uint32_t, std::string>> chunks)
{
    return [chunks](int index, uint32_t &id, KyString &name) {
        if (index < 0 || static_cast<size_t>(index) >= chunks.size()) {
            return KyResult(KY_INVALID_PARAMETER);
        }
        id = chunks[index].first;
        name = KyString(chunks[index].second);
        return KyResult(KY_OK);
    };
}

struct ListCase
{
    const char *name;
    Answer answer;
    std::vector<std::pair<uint32_t, std::string>> listed;
    int asked;
};

std::vector<ListCase> Cases()
{
    std::vector<std::pair<uint32_t, std::string>> many;
    for (uint32_t i = 0; i < 256; ++i) {
        many.emplace_back(i, "Chunk" + std::to_string(i));
    }
    return {
        {"none", List({}), {}, 1},
        {"two", List({{1, "ChunkA"}, {2, "ChunkB"}}), {{1, "ChunkA"}, {2, "ChunkB"}}, 3},
        {"id_twice", List({{1, "ChunkA"}, {1, "ChunkB"}, {3, "ChunkC"}}), {{1, "ChunkA"}, {3, "ChunkC"}}, 4},
        {"name_twice", List({{1, "ChunkA"}, {2, "ChunkA"}}), {{1, "ChunkA"}}, 3},
        {"not_feature_names",
         List({{0x10, ""}, {0x11, "1st"}, {0x12, "Chunk Two"}, {0x13, "Chunk_3"}}),
         {{0x10, "Chunk00000010"}, {0x11, "Chunk00000011"}, {0x12, "Chunk00000012"}, {0x13, "Chunk_3"}},
         5},
        {"always_ok",
         [](int index, uint32_t &id, KyString &name) {
             id = static_cast<uint32_t>(index);
             name = KyString("Chunk" + std::to_string(index));
             return KyResult(KY_OK);
         },
         many, 256},
        {"throws",
         [](int, uint32_t &, KyString &) -> KyResult { throw std::runtime_error("no list"); },
         {},
         1},
    };
}

class ChunkList : public ::testing::TestWithParam<ListCase>
{
};

TEST_P(ChunkList, ListsEachChunkOnce)
{
    const ListCase &c = GetParam();
    ListingSource source(c.answer);
    const std::vector<ky::soft::SoftChunkType> chunks = ky::soft::SupportedChunks(source);
    std::vector<std::pair<uint32_t, std::string>> listed;
    for (const auto &chunk : chunks) {
        listed.emplace_back(chunk.id, chunk.name);
    }
    EXPECT_EQ(listed, c.listed);
    EXPECT_EQ(source.mAsked, c.asked);
}

INSTANTIATE_TEST_SUITE_P(Sources, ChunkList, ::testing::ValuesIn(Cases()),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
