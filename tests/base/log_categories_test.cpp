// The registry of log categories: fixed names, one logger each, and their levels by API and by
// the KY_LOG syntax.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ky/base/KyLogCategories.h"
#include "ky/base/KyLogDispatcher.h"

namespace {

const char *const kNames[] = {"system", "device", "control", "stream", "genicam", "softdevice", "display"};

// The level of every category, by name.
std::vector<int32_t> Levels()
{
    std::vector<int32_t> levels;
    for (const char *name : kNames)
        levels.push_back(KyLogCategories::Find(name)->GetLogPriority());
    return levels;
}

// Every category back at Info, before and after each test: the registry is the process's own.
class LogCategories : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(KyLogCategories::SetLevel("all", KyLogLevelInfo)); }
    void TearDown() override { EXPECT_TRUE(KyLogCategories::SetLevel("all", KyLogLevelInfo)); }
};

}  // namespace

TEST_F(LogCategories, NamesAreFixedAndEachHasItsOwnLogger)
{
    ASSERT_EQ(KyLogCategories::Count(), sizeof(kNames) / sizeof(kNames[0]));
    std::set<KyLogger *> loggers;
    for (size_t i = 0; i < KyLogCategories::Count(); ++i) {
        ASSERT_STREQ(KyLogCategories::Name(i), kNames[i]);
        KyLogger *logger = KyLogCategories::Find(kNames[i]);
        ASSERT_NE(logger, nullptr) << kNames[i];
        EXPECT_EQ(KyLogCategories::Find(kNames[i]), logger) << "one logger per name, always the same";
        EXPECT_EQ(logger->GetLogPriority(), KyLogLevelInfo) << kNames[i];
        loggers.insert(logger);
    }
    EXPECT_EQ(loggers.size(), KyLogCategories::Count());
    EXPECT_EQ(KyLogCategories::Name(KyLogCategories::Count()), nullptr);
    EXPECT_EQ(KyLogCategories::Name(SIZE_MAX), nullptr);
}

TEST_F(LogCategories, FindTakesTheListedNamesOnly)
{
    for (const char *name : {"Stream", "STREAM", "stream ", "", "all", "streams", "gvcp"})
        EXPECT_EQ(KyLogCategories::Find(name), nullptr) << "'" << name << "'";
    EXPECT_EQ(KyLogCategories::Find(nullptr), nullptr);
}

TEST_F(LogCategories, RecordsCarryTheCategoryName)
{
    struct Sink : KyLogSink
    {
        std::mutex mutex;
        std::vector<std::string> categories;
        void Log(KyLogLevelEnum, const char *category, uint32_t, const char *, const char *,
                 const char *) override
        {
            std::lock_guard<std::mutex> lock(mutex);
            categories.push_back(category);
        }
    } sink;
    ASSERT_TRUE(KyLogDispatcher::AddSink(&sink).IsOK());
    for (const char *name : kNames)
        KyLogCategories::Find(name)->LogWarning(nullptr, 0, "test", "note");
    KyLogCategories::Find("stream")->LogDebug(nullptr, 0, "test", "below Info: not written");
    EXPECT_TRUE(KyLogDispatcher::RemoveSink(&sink).IsOK());
    EXPECT_EQ(sink.categories, std::vector<std::string>(std::begin(kNames), std::end(kNames)));
}

TEST_F(LogCategories, SetLevel)
{
    struct Case
    {
        const char *name;
        int32_t level;
        bool accepted;
        std::vector<int32_t> after;  // system device control stream genicam softdevice display
    };
    const int32_t I = KyLogLevelInfo, D = KyLogLevelDebug, E = KyLogLevelError, C = KyLogLevelCritical;
    const Case cases[] = {
        {"stream", D, true, {I, I, I, D, I, I, I}},
        {"control", E, true, {I, I, E, I, I, I, I}},
        {"all", C, true, {C, C, C, C, C, C, C}},
        {"display", KyLogLevelWarning, true, {I, I, I, I, I, I, KyLogLevelWarning}},
        {"Stream", D, false, {I, I, I, I, I, I, I}},
        {"nothing", D, false, {I, I, I, I, I, I, I}},
        {nullptr, D, false, {I, I, I, I, I, I, I}},
        {"stream", KyLogLevelUnknown, false, {I, I, I, I, I, I, I}},
        {"stream", 6, false, {I, I, I, I, I, I, I}},
        {"all", -1, false, {I, I, I, I, I, I, I}},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(KyLogCategories::SetLevel("all", I));
        EXPECT_EQ(KyLogCategories::SetLevel(c.name, c.level), c.accepted)
            << (c.name ? c.name : "null") << " " << c.level;
        EXPECT_EQ(Levels(), c.after) << (c.name ? c.name : "null") << " " << c.level;
    }
}

