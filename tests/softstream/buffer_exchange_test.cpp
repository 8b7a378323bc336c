// The buffers a stream channel lends its source, on their own (no channel, no socket): taken
// once each, queued with their last chunks cleared, retrieved only when the exchange queued them,
// lent to the resend cache and kept from the source until the cache lets go, drained after an
// abort and handed back once each.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"
#include "ky/virtualdevice/KyStreamingChannelSourceTestPattern.h"
#include "streaming/SourceBufferExchange.h"

using ky::soft::SourceBufferExchange;

namespace {

constexpr auto DRAIN = std::chrono::milliseconds(2000);

// A test-pattern source of 64x16 Mono8 frames as fast as asked, with `buffers` buffers. With
// `repeatAt` its AllocBuffer gives its first buffer again at that call; with `foreign` every
// other RetrieveBuffer hands out a buffer of its own.
class FaultySource : public KyStreamingChannelSourceTestPattern
{
public:
    FaultySource(uint32_t buffers, int repeatAt, bool foreign)
        : KyStreamingChannelSourceTestPattern(64, 16, KyPixelMono8, buffers, 0.0),
          mRepeatAt(repeatAt),
          mForeign(foreign)
    {
        EXPECT_TRUE(mStranger.GetImage()->Alloc(32, 8, KyPixelMono8).IsOK());
    }

    KyBuffer *AllocBuffer() override
    {
        ++mAllocs;
        if (mAllocs == mRepeatAt && mFirst != nullptr) {
            return mFirst;
        }
        KyBuffer *buffer = Base::AllocBuffer();
        if (mFirst == nullptr) {
            mFirst = buffer;
        }
        return buffer;
    }
    void FreeBuffer(KyBuffer *buffer) override
    {
        ++mFrees;
        Base::FreeBuffer(buffer);
    }
    KyResult RetrieveBuffer(KyBuffer **buffer) override
    {
        if (mForeign && mRound++ % 2 == 0) {
            *buffer = &mStranger;
            return KyResult(KY_OK);
        }
        return Base::RetrieveBuffer(buffer);
    }

    int mAllocs = 0;
    int mFrees = 0;

private:
    using Base = KyStreamingChannelSourceTestPattern;
    const int mRepeatAt;
    const bool mForeign;
    KyBuffer *mFirst = nullptr;
    KyBuffer mStranger{KyPayloadTypeImage};
    uint64_t mRound = 0;
};

struct TakeCase
{
    const char *name;
    uint32_t sourceBuffers;
    int repeatAt;  // 0: never
    size_t max;
    size_t taken;
};

TEST(SourceBufferExchange, TakesEachBufferOnceAndGivesEachBackOnce)
{
    const TakeCase cases[] = {
        {"all the source has", 4, 0, 64, 4},
        {"no more than asked", 8, 0, 3, 3},
        {"a repeat ends the taking", 4, 3, 64, 2},
        {"a repeat of the first at once", 4, 2, 64, 1},
    };
    for (const TakeCase &c : cases) {
        SCOPED_TRACE(c.name);
        FaultySource source(c.sourceBuffers, c.repeatAt, false);
        SourceBufferExchange exchange(source, "test");
        exchange.Take(c.max);
        EXPECT_EQ(exchange.Count(), c.taken);
        exchange.GiveBack();
        EXPECT_EQ(exchange.Count(), 0u);
        EXPECT_EQ(source.mFrees, static_cast<int>(c.taken));
        EXPECT_EQ(source.GetAllocatedBufferCount(), 0u);
    }
}

TEST(SourceBufferExchange, RetrievesOnlyWhatItQueued)
{
    FaultySource source(3, 0, true);
    SourceBufferExchange exchange(source, "test");
    exchange.Take(64);
    source.OnStreamingStart();
    int mine = 0;
    for (int round = 0; round < 12; ++round) {
        exchange.QueueIdle(nullptr);
        KyResult result(KY_OK);
        KyBuffer *buffer = exchange.Retrieve(result);
        if (round % 2 == 0) {
            EXPECT_EQ(buffer, nullptr) << "round " << round << ": the source's own buffer";
            continue;
        }
        ASSERT_NE(buffer, nullptr) << "round " << round;
        EXPECT_TRUE(result.IsOK());
        EXPECT_EQ(buffer->GetImage()->GetWidth(), 64u);
        ++mine;
        exchange.Release(buffer);
    }
    EXPECT_EQ(mine, 6);
    source.OnStreamingStop();
    exchange.Drain(DRAIN);
    EXPECT_EQ(exchange.Queued(), 0u);
    exchange.GiveBack();
    EXPECT_EQ(source.mFrees, 3);
}

TEST(SourceBufferExchange, QueuesBuffersWithoutTheirLastChunksAndWithAStamp)
{
    FaultySource source(1, 0, false);
    SourceBufferExchange exchange(source, "test");
    exchange.Take(64);
    source.OnStreamingStart();
    exchange.QueueIdle([] { return uint64_t(1234); });
    KyResult result(KY_OK);
    KyBuffer *buffer = exchange.Retrieve(result);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->GetTimestamp(), 1234u);
    const uint8_t chunk[4] = {1, 2, 3, 4};
    ASSERT_TRUE(buffer->AllocChunk(64).IsOK());
    ASSERT_TRUE(buffer->AddChunk(0x1000, chunk, sizeof chunk).IsOK());
    ASSERT_TRUE(buffer->HasChunks());
    exchange.Release(buffer);
    exchange.QueueIdle(nullptr);  // no stamp: the timestamp stays
    EXPECT_FALSE(buffer->HasChunks()) << "the chunks of the last frame are gone before it is queued again";
    EXPECT_EQ(buffer->GetTimestamp(), 1234u);
    EXPECT_EQ(exchange.Queued(), 1u);
    source.OnStreamingStop();
    exchange.Drain(DRAIN);
    EXPECT_EQ(exchange.Queued(), 0u) << "the aborted buffer came back";
    exchange.GiveBack();
    EXPECT_EQ(source.GetAllocatedBufferCount(), 0u);
}

