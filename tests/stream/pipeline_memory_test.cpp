// KyPipeline when its buffers cannot be queued or cannot grow: Start says so instead of starting
// a pipeline that never delivers, and a buffer that could not grow is reported and never queued.
// The allocation failures come from a limit on the address space, in a child process (a death
// test) so that the limit stays there; the sanitizers reserve more address space than that allows.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogSink.h"
#include "PipelineRig.h"
#include "TestDeadline.h"

using namespace ky::stream::test;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Room for ordinary allocations (a new thread's heap arena alone reserves 64 MiB), far below the
// buffers the tests ask for.
constexpr size_t kHeadroom = 512u << 20;

// Lets the process map only `headroom` bytes more than it has mapped now.
bool LimitAddressSpace(size_t headroom)
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0;
    if (!(statm >> pages))
        return false;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = pages * static_cast<size_t>(sysconf(_SC_PAGESIZE)) + headroom;
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

// Ends the child: 0 when the check held, otherwise the reason on standard error and 1.
[[noreturn]] void Exit(bool held, const std::string &why)
{
    if (!held)
        std::fprintf(stderr, "%s\n", why.c_str());
    std::fflush(stderr);
    std::_Exit(held ? 0 : 1);
}

struct ErrorSink : KyLogSink
{
    std::atomic<bool> cannotQueue{false};
    void Log(KyLogLevelEnum level, const char *, uint32_t, const char *, const char *,
             const char *message) override
    {
        if (level == KyLogLevelError &&
            std::strstr(message, "cannot queue a buffer on the stream") != nullptr)
            cannotQueue = true;
    }
};

void StartWithoutMemory()
{
    PipelineRig p;
    if (p.rig.Open(1500).IsFailure())
        Exit(false, "the stream does not open");
    p.pipeline = std::make_unique<KyPipeline>(&p.rig.stream);
    p.pipeline->SetBufferSize(2u << 30);
    if (p.pipeline->SetBufferCount(2).IsFailure() || !LimitAddressSpace(kHeadroom))
        Exit(false, "no setup");
    const KyResult started = p.pipeline->Start();
    Exit(started.GetCode() == KY_NOT_ENOUGH_MEMORY && !p.pipeline->IsStarted() &&
             p.rig.stream.GetQueuedBufferCount() == 0,
         "Start: " + started.GetCodeString().str() + " " + started.GetDescription().str());
}

void GrowWithoutMemory()
{
    PipelineRig p;
    // No sink: every buffer grows when a block does not fit.
    if (p.Open(1500, 2, 1000, false).IsFailure())
        Exit(false, "the pipeline does not start");
    ErrorSink sink;
    if (KyLogDispatcher::AddSink(&sink).IsFailure() || !LimitAddressSpace(kHeadroom))
        Exit(false, "no setup");
    // A few kilobytes that announce an image of 3.6 GB: the buffers must grow beyond the limit.
    auto bytes = std::make_shared<std::vector<uint8_t>>(4000, 0x5A);
    ky::gev::GvspOutgoingBlock block;
    block.blockId = 1;
    block.leader = ky::gev::test::ImageLeader(KyPixelMono8, 60000, 60000, 1);
    block.data = bytes->data();
    block.size = bytes->size();
    block.keepAlive = bytes;
    if (p.rig.camera.sender.SendBlock(block).IsFailure())
        Exit(false, "the block is not sent");
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(TestDeadlineMs(kWaitMs));
    while (!sink.cannotQueue && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!sink.cannotQueue)
        Exit(false, "no error logged for the buffers that could not grow");
    KyBuffer *buffer = nullptr;
    KyResult operation;
    if (p.pipeline->RetrieveNextBuffer(&buffer, 200, &operation).GetCode() != KY_TIMEOUT)
        Exit(false, "a block came out of buffers that could not grow");
    const KyResult stopped = p.pipeline->Stop();
    (void)KyLogDispatcher::RemoveSink(&sink);  // added above
    Exit(stopped.IsOK() && p.rig.stream.GetQueuedBufferCount() == 0,
         "Stop: " + stopped.GetDescription().str());
}

}  // namespace

TEST(Pipeline, StartFailsWhenTheStreamTakesNoBuffer)
{
    PipelineRig p;
    ASSERT_TRUE(p.rig.Open(1500).IsOK());
    p.rig.QueueBuffers(static_cast<int>(p.rig.stream.GetQueuedBufferMaximum()), 1000);  // the stream is full
    p.pipeline = std::make_unique<KyPipeline>(&p.rig.stream);
    ASSERT_TRUE(p.pipeline->SetBufferCount(2).IsOK());
    const KyResult started = p.pipeline->Start();
    EXPECT_EQ(started.GetCode(), KY_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(started.GetDescription().str().rfind("the pipeline cannot queue its buffers: ", 0), 0u)
        << started.GetDescription().GetAscii();
    EXPECT_FALSE(p.pipeline->IsStarted());
    EXPECT_EQ(p.rig.stream.GetQueuedBufferCount(), p.rig.stream.GetQueuedBufferMaximum())
        << "the stream's own buffers stay";
}

TEST(PipelineDeathTest, StartFailsWhenTheBuffersCannotBeAllocated)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(StartWithoutMemory(), ::testing::ExitedWithCode(0), "");
}

TEST(PipelineDeathTest, BuffersThatCannotGrowAreReportedAndNeverQueued)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(GrowWithoutMemory(), ::testing::ExitedWithCode(0), "");
}
