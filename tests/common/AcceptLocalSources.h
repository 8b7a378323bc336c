// Inside the private namespace both ends of each veth pair (kyh<i>, kyc<i>) are local, so a
// packet sent out of kyh<i> arrives at kyc<i> with a local source address, which the kernel
// drops unless accept_local is set. Call from a test's SetUp (namespace tests only).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline void AcceptLocalSources(int adapters)
{
    ASSERT_EQ(std::system("sysctl -qw net.ipv4.conf.all.accept_local=1"), 0);
    for (int i = 1; i <= adapters; ++i)
        for (const char *end : {"kyh", "kyc"})
            ASSERT_EQ(std::system(("sysctl -qw net.ipv4.conf." + std::string(end) + std::to_string(i) +
                                   ".accept_local=1")
                                      .c_str()),
                      0);
}
