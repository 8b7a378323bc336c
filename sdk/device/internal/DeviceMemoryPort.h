// DeviceMemoryPort: the port of a device's node map: its register reads and writes become the
// device's ReadMemory and WriteMemory (so event sinks and heartbeat bookkeeping see them).
#pragma once

#include "ky/genicam/IKyGenPort.h"
#include "ky/device/KyDevice.h"

namespace ky {
namespace device {

class DeviceMemoryPort : public IKyGenPort
{
public:
    explicit DeviceMemoryPort(KyDevice &device) : mDevice(device) { }

    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        return mDevice.ReadMemory(static_cast<int64_t>(address), static_cast<uint8_t *>(data), length);
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        return mDevice.WriteMemory(static_cast<int64_t>(address), static_cast<const uint8_t *>(data), length);
    }

private:
    KyDevice &mDevice;
};

}  // namespace device
}  // namespace ky
