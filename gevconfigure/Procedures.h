// The register procedures: the IP configuration written into a camera's bootstrap registers
// (network interface 0). Each connects to the camera by unique ID, writes, and releases it.
#pragma once

#include <cstdint>

namespace gevconfigure {

// kSuccess or kFailure (Options.h).
int32_t SetDHCP(const char *uniqueId);
int32_t SetPersistent(const char *uniqueId, const char *ip, const char *subnetMask, const char *gateway);
int32_t SetLLA(const char *uniqueId);

}  // namespace gevconfigure
