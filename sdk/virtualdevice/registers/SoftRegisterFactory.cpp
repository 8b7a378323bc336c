#include "registers/SoftRegisterFactory.h"

#include "registers/SoftDeviceRegisters.h"

namespace ky::soft {

KyResult SoftRegisterFactory::AddRegister(const KyString &aName, uint32_t aAddress, uint32_t aLength,
                                          KyGenAccessMode aAccessMode,
                                          IKyRegisterEventSink *aRegisterEventSink, void *aContext)
{
    if (aLength != 4 && aLength != 8) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + aName +
                                                  "] a register is 4 or 8 bytes long, not " +
                                                  std::to_string(aLength));
    }
    return Add(aName, aAddress, aLength, aAccessMode, false, aRegisterEventSink, aContext);
}

KyResult SoftRegisterFactory::AddByteArray(const KyString &aName, uint32_t aAddress, uint32_t aLength,
                                           KyGenAccessMode aAccessMode,
                                           IKyRegisterEventSink *aRegisterEventSink, void *aContext)
{
    if (aLength == 0 || aLength % 4 != 0) {
        return KyResult(KY_INVALID_PARAMETER,
                        KyString("[") + aName +
                            "] a byte array is a non-zero multiple of 4 bytes long, not " +
                            std::to_string(aLength));
    }
    return Add(aName, aAddress, aLength, aAccessMode, true, aRegisterEventSink, aContext);
}

KyResult SoftRegisterFactory::Add(const KyString &name, uint32_t address, uint32_t length,
                                  KyGenAccessMode mode, bool arrayOfBytes, IKyRegisterEventSink *sink,
                                  void *context)
{
    if (name.IsEmpty()) {
        return KyResult(KY_INVALID_PARAMETER, "a register needs a name");
    }
    if (mode != KyGenAccessModeReadOnly && mode != KyGenAccessModeReadWrite &&
        mode != KyGenAccessModeWriteOnly) {
        return KyResult(KY_INVALID_PARAMETER, KyString("[") + name + "] access mode " + std::to_string(mode) +
                                                  " is not read-only, read-write or write-only");
    }
    // The bootstrap area and the device's own area (its GenICam XML file, the registers behind its
    // own features) belong to the device, also where it has not placed a register yet.
    static const struct
    {
        uint64_t begin, end;
        const char *what;
    } reserved[] = {
        {0, BOOTSTRAP_AREA_END, "the bootstrap registers"},
        {XML_FILE_OFFSET, DEVICE_AREA_END, "the device's GenICam XML file and its own registers"},
    };
    const uint64_t begin = address, end = begin + length;
    for (const auto &area : reserved) {
        if (begin < area.end && area.begin < end) {
            return KyResult(KY_INVALID_PARAMETER, KyString("[") + name + "] overlaps " + area.what);
        }
    }
    auto reg = std::make_unique<SoftRegister>(name, address, length, mode, arrayOfBytes, context);
    if (sink != nullptr) {
        (void)reg->AddEventSink(sink);  // refuses only null or a repeat: neither on a new register
    }
    return mMap.Add(std::move(reg));
}

}  // namespace ky::soft
