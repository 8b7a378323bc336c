// Bits of the IP configuration registers (supported and current), and their text form.
#pragma once

#include <cstdint>
#include <string>

#include "ky/device/KyGevConstants.h"

namespace ky {
namespace device {

constexpr uint32_t kIPConfigPersistent = gev::IP_CONFIG_PERSISTENT_MASK;
constexpr uint32_t kIPConfigDHCP = gev::IP_CONFIG_DHCP_MASK;
constexpr uint32_t kIPConfigLLA = gev::IP_CONFIG_LLA_MASK;
constexpr uint32_t kIPConfigPauseReception = gev::IP_CONFIG_PAUSE_RECEPTION_MASK;
constexpr uint32_t kIPConfigPauseGeneration = gev::IP_CONFIG_PAUSE_GENERATION_MASK;

// "LLA, DHCP, Persistent" style text of the set bits, in that order then PR and PG.
inline std::string IPConfigText(uint32_t bits)
{
    static const struct
    {
        uint32_t bit;
        const char *name;
    } kNames[] = {{kIPConfigLLA, "LLA"},
                  {kIPConfigDHCP, "DHCP"},
                  {kIPConfigPersistent, "Persistent"},
                  {kIPConfigPauseReception, "PR"},
                  {kIPConfigPauseGeneration, "PG"}};
    std::string text;
    for (const auto &entry : kNames) {
        if ((bits & entry.bit) == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += entry.name;
    }
    return text;
}

}  // namespace device
}  // namespace ky
