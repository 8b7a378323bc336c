// The kit's one IPv4 formatter: dotted decimal of an address in host byte order.
#include <gtest/gtest.h>

#include "ky/Ipv4Text.h"

TEST(Ipv4Text, DottedDecimalOfHostOrder)
{
    const struct
    {
        uint32_t ip;
        const char *text;
    } cases[] = {
        {0x00000000u, "0.0.0.0"},       {0x0A000001u, "10.0.0.1"},      {0x7F000001u, "127.0.0.1"},
        {0xC0A80164u, "192.168.1.100"}, {0xFFFFFF00u, "255.255.255.0"}, {0xFFFFFFFFu, "255.255.255.255"},
        {0x01020304u, "1.2.3.4"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ky::base::FormatIPv4(c.ip), c.text) << std::hex << c.ip;
}
