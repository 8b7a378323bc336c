// Thread priorities take effect: an RTP stream's receive thread, a pipeline's buffer handling
// thread and a GigE Vision device's heartbeat thread (against a soft device) run under the real-time FIFO policy at the priority set, at once while they run and
// from their start; without the privilege for it they run under the normal policy and the getter
// answers 0. The scheduling of each thread is read from the kernel (sched_getscheduler and
// sched_getparam on every task of the process).
#include <gtest/gtest.h>

#include <dirent.h>
#include <linux/capability.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "RealTimeScheduling.h"
#include "ky/buffer/KyBuffer.h"
#include "ky/device/KyDeviceGEV.h"
#include "ky/stream/KyPipeline.h"
#include "ky/stream/KyStreamRTP.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"

using ky::testing::MayUseFifo;

namespace {

struct Scheduling
{
    int policy = -1;
    int priority = -1;
};

// Every thread of this process and how the kernel schedules it.
std::map<pid_t, Scheduling> Tasks()
{
    std::map<pid_t, Scheduling> tasks;
    DIR *folder = opendir("/proc/self/task");
    if (folder == nullptr)
        return tasks;
    while (dirent *entry = readdir(folder)) {
        const pid_t tid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (tid <= 0)
            continue;
        Scheduling scheduling;
        sched_param parameter{};
        scheduling.policy = sched_getscheduler(tid);
        if (scheduling.policy < 0 || sched_getparam(tid, &parameter) != 0)
            continue;  // ended meanwhile
        scheduling.priority = parameter.sched_priority;
        tasks[tid] = scheduling;
    }
    closedir(folder);
    return tasks;
}

// The threads that run under the FIFO policy, with their priorities.
std::map<pid_t, int> FifoThreads()
{
    std::map<pid_t, int> fifo;
    for (const auto &[tid, scheduling] : Tasks())
        if (scheduling.policy == SCHED_FIFO)
            fifo[tid] = scheduling.priority;
    return fifo;
}

// Takes CAP_SYS_NICE out of the calling thread's effective set (threads it starts inherit that).
bool DropSysNice()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    data[CAP_TO_INDEX(CAP_SYS_NICE)].effective &= ~CAP_TO_MASK(CAP_SYS_NICE);
    return syscall(SYS_capset, &header, data) == 0;
}

// One kind of thread whose priority the application sets.
struct Subject
{
    std::unique_ptr<KyStreamRTP> stream = std::make_unique<KyStreamRTP>();
    std::unique_ptr<KyPipeline> pipeline;
    std::unique_ptr<KySoftDeviceGEV> camera;
    std::unique_ptr<KyDeviceGEV> device;

    KyDeviceGEV &Device()
    {
        if (!device) {
            camera = std::make_unique<KySoftDeviceGEV>();
            device = std::make_unique<KyDeviceGEV>();
        }
        return *device;
    }
};

struct Case
{
    const char *name;
    std::function<KyResult(Subject &, uint32_t)> set;
    std::function<uint32_t(Subject &)> get;
    // Starts the subject's thread, the stream opened on loopback.
    std::function<KyResult(Subject &)> start;
};

KyResult OpenStream(Subject &subject)
{
    KyResult prepared = subject.stream->PrepareFor(64, 48, KyPixelRGB8);
    if (!prepared.IsOK())
        return prepared;
    return subject.stream->Open(KyString("127.0.0.1"), 0);
}

const Case kCases[] = {
    {"rtp receive thread", [](Subject &s, uint32_t p) { return s.stream->SetThreadPriority(p); },
     [](Subject &s) { return s.stream->GetThreadPriority(); }, OpenStream},
    {"pipeline buffer handling thread",
     [](Subject &s, uint32_t p) {
         if (!s.pipeline)
             s.pipeline = std::make_unique<KyPipeline>(s.stream.get());
         return s.pipeline->SetBufferHandlingThreadPriority(p);
     },
     [](Subject &s) { return s.pipeline ? s.pipeline->GetBufferHandlingThreadPriority() : 0u; },
     [](Subject &s) {
         // The stream's own receive thread stays at the normal policy: only the pipeline's is set.
         KyResult opened = OpenStream(s);
         if (!opened.IsOK())
             return opened;
         s.pipeline->SetBufferSize(64 * 48 * 3);
         KyResult counted = s.pipeline->SetBufferCount(4);
         return counted.IsOK() ? s.pipeline->Start() : counted;
     }},
    {"device heartbeat thread",
     [](Subject &s, uint32_t p) { return s.Device().SetHeartbeatThreadPriority(p); },
     [](Subject &s) { return s.Device().GetHeartbeatThreadPriority(); },
     [](Subject &s) {
         KyResult started = s.camera->Start(KyString("00:00:00:00:00:00"));
         return started.IsOK() ? s.device->Connect(KyString("127.0.0.1")) : started;
     }},
};

