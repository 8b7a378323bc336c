// KyDisplayThread over a pipeline: every buffer reaches the hooks on the display thread, a
// throwing hook does not end it, the frame-rate target thins out what is shown, and it stops
// cleanly.
#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ky/apputils/KyDisplayThread.h"
#include "PipelineRig.h"

using namespace ky::stream::test;

namespace {

constexpr uint32_t kWidth = 200, kHeight = 100, kSize = kWidth * kHeight;

class RecordingDisplay : public KyDisplayThread
{
public:
    ~RecordingDisplay() override
    {
        // The thread must be gone before the members it records into; a test that stopped it
        // already gets a refusal here, which changes nothing.
        (void)Stop(false);
        (void)WaitComplete();
    }

    std::atomic<int> retrieved{0}, done{0};
    std::atomic<bool> wrongThread{false};
    std::atomic<uint32_t> waitOnItself{0};
    std::mutex mutex;
    std::vector<uint64_t> shown;  // block ids of the whole, pattern-exact buffers shown

    size_t Shown()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return shown.size();
    }

protected:
    void OnBufferRetrieved(KyBuffer *) override
    {
        if (std::this_thread::get_id() == mCaller)
            wrongThread = true;
        ++retrieved;
        waitOnItself = WaitComplete().GetCode();
    }
    void OnBufferDisplay(KyBuffer *buffer) override
    {
        const bool exact = buffer->GetOperationResult().IsOK() &&
                           HoldsPattern(*buffer, kSize, static_cast<uint32_t>(buffer->GetBlockID() - 1));
        std::lock_guard<std::mutex> lock(mutex);
        if (exact)
            shown.push_back(buffer->GetBlockID());
    }
    void OnBufferDone(KyBuffer *) override
    {
        ++done;
        throw std::runtime_error("a hook that fails");
    }

private:
    std::thread::id mCaller = std::this_thread::get_id();
};

template <typename F>
bool WaitFor(F &&condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

}  // namespace

TEST(DisplayThread, HooksGetEveryBufferAndItStopsCleanly)
{
    PipelineRig p;
    ASSERT_TRUE(p.Open(1500, 4, kSize).IsOK());
    RecordingDisplay display;
    EXPECT_EQ(display.Start(nullptr, nullptr).GetCode(), KY_INVALID_PARAMETER);
    EXPECT_EQ(display.Stop(false).GetCode(), KY_STATE_ERROR);
    ASSERT_TRUE(display.Start(p.pipeline.get(), nullptr).IsOK());
    EXPECT_TRUE(display.IsRunning());
    EXPECT_EQ(display.Start(p.pipeline.get(), nullptr).GetCode(), KY_STATE_ERROR);
    for (uint32_t f = 0; f < 6; ++f) {
        ASSERT_TRUE(p.rig.camera.SendFrame(f + 1, KyPixelMono8, kWidth, kHeight, f).IsOK());
        ASSERT_TRUE(WaitFor([&] { return display.done.load() == static_cast<int>(f + 1); })) << f;
    }
    EXPECT_EQ(display.Shown(), 6u);
    EXPECT_EQ(display.retrieved.load(), 6);
    EXPECT_FALSE(display.wrongThread.load());
    EXPECT_EQ(display.waitOnItself.load(), static_cast<uint32_t>(KY_STATE_ERROR));
    EXPECT_TRUE(display.Stop(true).IsOK());
    EXPECT_FALSE(display.IsRunning());
    EXPECT_TRUE(display.WaitComplete().IsOK());
    // Every buffer went back to the pipeline.
    EXPECT_EQ(p.pipeline->GetOutputQueueSize(), 0u);
    EXPECT_TRUE(p.pipeline->Stop().IsOK());
    EXPECT_EQ(p.rig.stream.GetQueuedBufferCount(), 0u);

    // And it starts again.
    ASSERT_TRUE(p.pipeline->Start().IsOK());
    ASSERT_TRUE(display.Start(p.pipeline.get(), nullptr).IsOK());
    ASSERT_TRUE(p.rig.camera.SendFrame(10, KyPixelMono8, kWidth, kHeight, 9).IsOK());
    EXPECT_TRUE(WaitFor([&] { return display.Shown() == 7; }));
}

TEST(DisplayThread, FrameRateTargetThinsOutWhatIsShown)
{
    PipelineRig p;
    ASSERT_TRUE(p.Open(9000, 8, kSize).IsOK());
    RecordingDisplay display;
    display.SetTargetFrameRate(1);
    ASSERT_TRUE(display.Start(p.pipeline.get(), nullptr).IsOK());
    for (uint32_t f = 0; f < 5; ++f)
        ASSERT_TRUE(p.rig.camera.SendFrame(f + 1, KyPixelMono8, kWidth, kHeight, f).IsOK());
    ASSERT_TRUE(WaitFor([&] { return display.done.load() == 5; }));
    EXPECT_GE(display.Shown(), 1u);
    EXPECT_LT(display.Shown(), 5u);
    EXPECT_EQ(display.GetFrameRate() >= 1u, true);
}

namespace {

// Deletes itself from OnBufferDisplay, as an application that closes its window from the
// display callback does. Nothing of the object may be touched after that.
class SelfDeletingDisplay : public KyDisplayThread
{
public:
    explicit SelfDeletingDisplay(std::atomic<bool> &deleted) : mDeleted(deleted) { }
    ~SelfDeletingDisplay() override
    {
        (void)Stop(false);  // the thread is running: it is the one deleting this object
        waitOnItself = WaitComplete().GetCode();
    }
    uint32_t waitOnItself = 0;

protected:
    void OnBufferDisplay(KyBuffer *) override
    {
        std::atomic<bool> &deleted = mDeleted;
        delete this;
        deleted = true;
    }

private:
    std::atomic<bool> &mDeleted;
};

}  // namespace

TEST(DisplayThread, DeletedFromItsOwnHook)
{
    PipelineRig p;
    ASSERT_TRUE(p.Open(1500, 4, kSize).IsOK());
    std::atomic<bool> deleted{false};
    auto *display = new SelfDeletingDisplay(deleted);
    ASSERT_TRUE(display->Start(p.pipeline.get(), nullptr).IsOK());
    ASSERT_TRUE(p.rig.camera.SendFrame(1, KyPixelMono8, kWidth, kHeight, 0).IsOK());
    ASSERT_TRUE(WaitFor([&] { return deleted.load(); }));
    // The thread took no further buffer: the next frame is the application's to take.
    ASSERT_TRUE(p.rig.camera.SendFrame(2, KyPixelMono8, kWidth, kHeight, 1).IsOK());
    p.ExpectFrame(kSize, 1, 2);
    EXPECT_TRUE(p.pipeline->Stop().IsOK());
}
