// The network namespace's own counters, as the kernel keeps them in /proc/net/snmp.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace ky::gev::test {

// One counter of a group ("Udp" InErrors or RcvbufErrors, "Icmp" OutDestUnreachs, ...); 0 where
// the kernel keeps no such counter.
inline uint64_t SnmpCounter(const std::string &group, const std::string &counter)
{
    std::ifstream in("/proc/net/snmp");
    std::string names, values;
    while (std::getline(in, names) && std::getline(in, values)) {
        if (names.rfind(group + ":", 0) != 0)
            continue;
        std::istringstream n(names), v(values);
        std::string name, value;
        while (n >> name && v >> value)
            if (name == counter)
                return std::stoull(value);
    }
    return 0;
}

}  // namespace ky::gev::test
