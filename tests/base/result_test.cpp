#include <gtest/gtest.h>

#include "ky/base/KyResult.h"

TEST(KyResult, DefaultIsOk)
{
    KyResult r;
    EXPECT_TRUE(r.IsOK());
    EXPECT_TRUE(r.IsSuccess());
    EXPECT_FALSE(r.IsFailure());
    EXPECT_EQ(r.GetCode(), KY_OK);
    EXPECT_EQ(r, KY_OK);
    EXPECT_STREQ(r.GetCodeString().GetAscii(), "KY_OK");
    EXPECT_FALSE(r.HasDescription());
}

TEST(KyResult, CodesAndTexts)
{
    const struct
    {
        uint32_t code;
        const char *name;
        bool pending;
    } cases[] = {
        {KY_NOT_FOUND, "KY_NOT_FOUND", false},
        {KY_TIMEOUT, "KY_TIMEOUT", false},
        {KY_PENDING, "KY_PENDING", true},
        {KY_GENICAM_XML_ERROR, "KY_GENICAM_XML_ERROR", false},
        {KY_CORRUPTED_DATA, "KY_CORRUPTED_DATA", false},
        {0x12345, "KY_UNKNOWN", false},
    };
    for (const auto &c : cases) {
        KyResult r(c.code, KyString("why"));
        EXPECT_FALSE(r.IsOK()) << c.name;
        EXPECT_EQ(r.IsPending(), c.pending) << c.name;
        EXPECT_EQ(r.IsSuccess(), c.pending) << c.name;
        EXPECT_STREQ(r.GetCodeString().GetAscii(), c.name);
        EXPECT_TRUE(r.HasDescription());
        EXPECT_EQ(r.GetDescription(), "why");
    }
}

TEST(KyResult, OsCodeAndComparisons)
{
    KyResult a(KY_NETWORK_ERROR, 111u, KyString("connection refused"));
    EXPECT_EQ(a.GetOSCode(), 111u);
    EXPECT_EQ(a, KyResult(KY_NETWORK_ERROR));  // compares codes only
    EXPECT_NE(a, KyResult(KY_TIMEOUT));
    EXPECT_TRUE(a == KY_NETWORK_ERROR);
    a.SetCode(KY_OK);
    EXPECT_TRUE(a.IsOK());
}

TEST(KyResult, OrAssignKeepsFirstFailure)
{
    KyResult r;
    r |= KyResult();
    EXPECT_TRUE(r.IsOK());
    r |= KyResult(KY_TIMEOUT, KyString("first"));
    r |= KyResult(KY_NOT_FOUND, KyString("second"));
    EXPECT_EQ(r.GetCode(), KY_TIMEOUT);
    EXPECT_EQ(r.GetDescription(), "first");
}