void Stop(Subject &subject)
{
    if (subject.device) {
        (void)subject.device->Disconnect();
        (void)subject.camera->Stop();
    }
    if (subject.pipeline)
        (void)subject.pipeline->Stop();
    subject.pipeline.reset();
    (void)subject.stream->Close();
}

}  // namespace

TEST(ThreadPriority, RunsUnderFifoAtThePrioritySetFromItsStartAndAtOnce)
{
    if (!MayUseFifo(10))
        GTEST_SKIP() << "this process may not use real-time scheduling (no CAP_SYS_NICE)";
    ASSERT_TRUE(FifoThreads().empty());
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        Subject subject;
        // Set before the thread exists: it starts under it.
        ASSERT_TRUE(c.set(subject, 10).IsOK());
        EXPECT_EQ(c.get(subject), 10u);
        ASSERT_TRUE(c.start(subject).IsOK());
        std::map<pid_t, int> fifo = FifoThreads();
        ASSERT_EQ(fifo.size(), 1u) << "one thread, the subject's, under FIFO";
        const pid_t tid = fifo.begin()->first;
        EXPECT_EQ(fifo.begin()->second, 10);
        EXPECT_NE(tid, static_cast<pid_t>(syscall(SYS_gettid)));

        // Changed while it runs: at once.
        ASSERT_TRUE(c.set(subject, 20).IsOK());
        EXPECT_EQ(c.get(subject), 20u);
        fifo = FifoThreads();
        EXPECT_EQ(fifo, (std::map<pid_t, int>{{tid, 20}}));

        // Out of range: refused, nothing changes.
        EXPECT_EQ(c.set(subject, 100).GetCode(), KY_INVALID_PARAMETER);
        EXPECT_EQ(c.get(subject), 20u);
        EXPECT_EQ(FifoThreads(), (std::map<pid_t, int>{{tid, 20}}));

        // 0: the normal policy.
        ASSERT_TRUE(c.set(subject, 0).IsOK());
        EXPECT_EQ(c.get(subject), 0u);
        EXPECT_TRUE(FifoThreads().empty());
        const std::map<pid_t, Scheduling> tasks = Tasks();
        ASSERT_TRUE(tasks.count(tid));
        EXPECT_EQ(tasks.at(tid).policy, SCHED_OTHER);
        EXPECT_EQ(tasks.at(tid).priority, 0);
        Stop(subject);
    }
}

TEST(ThreadPriority, WithoutThePrivilegeThreadsRunUnderTheNormalPolicyAndTheGetterAnswersZero)
{
    // RLIMIT_RTPRIO 0 (the process's), and no CAP_SYS_NICE on the thread that starts the
    // subject's threads (a thread's capabilities are its own, inherited by the threads it starts).
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_RTPRIO, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_RTPRIO, &none), 0);
    std::thread unprivileged([] {
        ASSERT_TRUE(DropSysNice());
        ASSERT_FALSE(MayUseFifo(10));
        for (const Case &c : kCases) {
            SCOPED_TRACE(c.name);
            Subject subject;
            const std::set<pid_t> before = [] {
                std::set<pid_t> tids;
                for (const auto &entry : Tasks())
                    tids.insert(entry.first);
                return tids;
            }();
            ASSERT_TRUE(c.set(subject, 10).IsOK());
            EXPECT_EQ(c.get(subject), 0u);
            ASSERT_TRUE(c.start(subject).IsOK());
            EXPECT_EQ(c.get(subject), 0u);
            ASSERT_TRUE(c.set(subject, 30).IsOK());
            EXPECT_EQ(c.get(subject), 0u);
            EXPECT_TRUE(FifoThreads().empty());
            size_t started = 0;
            for (const auto &[tid, scheduling] : Tasks()) {
                if (before.count(tid))
                    continue;
                ++started;
                EXPECT_EQ(scheduling.policy, SCHED_OTHER) << tid;
                EXPECT_EQ(scheduling.priority, 0) << tid;
            }
            EXPECT_GE(started, 1u);
            Stop(subject);
        }
    });
    unprivileged.join();
    ASSERT_EQ(setrlimit(RLIMIT_RTPRIO, &saved), 0);
}
