#include "Addresses.h"

#include <cstdio>
#include <cstring>

namespace gevconfigure {

void change_ip_octet(const char *source, char *destination, int octet, const char *replacement)
{
    char parts[4][4] = {};
    const char *p = source ? source : "";
    for (int i = 0; i < 4; ++i) {
        const char *dot = (i < 3) ? std::strchr(p, '.') : nullptr;
        const size_t length = dot ? static_cast<size_t>(dot - p) : std::strlen(p);
        std::memcpy(parts[i], p, length < 3 ? length : 3);
        if (!dot) {
            p += length;
            continue;
        }
        p = dot + 1;
    }
    if (octet >= 0 && octet < 4) {
        const char *r = replacement ? replacement : "";
        const size_t length = std::strlen(r);
        std::memset(parts[octet], 0, sizeof parts[octet]);
        std::memcpy(parts[octet], r, length < 3 ? length : 3);
    }
    std::snprintf(destination, 16, "%s.%s.%s.%s", parts[0], parts[1], parts[2], parts[3]);
}

std::string FindFreeTemporaryAddress(const std::string &adapterAddress, const std::vector<std::string> &used)
{
    char candidate[16] = {};
    for (int n = 254; n >= 1; --n) {
        change_ip_octet(adapterAddress.c_str(), candidate, 3, std::to_string(n).c_str());
        if (n == 1)
            break;  // .1 is taken whether free or not
        bool taken = false;
        for (const std::string &text : used) {
            if (text.find(candidate) != std::string::npos) {
                taken = true;
                break;
            }
        }
        if (!taken)
            break;
    }
    return candidate;
}

}  // namespace gevconfigure
