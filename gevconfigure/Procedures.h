// The register procedures: the IP configuration written into a camera's bootstrap registers
// (network interface 0). Each connects to the camera by unique ID, writes, and releases it.
#pragma once

#include <cstdint>

namespace gevconfigure {

// Bootstrap registers written here.
constexpr int64_t kRegIPConfiguration = 0x0014;
constexpr int64_t kRegPersistentIP = 0x064C;
constexpr int64_t kRegPersistentSubnetMask = 0x065C;
constexpr int64_t kRegPersistentGateway = 0x066C;

// Bits of the IP configuration register.
constexpr uint32_t kIPConfigPersistent = 0x1;
constexpr uint32_t kIPConfigDHCP = 0x2;
constexpr uint32_t kIPConfigLLA = 0x4;

// kSuccess or kFailure (Options.h).
int32_t SetDHCP(const char *uniqueId);
int32_t SetPersistent(const char *uniqueId, const char *ip, const char *subnetMask, const char *gateway);
int32_t SetLLA(const char *uniqueId);

}  // namespace gevconfigure
