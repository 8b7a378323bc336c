#include "Procedures.h"

#include <cstdio>
#include <memory>

#include "ky/ByteOrder.h"
#include "ky/device/KyDevice.h"
#include "ky/device/KyGevConstants.h"
#include "Options.h"

namespace gevconfigure {

namespace gev = ky::gev;

namespace {

struct DeviceRelease
{
    void operator()(KyDevice *device) const { KyDevice::Free(device); }
};
using DevicePtr = std::unique_ptr<KyDevice, DeviceRelease>;

// Connects by unique ID; prints the failure and returns null when that fails.
DevicePtr Connect(const char *uniqueId)
{
    KyResult result;
    DevicePtr device(KyDevice::CreateAndConnect(KyString(uniqueId), &result));
    if (!result.IsOK() || !device) {
        printf("Failed to connect to the device : %s\n", result.GetDescription().GetAscii());
        return nullptr;
    }
    return device;
}

bool WriteWord(KyDevice &device, int64_t address, uint32_t word)
{
    uint8_t bytes[4];
    ky::base::StoreBig32(bytes, word);
    return device.WriteMemory(address, bytes, sizeof bytes) == KY_OK;
}

// The IP configuration word as the device has it; 0 when the read fails, so that no
// undefined bits are ever written back.
uint32_t ReadConfiguration(KyDevice &device)
{
    uint8_t bytes[4] = {0, 0, 0, 0};
    if (!device.ReadMemory(gev::CURRENT_IP_CONFIG_OFFSET, bytes, sizeof bytes).IsOK())
        return 0;
    return ky::base::LoadBig32(bytes);
}

bool WriteAddress(KyDevice &device, int64_t address, const char *text)
{
    uint32_t networkOrder = 0;  // a rejected text is written as 0.0.0.0
    CheckArgumentip(text, &networkOrder);
    const auto *octets = reinterpret_cast<const uint8_t *>(&networkOrder);
    return device.WriteMemory(address, octets, 4) == KY_OK;
}

int32_t SetModeBit(const char *uniqueId, uint32_t bit, DevicePtr *keep)
{
    DevicePtr device = Connect(uniqueId);
    if (!device)
        return kFailure;
    const uint32_t word =
        (ReadConfiguration(*device) & ~(gev::IP_CONFIG_PERSISTENT_MASK | gev::IP_CONFIG_DHCP_MASK)) | bit;
    if (!WriteWord(*device, gev::CURRENT_IP_CONFIG_OFFSET, word))
        return kFailure;
    if (keep)
        *keep = std::move(device);
    return kSuccess;
}

}  // namespace

int32_t SetDHCP(const char *uniqueId) { return SetModeBit(uniqueId, gev::IP_CONFIG_DHCP_MASK, nullptr); }

int32_t SetPersistent(const char *uniqueId, const char *ip, const char *subnetMask, const char *gateway)
{
    DevicePtr device;
    if (SetModeBit(uniqueId, gev::IP_CONFIG_PERSISTENT_MASK, &device) != kSuccess)
        return kFailure;
    if (!WriteAddress(*device, gev::PERSISTENT_IP_OFFSET, ip) ||
        !WriteAddress(*device, gev::PERSISTENT_SUBNET_MASK_OFFSET, subnetMask) ||
        !WriteAddress(*device, gev::PERSISTENT_GATEWAY_OFFSET, gateway))
        return kFailure;
    return kSuccess;
}

int32_t SetLLA(const char *uniqueId)
{
    DevicePtr device = Connect(uniqueId);
    if (!device)
        return kFailure;
    if (!WriteWord(*device, gev::CURRENT_IP_CONFIG_OFFSET, gev::IP_CONFIG_LLA_MASK)) {
        printf("Failed to Set LLA\n");
        return kFailure;
    }
    return kSuccess;
}

}  // namespace gevconfigure
