// Log records go from KyLogger through KyLogDispatcher to every registered sink.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogger.h"

namespace {

struct Record
{
    KyLogLevelEnum level;
    std::string category;
    uint32_t line;
    std::string file, function, message;
};

class RecordingSink : public KyLogSink
{
public:
    void Log(KyLogLevelEnum level, const char *category, uint32_t line, const char *file,
             const char *function, const char *message) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        records.push_back({level, category, line, file, function, message});
    }
    std::vector<Record> Take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::move(records);
    }
    std::mutex mutex;
    std::vector<Record> records;
};

class ThrowingSink : public KyLogSink
{
public:
    void Log(KyLogLevelEnum, const char *, uint32_t, const char *, const char *, const char *) override
    {
        ++calls;
        throw std::runtime_error("sink failure");
    }
    std::atomic<int> calls{0};
};

// Registers a sink for the length of a test.
class ScopedSink
{
public:
    explicit ScopedSink(KyLogSink *sink) : mSink(sink) { EXPECT_TRUE(KyLogDispatcher::AddSink(sink).IsOK()); }
    ~ScopedSink() { EXPECT_TRUE(KyLogDispatcher::RemoveSink(mSink).IsOK()); }

private:
    KyLogSink *mSink;
};

}  // namespace

TEST(KyLogger, RecordCarriesEveryField)
{
    RecordingSink sink;
    ScopedSink scoped(&sink);
    KyLogger logger(KyString("camera"));
    logger.LogWarning("grab.cpp", 42, "Grab", "frame late");
    logger.LogError(nullptr, -5, nullptr, nullptr);
    auto records = sink.Take();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].level, KyLogLevelWarning);
    EXPECT_EQ(records[0].category, "camera");
    EXPECT_EQ(records[0].line, 42u);
    EXPECT_EQ(records[0].file, "grab.cpp");
    EXPECT_EQ(records[0].function, "Grab");
    EXPECT_EQ(records[0].message, "frame late");
    // Null texts arrive as empty texts, a negative line as 0.
    EXPECT_EQ(records[1].level, KyLogLevelError);
    EXPECT_EQ(records[1].line, 0u);
    EXPECT_EQ(records[1].file, "");
    EXPECT_EQ(records[1].message, "");
}

TEST(KyLogger, PriorityFiltersBySeverity)
{
    const struct
    {
        int32_t priority;
        std::vector<KyLogLevelEnum> passed;
    } cases[] = {
        {KyLogLevelInfo, {KyLogLevelInfo, KyLogLevelError, KyLogLevelWarning, KyLogLevelCritical}},
        {KyLogLevelDebug,
         {KyLogLevelInfo, KyLogLevelError, KyLogLevelWarning, KyLogLevelCritical, KyLogLevelDebug}},
        {KyLogLevelWarning, {KyLogLevelError, KyLogLevelWarning, KyLogLevelCritical}},
        {KyLogLevelError, {KyLogLevelError, KyLogLevelCritical}},
        {KyLogLevelCritical, {KyLogLevelCritical}},
        {KyLogLevelUnknown,
         {KyLogLevelInfo, KyLogLevelError, KyLogLevelWarning, KyLogLevelCritical, KyLogLevelDebug}},
        {1000, {KyLogLevelInfo, KyLogLevelError, KyLogLevelWarning, KyLogLevelCritical, KyLogLevelDebug}},
    };
    RecordingSink sink;
    ScopedSink scoped(&sink);
    KyLogger logger(KyString("p"));
    EXPECT_EQ(logger.GetLogPriority(), KyLogLevelInfo);
    for (const auto &c : cases) {
        logger.SetLogPriority(c.priority);
        EXPECT_EQ(logger.GetLogPriority(), c.priority);
        logger.LogInfo("f", 1, "fn", "m");
        logger.LogError("f", 1, "fn", "m");
        logger.LogWarning("f", 1, "fn", "m");
        logger.LogCritical("f", 1, "fn", "m");
        logger.LogDebug("f", 1, "fn", "m");
        std::vector<KyLogLevelEnum> got;
        for (const auto &r : sink.Take())
            got.push_back(r.level);
        EXPECT_EQ(got, c.passed) << "priority " << c.priority;
    }
}

TEST(KyLogDispatcher, RegistrationErrors)
{
    RecordingSink sink;
    const uint32_t before = KyLogDispatcher::GetSinkCount();
    KyResult r = KyLogDispatcher::AddSink(nullptr);
    EXPECT_EQ(r.GetCode(), KY_INVALID_PARAMETER);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "[KyLogDispatcher::AddSink] null sink");
    EXPECT_EQ(KyLogDispatcher::RemoveSink(&sink).GetCode(), KY_NOT_FOUND);
    ASSERT_TRUE(KyLogDispatcher::AddSink(&sink).IsOK());
    r = KyLogDispatcher::AddSink(&sink);
    EXPECT_EQ(r.GetCode(), KY_STATE_ERROR);
    EXPECT_STREQ(r.GetDescription().GetAscii(), "[KyLogDispatcher::AddSink] sink already registered");
    EXPECT_EQ(KyLogDispatcher::GetSinkCount(), before + 1);
    EXPECT_TRUE(KyLogDispatcher::RemoveSink(&sink).IsOK());
    EXPECT_EQ(KyLogDispatcher::GetSinkCount(), before);
}

TEST(KyLogDispatcher, ThrowingSinkDoesNotStopTheOthers)
{
    ThrowingSink bad;
    RecordingSink good;
    ScopedSink first(&bad);
    ScopedSink second(&good);
    KyLogger logger(KyString("t"));
    logger.LogError("f", 1, "fn", "one");
    logger.LogError("f", 2, "fn", "two");
    EXPECT_EQ(bad.calls.load(), 2);
    EXPECT_EQ(good.Take().size(), 2u);
}

TEST(KyLogDispatcher, SinkThatLogsOrUnregistersFromInsideLog)
{
    class ReentrantSink : public KyLogSink
    {
    public:
        void Log(KyLogLevelEnum, const char *, uint32_t, const char *, const char *, const char *) override
        {
            ++calls;
            KyLogger inner(KyString("inner"));
            inner.LogError("f", 1, "fn", "from inside");  // dropped: it would recurse
            removeResult = KyLogDispatcher::RemoveSink(this);
            addResult = KyLogDispatcher::AddSink(this);
        }
        int calls = 0;
        KyResult removeResult, addResult;
    };
    ReentrantSink sink;
    ScopedSink scoped(&sink);
    KyLogger logger(KyString("t"));
    logger.LogError("f", 1, "fn", "outer");
    EXPECT_EQ(sink.calls, 1);
    EXPECT_EQ(sink.removeResult.GetCode(), KY_STATE_ERROR);
    EXPECT_EQ(sink.addResult.GetCode(), KY_STATE_ERROR);
}

TEST(KyLogDispatcher, RecordsFromManyThreadsAllArrive)
{
    constexpr int kThreads = 8;
    constexpr int kPerThread = 200;
    RecordingSink sink;
    ScopedSink scoped(&sink);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            KyLogger logger(KyString("thread"));
            for (int i = 0; i < kPerThread; ++i)
                logger.LogInfo("f", t, "fn", "m");
        });
    }
    for (auto &th : threads)
        th.join();
    auto records = sink.Take();
    ASSERT_EQ(records.size(), static_cast<size_t>(kThreads * kPerThread));
    std::vector<int> perThread(kThreads, 0);
    for (const auto &r : records)
        ++perThread.at(r.line);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(perThread[t], kPerThread);
}
