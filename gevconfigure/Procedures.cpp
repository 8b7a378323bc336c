#include "Procedures.h"

#include <cstdio>
#include <memory>

#include "ky/ByteOrder.h"
#include "ky/device/KyDevice.h"
#include "Options.h"

namespace gevconfigure {

namespace {

struct DeviceRelease {
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
    if (!device.ReadMemory(kRegIPConfiguration, bytes, sizeof bytes).IsOK())
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
    const uint32_t word = (ReadConfiguration(*device) & 0xFFFFFFFCu) | bit;
    if (!WriteWord(*device, kRegIPConfiguration, word))
        return kFailure;
    if (keep)
        *keep = std::move(device);
    return kSuccess;
}

}  // namespace

int32_t SetDHCP(const char *uniqueId) { return SetModeBit(uniqueId, kIPConfigDHCP, nullptr); }

int32_t SetPersistent(const char *uniqueId, const char *ip, const char *subnetMask, const char *gateway)
{
    DevicePtr device;
    if (SetModeBit(uniqueId, kIPConfigPersistent, &device) != kSuccess)
        return kFailure;
    if (!WriteAddress(*device, kRegPersistentIP, ip) || !WriteAddress(*device, kRegPersistentSubnetMask, subnetMask) ||
        !WriteAddress(*device, kRegPersistentGateway, gateway))
        return kFailure;
    return kSuccess;
}

int32_t SetLLA(const char *uniqueId)
{
    DevicePtr device = Connect(uniqueId);
    if (!device)
        return kFailure;
    if (!WriteWord(*device, kRegIPConfiguration, kIPConfigLLA)) {
        printf("Failed to Set LLA\n");
        return kFailure;
    }
    return kSuccess;
}

}  // namespace gevconfigure
