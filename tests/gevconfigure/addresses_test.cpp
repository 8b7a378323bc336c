#include <gtest/gtest.h>

#include "Addresses.h"

using namespace gevconfigure;

TEST(ChangeIpOctet, ReplacesTheChosenPart)
{
    const struct
    {
        const char *source;
        int octet;
        const char *replacement;
        const char *expected;
    } cases[] = {
        {"192.168.1.10", 3, "254", "192.168.1.254"},
        {"10.0.0.1", 3, "7", "10.0.0.7"},
        {"10.0.0.1", 0, "172", "172.0.0.1"},
        {"1.2.3.4", 3, "12345", "1.2.3.123"},  // replacement cut to 3 characters
        {"1.2.3.4567", 2, "9", "1.2.9.456"},   // last part cut to 3 characters
        {"1.2", 3, "5", "1.2..5"},             // fewer parts: empty slots
        {"", 3, "1", "...1"},
    };
    for (const auto &c : cases) {
        char destination[16] = {};
        change_ip_octet(c.source, destination, c.octet, c.replacement);
        EXPECT_STREQ(destination, c.expected) << c.source;
    }
}

TEST(FindFreeTemporaryAddress, FirstCandidateNotContainedInAnyUsedText)
{
    EXPECT_EQ(FindFreeTemporaryAddress("192.168.1.10", {"eth0(192.168.1.10)"}), "192.168.1.254");
    EXPECT_EQ(FindFreeTemporaryAddress("192.168.1.10", {"eth0(192.168.1.10)", "192.168.1.254"}),
              "192.168.1.253");
    // a plain substring search: 192.168.1.25 counts as used when 192.168.1.254 is listed
    std::vector<std::string> used = {"192.168.1.254", "192.168.1.253"};
    EXPECT_EQ(FindFreeTemporaryAddress("192.168.1.10", used), "192.168.1.252");
    used.push_back("192.168.1.252");
    used.push_back("192.168.1.251");
    used.push_back("192.168.1.250");
    EXPECT_EQ(FindFreeTemporaryAddress("192.168.1.10", used), "192.168.1.249");
}

TEST(FindFreeTemporaryAddress, FallsBackToDotOneWhenEverythingIsTaken)
{
    std::vector<std::string> used;
    for (int n = 2; n <= 254; ++n)
        used.push_back("10.0.0." + std::to_string(n));
    EXPECT_EQ(FindFreeTemporaryAddress("10.0.0.5", used), "10.0.0.1");
    used.push_back("10.0.0.1");
    EXPECT_EQ(FindFreeTemporaryAddress("10.0.0.5", used), "10.0.0.1");
}
