#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "Options.h"

using namespace gevconfigure;

TEST(CheckArgumentOption, WholeWordsOnly)
{
    const struct
    {
        const char *word;
        int32_t code;
    } cases[] = {
        {"--help", kOptionHelp},
        {"-h", kOptionHelp},
        {"--list", kOptionList},
        {"-L", kOptionList},
        {"--version", kOptionVersion},
        {"-v", kOptionVersion},
        {"-d", kOptionDHCP},
        {"--dhcp", kOptionDHCP},
        {"-p", kOptionPersistent},
        {"--persistent", kOptionPersistent},
        {"-l", kOptionLLA},
        {"--lla", kOptionLLA},
        // no abbreviations, "=" forms, combined options or case folding
        {"--he", kOptionUnknown},
        {"--dhcp=1", kOptionUnknown},
        {"-dl", kOptionUnknown},
        {"-H", kOptionUnknown},
        {"-D", kOptionUnknown},
        {"", kOptionUnknown},
        {nullptr, kOptionUnknown},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CheckArgumentOption(c.word), c.code) << (c.word ? c.word : "(null)");
}

TEST(CheckArgumentip, DottedQuadsInNetworkOrder)
{
    uint32_t address = 0;
    ASSERT_EQ(CheckArgumentip("192.168.1.10", &address), kSuccess);
    EXPECT_EQ(address, htonl(0xC0A8010A));
    for (const char *bad : {"", "192.168.1", "192.168.1.256", "1.2.3.4.5", "abc", " 1.2.3.4", "1.2.3.4x"}) {
        address = 7;
        EXPECT_EQ(CheckArgumentip(bad, &address), kFailure) << bad;
        EXPECT_EQ(address, 7u) << bad;
    }
    EXPECT_EQ(CheckArgumentip(nullptr, &address), kFailure);
}
