// DeviceNodeMap: a GenICam node map of a device, loaded from the GenICam file that the device
// serves and reaching its registers through KyDevice::ReadMemory and WriteMemory. For device
// objects that carry no parameter array of their own.
#pragma once

#include "ky/genicam/IKyGenPort.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/base/KyResult.h"

class KyDevice;

namespace ky::apputils {

class DeviceNodeMap : private IKyGenPort
{
public:
    explicit DeviceNodeMap(KyDevice &device) : mDevice(device) { }
    // Reads the device's GenICam file and loads it. KY_GENICAM_XML_ERROR, KY_NOT_SUPPORTED
    // (a file not stored on the device) or the device's failure.
    KyResult Load();
    KyGenParameterArray &Array() { return mArray; }

private:
    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override;
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override;

    KyDevice &mDevice;
    KyGenParameterArray mArray;
};

}  // namespace ky::apputils
