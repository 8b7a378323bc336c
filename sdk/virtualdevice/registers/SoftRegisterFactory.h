// SoftRegisterFactory: adds the program's registers to the map while the device starts.
#pragma once

#include "ky/virtualdevice/IKyRegisterFactory.h"
#include "registers/SoftRegisterMap.h"

namespace ky::soft {

class SoftRegisterFactory : public IKyRegisterFactory
{
public:
    explicit SoftRegisterFactory(SoftRegisterMap &map) : mMap(map) { }

    KyResult AddRegister(const KyString &aName, uint32_t aAddress, uint32_t aLength,
                         KyGenAccessMode aAccessMode, IKyRegisterEventSink *aRegisterEventSink = nullptr,
                         void *aContext = nullptr) override;
    KyResult AddByteArray(const KyString &aName, uint32_t aAddress, uint32_t aLength,
                          KyGenAccessMode aAccessMode, IKyRegisterEventSink *aRegisterEventSink = nullptr,
                          void *aContext = nullptr) override;

private:
    KyResult Add(const KyString &name, uint32_t address, uint32_t length, KyGenAccessMode mode,
                 bool arrayOfBytes, IKyRegisterEventSink *sink, void *context);

    SoftRegisterMap &mMap;
};

}  // namespace ky::soft
