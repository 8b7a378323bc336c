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

    virtual KyResult Persist(IKyRegister *aRegister, const KyString &aNameSuffix) = 0;
};
