// IKyRegisterStore: saves or loads a register's content for a user set under the register's
// name plus a suffix (one per selector combination). Given to IKyRegisterEventSink::Persist.
#pragma once

#include "ky/virtualdevice/KyVirtualDeviceExport.h"

#include "ky/base/KyResult.h"
#include "ky/base/KyString.h"

class IKyRegister;

class KY_VIRTUALDEVICE_API IKyRegisterStore
{
public:
    virtual ~IKyRegisterStore() { }

    /// Saves the register's content (when a user set is saved) or loads it (when one is loaded) under the register's name and the suffix.
    ///
    /// @param[in] aRegister the register, usually the one Persist was called for
    /// @param[in] aNameSuffix one suffix per selector combination
    ///
    /// @return KY_OK, KY_INVALID_PARAMETER (no register)
    virtual KyResult Persist(IKyRegister *aRegister, const KyString &aNameSuffix) = 0;
};
