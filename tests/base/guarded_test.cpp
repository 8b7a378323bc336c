// ky::base::Guarded: whatever a guarded call throws stops at the guard, is logged to the given
// category, and becomes nothing, a failed KyResult or the fallback.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "ky/Guarded.h"
#include "ky/base/KyLogDispatcher.h"
#include "ky/base/KyLogger.h"

namespace {

struct Record
{
    KyLogLevelEnum level;
    std::string category, function, message;
};

class RecordingSink : public KyLogSink
{
public:
    RecordingSink() { EXPECT_TRUE(KyLogDispatcher::AddSink(this).IsOK()); }
    ~RecordingSink() override { EXPECT_TRUE(KyLogDispatcher::RemoveSink(this).IsOK()); }
    void Log(KyLogLevelEnum level, const char *category, uint32_t, const char *, const char *function,
             const char *message) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        records.push_back({level, category, function, message});
    }
    std::mutex mutex;
    std::vector<Record> records;
};

}  // namespace

TEST(Guarded, ResultsComeBackAndThrowsBecomeFailures)
{
    struct Case
    {
        const char *name;
        std::function<KyResult()> call;
        uint32_t code;
        std::string description;
        std::string logged;  // empty: nothing logged
    };
    const Case cases[] = {
        {"success", [] { return KyResult(); }, KY_OK, "", ""},
        {"failure", [] { return KyResult(KY_TIMEOUT, KyString("late")); }, KY_TIMEOUT, "late", ""},
        {"std::exception", []() -> KyResult { throw std::runtime_error("boom"); }, KY_GENERIC_ERROR,
         "PreRead threw an exception", "threw: boom"},
        {"bad_alloc", []() -> KyResult { throw std::bad_alloc(); }, KY_NOT_ENOUGH_MEMORY,
         "PreRead: out of memory", "threw: std::bad_alloc"},
        {"system_error",
         []() -> KyResult {
             throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
         },
         KY_THREAD_ERROR, "PreRead: the system refused a thread or a lock", "threw: "},
        {"not a std::exception", []() -> KyResult { throw 42; }, KY_GENERIC_ERROR,
         "PreRead threw an exception", "threw: an exception that is not a std::exception"},
    };
    KyLogger log(KyString("guarded"));
    for (const Case &c : cases) {
        RecordingSink sink;
        const KyResult result = ky::base::Guarded(log, "PreRead", c.call);
        EXPECT_EQ(result.GetCode(), c.code) << c.name;
        EXPECT_EQ(std::string(result.GetDescription().GetAscii()), c.description) << c.name;
        if (c.logged.empty()) {
            EXPECT_TRUE(sink.records.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(sink.records.size(), 1u) << c.name;
        EXPECT_EQ(sink.records[0].level, KyLogLevelError) << c.name;
        EXPECT_EQ(sink.records[0].category, "guarded") << c.name;
        EXPECT_EQ(sink.records[0].function, "PreRead") << c.name;
        EXPECT_EQ(sink.records[0].message.rfind(c.logged, 0), 0u)
            << c.name << ": " << sink.records[0].message;
    }
}

TEST(Guarded, CallsWithoutResultReturnAndAreLogged)
{
    KyLogger log(KyString("guarded"));
    RecordingSink sink;
    bool ran = false;
    ky::base::Guarded(log, "OnOpen", [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(sink.records.empty());
    ky::base::Guarded(log, "OnOpen", [] { throw std::logic_error("hook failed"); });
    ky::base::Guarded(log, "OnClose", [] { throw "text"; });
    ASSERT_EQ(sink.records.size(), 2u);
    EXPECT_EQ(sink.records[0].function, "OnOpen");
    EXPECT_EQ(sink.records[0].message, "threw: hook failed");
    EXPECT_EQ(sink.records[1].function, "OnClose");
    EXPECT_EQ(sink.records[1].message, "threw: an exception that is not a std::exception");
}

TEST(Guarded, WithReasonKeepsWhatWasThrownInTheResult)
{
    const struct
    {
        const char *name;
        std::function<void()> call;
        uint32_t code;
        std::string description;
        std::string logged;  // empty: nothing logged
    } cases[] = {
        {"no throw", [] {}, KY_OK, "", ""},
        {"std::exception", [] { throw std::runtime_error("no registers today"); }, KY_GENERIC_ERROR,
         "OnCreate failed: no registers today", "threw: no registers today"},
        {"bad_alloc", [] { throw std::bad_alloc(); }, KY_GENERIC_ERROR, "OnCreate failed: std::bad_alloc",
         "threw: std::bad_alloc"},
        {"not a std::exception", [] { throw 42; }, KY_GENERIC_ERROR,
         "OnCreate failed: an exception that is not a std::exception",
         "threw: an exception that is not a std::exception"},
    };
    KyLogger log(KyString("guarded"));
    for (const auto &c : cases) {
        RecordingSink sink;
        const KyResult result = ky::base::GuardedWithReason(log, "OnCreate", c.call);
        EXPECT_EQ(result.GetCode(), c.code) << c.name;
        EXPECT_EQ(std::string(result.GetDescription().GetAscii()), c.description) << c.name;
        if (c.logged.empty()) {
            EXPECT_TRUE(sink.records.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(sink.records.size(), 1u) << c.name;
        EXPECT_EQ(sink.records[0].level, KyLogLevelError) << c.name;
        EXPECT_EQ(sink.records[0].function, "OnCreate") << c.name;
        EXPECT_EQ(sink.records[0].message, c.logged) << c.name;
    }
}

TEST(Guarded, FallbackStandsForAThrow)
{
    KyLogger log(KyString("guarded"));
    RecordingSink sink;
    EXPECT_EQ(ky::base::Guarded(
                  &log, "Parse", [] { return 7; }, -1),
              7);
    EXPECT_EQ(ky::base::Guarded(
                  &log, "Parse", []() -> int { throw std::out_of_range("x"); }, -1),
              -1);
    EXPECT_FALSE(ky::base::Guarded(
        &log, "Parse", []() -> bool { throw 1; }, false));
    EXPECT_EQ(sink.records.size(), 2u);
}

// No log given, or a log that does not write errors: the throw is still stopped, nothing logged.
TEST(Guarded, QuietWhereTheLogIsOffOrNone)
{
    KyLogger quiet(KyString("quiet"));
    quiet.SetLogPriority(KyLogLevelCritical);
    RecordingSink sink;
    ky::base::Guarded(quiet, "OnOpen", [] { throw std::runtime_error("boom"); });
    const KyResult result =
        ky::base::Guarded(nullptr, "AddSink", []() -> KyResult { throw std::bad_alloc(); });
    EXPECT_EQ(result.GetCode(), KY_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(sink.records.empty());
}
