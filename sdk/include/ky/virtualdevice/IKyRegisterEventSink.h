// IKyRegisterEventSink: told before and after each access of a register, from the program or
// from a GigE Vision controller (READREG, READMEM, WRITEREG, WRITEMEM). Called on the thread
// that makes the access (a device thread for a controller's command). A Pre* failure refuses
// the access; during PreWrite the new value can already be read on the writing thread (other
// threads read the old one until the write is accepted), and a refusal keeps the old.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include "ky/base/KyResult.h"

class IKyRegister;
class IKyRegisterStore;

class KY_VIRTUALDEVICE_API IKyRegisterEventSink
{
public:
    IKyRegisterEventSink() = default;
    virtual ~IKyRegisterEventSink() { }

    virtual KyResult PreRead(IKyRegister *aRegister)
    {
        (void)aRegister;
        return KyResult(KY_OK);
    }
    virtual void PostRead(IKyRegister *aRegister) { (void)aRegister; }
    virtual KyResult PreWrite(IKyRegister *aRegister)
    {
        (void)aRegister;
        return KyResult(KY_OK);
    }
    virtual void PostWrite(IKyRegister *aRegister) { (void)aRegister; }
    // User sets: KY_NOT_IMPLEMENTED says the register needs no selector-wise handling.
    virtual KyResult Persist(IKyRegister *aRegister, IKyRegisterStore *aStore)
    {
        (void)aRegister;
        (void)aStore;
        return KyResult(KY_NOT_IMPLEMENTED);
    }
};
