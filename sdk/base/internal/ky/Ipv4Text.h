// An IPv4 address as text: the one formatter of the kit's libraries and tools (header-only, so
// that every layer may include it and none exports it).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ky::base {

// Dotted decimal of an address in host byte order (10.0.0.1 is 0x0A000001).
inline std::string FormatIPv4(uint32_t ipHostOrder)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (ipHostOrder >> 24) & 0xFFu, (ipHostOrder >> 16) & 0xFFu,
                  (ipHostOrder >> 8) & 0xFFu, ipHostOrder & 0xFFu);
    return text;
}

}  // namespace ky::base
