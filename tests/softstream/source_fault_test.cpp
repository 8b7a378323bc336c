// Sources that break the buffer and enumeration rules: the device keeps its own. A buffer that
// AllocBuffer gives twice is taken once; a buffer RetrieveBuffer hands out that the channel never
// queued is not sent; a source whose GetSupportedPixelType always answers OK cannot hang Start,
// and a type it repeats is listed once.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "SoftStreamRig.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/buffer/KyImage.h"

using namespace ky::soft::test;
using ky::gev::Status;
using Offset = StreamFeatureOffset;

namespace {

// A test-pattern source of 64x16 Mono8 at 200 frames/s with two buffers, whose AllocBuffer
// gives its first buffer again before it says no more.
class RepeatingAllocSource : public KyStreamingChannelSourceTestPattern
{
public:
    RepeatingAllocSource() : KyStreamingChannelSourceTestPattern(64, 16, KyPixelMono8, 2, 200.0) { }

    KyBuffer *AllocBuffer() override
    {
        ++mAllocs;
        if (mFirst == nullptr) {
            mFirst = Base::AllocBuffer();
            return mFirst;
        }
        return mAllocs == 2 ? mFirst : Base::AllocBuffer();
    }
    void FreeBuffer(KyBuffer *aBuffer) override
    {
        ++mFrees;
        Base::FreeBuffer(aBuffer);
    }

    int mAllocs = 0;
    int mFrees = 0;

private:
    using Base = KyStreamingChannelSourceTestPattern;
    KyBuffer *mFirst = nullptr;
};

TEST(SourceFaults, ABufferAllocatedTwiceIsTakenOnce)
{
    RepeatingAllocSource source;
    {
        SoftStreamRig rig(source);
        ASSERT_NO_FATAL_FAILURE(rig.Start());
        // The repeat ends the round: the device asks no further.
        EXPECT_EQ(source.mAllocs, 2);
        ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(2, 64 * 16));
        ASSERT_NO_FATAL_FAILURE(rig.Open());
        ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
        for (int n = 0; n < 2; ++n) {
            ky::gev::GvspCompletedBlock block;
            ASSERT_TRUE(rig.Receiver().WaitForBlock(block, WAIT_MS).IsOK());
            EXPECT_EQ(block.status, ky::gev::GvspBlockStatus::Complete);
        }
    }
    EXPECT_EQ(source.mFrees, 1) << "FreeBuffer once for the one buffer taken";
    EXPECT_EQ(source.GetAllocatedBufferCount(), 0u);
}

// Every other RetrieveBuffer hands out a buffer of its own that the device never queued: a
// 32x8 image that no frame of the channel has. The queued buffers come back on the rounds
// between.
class ForeignBufferSource : public KyStreamingChannelSourceTestPattern
{
public:
    ForeignBufferSource() : KyStreamingChannelSourceTestPattern(64, 16, KyPixelMono8, 4, 0.0)
    {
        EXPECT_TRUE(mForeign.GetImage()->Alloc(32, 8, KyPixelMono8).IsOK());
    }

    KyResult RetrieveBuffer(KyBuffer **aBuffer) override
    {
        if (mRound++ % 2 == 0) {
            *aBuffer = &mForeign;
            ++mForeignHandedOut;
            return KyResult(KY_OK);
        }
        return KyStreamingChannelSourceTestPattern::RetrieveBuffer(aBuffer);
    }

    std::atomic<int> mForeignHandedOut{0};

private:
    KyBuffer mForeign{KyPayloadTypeImage};
    uint64_t mRound = 0;
};

TEST(SourceFaults, OnlyBuffersTheChannelQueuedAreSent)
{
    ForeignBufferSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ASSERT_NO_FATAL_FAILURE(rig.QueueFrames(6, 64 * 16));
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStart), 1), Status::SUCCESS);
    for (int n = 0; n < 6; ++n) {
        ky::gev::GvspCompletedBlock block;
        ASSERT_TRUE(rig.Receiver().WaitForBlock(block, WAIT_MS).IsOK());
        EXPECT_EQ(block.status, ky::gev::GvspBlockStatus::Complete);
        EXPECT_EQ(block.leader.sizeX, 64u) << "block " << block.blockId;
        EXPECT_EQ(block.leader.sizeY, 16u) << "block " << block.blockId;
        // Block ids go on without gaps: nothing was sent for the foreign buffers.
        EXPECT_EQ(block.blockId, static_cast<uint64_t>(n + 1));
        std::string where;
        EXPECT_TRUE(MatchesPattern(block.data, 64, 16, 0, 0, block.blockId - 1, where)) << where;
    }
    ASSERT_EQ(rig.Write(Feature(Offset::AcquisitionStop), 1), Status::SUCCESS);
    EXPECT_GE(source.mForeignHandedOut.load(), 6);
}

// GetSupportedPixelType answers OK at every index: Mono8 at even ones, BayerRG8 at odd ones.
class EndlessPixelTypesSource : public KyStreamingChannelSourceTestPattern
{
public:
    EndlessPixelTypesSource() : KyStreamingChannelSourceTestPattern(64, 16, KyPixelMono8, 2, 0.0) { }

    KyResult GetSupportedPixelType(int aIndex, KyPixelType &aPixelType) const override
    {
        ++mAsked;
        aPixelType = aIndex % 2 == 0 ? KyPixelMono8 : KyPixelBayerRG8;
        return KyResult(KY_OK);
    }

    mutable std::atomic<int> mAsked{0};
};

size_t Occurrences(const std::string &text, const std::string &what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

TEST(SourceFaults, EndlessPixelTypesAreBoundedAndListedOnce)
{
    EndlessPixelTypesSource source;
    SoftStreamRig rig(source);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    EXPECT_EQ(source.mAsked.load(), 256) << "indices 0 to 255, then no more";
    KyString xml;
    ASSERT_TRUE(rig.Device().GetGenICamXMLFile(xml).IsOK());
    const std::string text = xml.GetAscii();
    EXPECT_EQ(Occurrences(text, "Name=\"Mono8\""), 1u);
    EXPECT_EQ(Occurrences(text, "Name=\"BayerRG8\""), 1u);
    EXPECT_EQ(Occurrences(text, "Name=\"BayerGR8\""), 0u);
}

}  // namespace