TEST_F(LogCategories, SetLevelDecidesWhatIsWritten)
{
    KyLogger &stream = *KyLogCategories::Find("stream");
    EXPECT_FALSE(stream.IsEnabled(KyLogLevelDebug));
    EXPECT_TRUE(stream.IsEnabled(KyLogLevelInfo));
    ASSERT_TRUE(KyLogCategories::SetLevel("stream", KyLogLevelDebug));
    EXPECT_TRUE(stream.IsEnabled(KyLogLevelDebug));
    EXPECT_FALSE(KyLogCategories::Find("control")->IsEnabled(KyLogLevelDebug));
    ASSERT_TRUE(KyLogCategories::SetLevel("stream", KyLogLevelError));
    EXPECT_FALSE(stream.IsEnabled(KyLogLevelWarning));
    EXPECT_TRUE(stream.IsEnabled(KyLogLevelCritical));
}

// The text of KY_LOG: every item that can be read applies, even next to one that cannot.
TEST_F(LogCategories, Configure)
{
    struct Case
    {
        const char *text;
        bool allRead;
        std::vector<int32_t> after;  // system device control stream genicam softdevice display
    };
    const int32_t I = KyLogLevelInfo, D = KyLogLevelDebug, W = KyLogLevelWarning, E = KyLogLevelError,
                  C = KyLogLevelCritical;
    const Case cases[] = {
        {"control=debug,stream=debug", true, {I, I, D, D, I, I, I}},
        {"genicam=warning", true, {I, I, I, I, W, I, I}},
        {"all=debug", true, {D, D, D, D, D, D, D}},
        {"all=error,device=debug", true, {E, D, E, E, E, E, E}},
        {"device=debug,all=error", true, {E, E, E, E, E, E, E}},
        {"softdevice=critical,display=info", true, {I, I, I, I, I, C, I}},
        {"stream=debug,stream=error", true, {I, I, I, E, I, I, I}},
        {" Control = DEBUG , stream=Debug ", true, {I, I, D, D, I, I, I}},
        {"system=debug,,", true, {D, I, I, I, I, I, I}},
        {"", true, {I, I, I, I, I, I, I}},
        {",", true, {I, I, I, I, I, I, I}},
        {"contrl=debug", false, {I, I, I, I, I, I, I}},
        {"contrl=debug,stream=debug", false, {I, I, I, D, I, I, I}},
        {"stream=loud,control=debug", false, {I, I, D, I, I, I, I}},
        {"stream", false, {I, I, I, I, I, I, I}},
        {"=debug", false, {I, I, I, I, I, I, I}},
        {"stream=", false, {I, I, I, I, I, I, I}},
        {"stream=debug=info", false, {I, I, I, I, I, I, I}},
        {"stream:debug", false, {I, I, I, I, I, I, I}},
        {"stream=5", false, {I, I, I, I, I, I, I}},
        {"stream=unknown", false, {I, I, I, I, I, I, I}},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(KyLogCategories::SetLevel("all", I));
        EXPECT_EQ(KyLogCategories::Configure(c.text), c.allRead) << "'" << c.text << "'";
        EXPECT_EQ(Levels(), c.after) << "'" << c.text << "'";
    }
    EXPECT_FALSE(KyLogCategories::Configure(nullptr));
    EXPECT_EQ(Levels(), std::vector<int32_t>(7, I));
}