// A lent buffer is not queued to the source again (so its frame stays as it was sent) until
// the last copy of its token is gone, whichever thread lets go; the source always keeps a buffer.
TEST(SourceBufferExchange, LentBuffersStayOutOfTheSourceUntilLetGo)
{
    FaultySource source(4, 0, false);
    SourceBufferExchange exchange(source, "test");
    exchange.Take(64);
    source.OnStreamingStart();
    std::vector<std::shared_ptr<const void>> tokens;
    std::set<KyBuffer *> lent;
    for (int round = 0; round < 8; ++round) {
        exchange.QueueIdle(nullptr);
        KyResult result(KY_OK);
        KyBuffer *buffer = exchange.Retrieve(result);
        ASSERT_NE(buffer, nullptr) << "round " << round << ": the source still had a buffer";
        EXPECT_EQ(lent.count(buffer), 0u) << "round " << round << ": a lent buffer was filled again";
        std::shared_ptr<const void> token = exchange.TryLend(*buffer);
        if (round < 3) {
            ASSERT_NE(token, nullptr) << "round " << round;
            EXPECT_EQ(exchange.TryLend(*buffer), nullptr) << "a buffer is lent once";
            lent.insert(buffer);
            tokens.push_back(token);
        } else {
            EXPECT_EQ(token, nullptr) << "round " << round << ": the last buffer stays the source's";
        }
        exchange.Release(buffer);
        EXPECT_EQ(exchange.Lent(), lent.size());
    }
    // Let go of one on another thread (as a resend in progress would): it is queued again.
    KyBuffer *first = const_cast<KyBuffer *>(static_cast<const KyBuffer *>(tokens.front().get()));
    std::thread([token = std::move(tokens.front())]() mutable { token.reset(); }).join();
    tokens.erase(tokens.begin());
    lent.erase(first);
    bool seen = false;
    for (int round = 0; round < 4 && !seen; ++round) {
        exchange.QueueIdle(nullptr);
        KyResult result(KY_OK);
        KyBuffer *buffer = exchange.Retrieve(result);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(lent.count(buffer), 0u);
        seen = buffer == first;
        exchange.Release(buffer);
    }
    EXPECT_TRUE(seen) << "the buffer let go of is the source's again";
    EXPECT_EQ(exchange.Lent(), 2u);
    tokens.clear();
    source.OnStreamingStop();
    exchange.Drain(DRAIN);
    exchange.GiveBack();
    EXPECT_EQ(source.mFrees, 4);
    EXPECT_EQ(source.GetAllocatedBufferCount(), 0u);
}

}  // namespace
