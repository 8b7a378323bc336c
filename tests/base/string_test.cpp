#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <thread>
#include <vector>

#include "ky/base/KyString.h"

TEST(KyString, EmptyAndNull)
{
    KyString empty;
    EXPECT_EQ(empty.GetLength(), 0u);
    EXPECT_STREQ(empty.GetAscii(), "");
    EXPECT_STREQ(empty.GetUnicode(), L"");
    EXPECT_EQ(KyString(static_cast<const char *>(nullptr)).GetLength(), 0u);
    EXPECT_EQ(KyString(static_cast<const wchar_t *>(nullptr)).GetLength(), 0u);
    EXPECT_EQ(KyString(nullptr, 5).GetLength(), 0u);
}

TEST(KyString, WideAndNarrowRoundTrip)
{
    const struct
    {
        const wchar_t *wide;
        const char *utf8;
    } cases[] = {
        {L"Mono8", "Mono8"},
        {L"caf\u00e9", "caf\xc3\xa9"},
        {L"\u20ac100", "\xe2\x82\xac"
                       "100"},
        {L"\U0001F4F7", "\xf0\x9f\x93\xb7"},
    };
    for (const auto &c : cases) {
        KyString fromWide(c.wide);
        EXPECT_STREQ(fromWide.GetAscii(), c.utf8);
        KyString fromNarrow(c.utf8);
        EXPECT_STREQ(fromNarrow.GetUnicode(), c.wide);
        EXPECT_TRUE(fromWide == fromNarrow);
        EXPECT_TRUE(fromNarrow == c.wide);
        EXPECT_EQ(fromNarrow.GetLength(), std::strlen(c.utf8));
    }
}

TEST(KyString, InvalidUtf8BecomesReplacementCharacter)
{
    KyString s("a\xff"
               "b");
    EXPECT_STREQ(s.GetUnicode(), L"a\ufffd"
                                 L"b");
    EXPECT_EQ(s.GetLength(), 3u);
    KyString truncated("\xe2\x82");
    EXPECT_STREQ(truncated.GetUnicode(), L"\ufffd\ufffd");
}

TEST(KyString, CountedTextKeepsEmbeddedNul)
{
    const char bytes[] = {'a', '\0', 'b'};
    KyString s(bytes, 3);
    EXPECT_EQ(s.GetLength(), 3u);
    EXPECT_EQ(s.str(), std::string(bytes, 3));
    EXPECT_NE(s, KyString("a"));
}

TEST(KyString, AppendAndCompare)
{
    KyString s("Gev");
    s += KyString(L"SCPSPacketSize");
    EXPECT_EQ(s, "GevSCPSPacketSize");
    EXPECT_STREQ(s.GetUnicode(), L"GevSCPSPacketSize");
    s += "!";  // the wide copy follows changes
    EXPECT_STREQ(s.GetUnicode(), L"GevSCPSPacketSize!");
    EXPECT_TRUE(KyString("a") < KyString("b"));
    EXPECT_TRUE(KyString("a") != "b");
}

TEST(KyString, WideTextFromManyThreadsIsOneStableCopy)
{
    const KyString text("caf\xc3\xa9 \xe2\x82\xac");
    constexpr int kThreads = 8;
    std::vector<const wchar_t *> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { seen[t] = text.GetUnicode(); });
    for (auto &th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(seen[t], seen[0]);
        EXPECT_STREQ(seen[t], L"caf\u00e9 \u20ac");
    }
}

TEST(KyString, MovedFromStringIsEmptyInBothForms)
{
    KyString a("moved");
    a.GetUnicode();
    KyString b(std::move(a));
    EXPECT_STREQ(a.GetUnicode(), L"");  // NOLINT(bugprone-use-after-move): the moved-from state is defined
    KyString c("other");
    c.GetUnicode();
    b = std::move(c);
    EXPECT_STREQ(c.GetUnicode(), L"");  // NOLINT(bugprone-use-after-move)
    EXPECT_STREQ(b.GetUnicode(), L"other");
}
