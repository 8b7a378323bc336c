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

    /// Before a read: the place to refresh the register's content.
    ///
    /// @param[in] aRegister the register
    ///
    /// @return KY_OK to allow the read; any other code refuses it
    virtual KyResult PreRead(IKyRegister *aRegister)
    {
        (void)aRegister;
        return KyResult(KY_OK);
    }
    /// After a read.
    ///
    /// @param[in] aRegister the register
    virtual void PostRead(IKyRegister *aRegister) { (void)aRegister; }
    /// Before a write; the new value can be read from the register.
    ///
    /// @param[in] aRegister the register
    ///
    /// @return KY_OK to allow the write; any other code refuses it and the former value stays
    virtual KyResult PreWrite(IKyRegister *aRegister)
    {
        (void)aRegister;
        return KyResult(KY_OK);
    }
    /// After a write: the place to react to the new value.
    ///
    /// @param[in] aRegister the register
    virtual void PostWrite(IKyRegister *aRegister) { (void)aRegister; }
    /// When a user set is saved or loaded: a register holding several values behind selectors calls the store's Persist for each selector combination.
    ///
    /// @param[in] aRegister the register
    /// @param[in] aStore the store, valid during the call
    ///
    /// @return KY_OK when handled; KY_NOT_IMPLEMENTED (the default) has the whole register saved
    virtual KyResult Persist(IKyRegister *aRegister, IKyRegisterStore *aStore)
    {
        (void)aRegister;
        (void)aStore;
        return KyResult(KY_NOT_IMPLEMENTED);
    }
};
